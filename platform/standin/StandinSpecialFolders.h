#pragma once
// Stands in for the file manager's standard folders: the user's folders follow the XDG base
// directories and user folders, so setting HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and TMPDIR
// sandboxes everything. What it keeps of the original: one absolute folder per kind and domain,
// made with missing parents when asked to create it: 0700 for the user's folders, 0777 less
// the umask for the machine-wide ones.
//
// User domain: home = $HOME (else the password entry); preferences = $XDG_CONFIG_HOME (else
// ~/.config); application support = $XDG_DATA_HOME (else ~/.local/share); applications =
// <application support>/applications; desktop and documents = XDG_DESKTOP_DIR and
// XDG_DOCUMENTS_DIR from <preferences>/user-dirs.dirs, else the variables of those names, else
// ~/Desktop and ~/Documents; trash = the freedesktop trash <application support>/Trash.
// Local domain: a machine-wide root, $TROVEL_LOCAL_DOMAIN (else /usr/local/share/trovel), holding
// "applications", "data" (application support) and "config" (preferences); it has no desktop,
// documents or trash. Both domains: temporary = $TMPDIR (else /tmp); the system folder is the
// fixed text "/System/" and is never made. An environment value that is not an absolute path
// counts as unset, as the XDG base-directory rules ask.
#include <string>

class StandinSpecialFolders {
public:
    enum class Domain { User, Local };
    enum class Kind { Home, Temporary, Applications, ApplicationSupport, Desktop, Documents, System, Preferences, Trash };

    StandinSpecialFolders() = delete;

    // 0 with the folder in out; ENOENT when the domain has no such folder; else the errno of
    // making it (out then holds the folder that could not be made).
    static int GetFolder(Domain domain, Kind kind, bool create, std::string& out);

    static std::string Home();
    static std::string ConfigHome();
    static std::string DataHome();
    static std::string Temporary();
    static std::string LocalDomainRoot();
    static std::string TrashFolder() { return DataHome() + "/Trash"; }

    // mkdir -p with mode (less the umask) for every folder it makes; 0 or the errno of the first
    // failure. An existing item that is not a folder (or a link to one) fails with ENOTDIR.
    static int MakeFolders(std::string const& folder, unsigned mode = 0700);
};
