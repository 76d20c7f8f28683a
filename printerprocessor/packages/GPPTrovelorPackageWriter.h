#pragma once
// GPPTrovelorPackageWriter: makes Trovelor packages as the printer-processor application does
// (see GPPTrovelorPackage) and registers their actors in the registry of actors.
//
// Callers may rely on:
// - Entries are written in the order they were added, deflated regular files with UTF-8 names,
//   under the package password (traditional zip encryption) unless SetPassword gave another one
//   (fault tests); EntryOptions make the other shapes a package may arrive in.
// - Write makes missing folders and replaces the package whole: it is written beside its name
//   and renamed into place, so a reader sees the old package or the new one. A failure leaves no
//   package of it and says why in error (never with the password).
// - Register rewrites the record of an actor of that name, or adds one: offered to the plug-in,
//   ContextFilePath the package, ApplicationPath in the cache folder of the build number.
// - One thread at a time.
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GPrefModule;

class GPPTrovelorPackageWriter {
public:
    GPPTrovelorPackageWriter() = default;

    // "Project/Project.prefs": the module's groups in the preference text format, UTF-16. False,
    // nothing added, when a name or text cannot be written as it is.
    bool AddProjectPrefs(GPrefModule const& prefs);
    // "PrinterFiles/<leaf>".
    void AddPrinterFile(std::string const& leaf, std::string const& bytes);
    // How one entry is written, for packages that are not well made.
    struct EntryOptions {
        bool store = false;    // stored as it is, not deflated
        bool rawName = false;  // the name's bytes as they are (any encoding), without the UTF-8 flag
        bool link = false;     // a symbolic link (Unix mode S_IFLNK) to the bytes as its target
    };
    // An entry under any stored name (UTF-8 unless options say otherwise).
    void AddEntry(std::string const& name, std::string const& bytes);
    void AddEntry(std::string const& name, std::string const& bytes, EntryOptions const& options);
    // Another password (empty: no encryption); the package password when never called.
    void SetPassword(std::string const& plain);

    bool Write(GPathName const& package, std::string& error) const;

    // Where a package of that GUID lives: the cache's "Settings" folder / guid / "Package.trovelor".
    static GPathName GetPackagePath(GString const& guid);
    static bool Register(GString const& name, GPathName const& package, int buildNumber, GString const& pdfSettings);

private:
    struct Entry {
        std::string name;
        std::string bytes;
        EntryOptions options;
    };

    std::vector<Entry> mEntries;
    bool mOwnPassword = false;
    std::string mPassword;
};
