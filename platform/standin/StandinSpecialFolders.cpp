#include "standin/StandinSpecialFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

std::string AbsoluteEnv(char const* name) {
    char const* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return std::string();
    return value;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The value of one XDG_<NAME>_DIR line of user-dirs.dirs: "$HOME/..." or an absolute path in
// double quotes; anything else is ignored.
std::string UserDirFromFile(std::string const& key) {
    std::ifstream in(StandinSpecialFolders::ConfigHome() + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        if (line.compare(start, key.size() + 1, key + "=") != 0)
            continue;
        std::string value = line.substr(start + key.size() + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            continue;
        value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
            value = StandinSpecialFolders::Home() + value.substr(5);
        if (!value.empty() && value[0] == '/')
            found = value;  // the last line wins, as when the shell reads the file
    }
    return found;
}

std::string UserDir(std::string const& key, char const* fallbackLeaf) {
    std::string folder = UserDirFromFile(key);
    if (folder.empty())
        folder = AbsoluteEnv(key.c_str());
    if (folder.empty())
        folder = StandinSpecialFolders::Home() + "/" + fallbackLeaf;
    return WithoutTrailingSlashes(folder);
}

int UserFolder(StandinSpecialFolders::Kind kind, std::string& out) {
    using Kind = StandinSpecialFolders::Kind;
    switch (kind) {
    case Kind::Applications:
        out = StandinSpecialFolders::DataHome() + "/applications";
        return 0;
    case Kind::ApplicationSupport:
        out = StandinSpecialFolders::DataHome();
        return 0;
    case Kind::Desktop:
        out = UserDir("XDG_DESKTOP_DIR", "Desktop");
        return 0;
    case Kind::Documents:
        out = UserDir("XDG_DOCUMENTS_DIR", "Documents");
        return 0;
    case Kind::Preferences:
        out = StandinSpecialFolders::ConfigHome();
        return 0;
    case Kind::Trash:
        out = StandinSpecialFolders::TrashFolder();
        return 0;
    default:
        return ENOENT;
    }
}

int LocalFolder(StandinSpecialFolders::Kind kind, std::string& out) {
    using Kind = StandinSpecialFolders::Kind;
    const std::string root = StandinSpecialFolders::LocalDomainRoot();
    switch (kind) {
    case Kind::Applications:
        out = root + "/applications";
        return 0;
    case Kind::ApplicationSupport:
        out = root + "/data";
        return 0;
    case Kind::Preferences:
        out = root + "/config";
        return 0;
    default:
        return ENOENT;
    }
}

}  // namespace

std::string StandinSpecialFolders::Home() {
    std::string home = AbsoluteEnv("HOME");
    if (home.empty()) {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
            found->pw_dir != nullptr && found->pw_dir[0] == '/')
            home = found->pw_dir;
        else
            home = "/";
    }
    return WithoutTrailingSlashes(home);
}

std::string StandinSpecialFolders::ConfigHome() {
    const std::string value = AbsoluteEnv("XDG_CONFIG_HOME");
    return value.empty() ? Home() + "/.config" : WithoutTrailingSlashes(value);
}

std::string StandinSpecialFolders::DataHome() {
    const std::string value = AbsoluteEnv("XDG_DATA_HOME");
    return value.empty() ? Home() + "/.local/share" : WithoutTrailingSlashes(value);
}

std::string StandinSpecialFolders::Temporary() {
    const std::string value = AbsoluteEnv("TMPDIR");
    return value.empty() ? std::string("/tmp") : WithoutTrailingSlashes(value);
}

std::string StandinSpecialFolders::LocalDomainRoot() {
    const std::string value = AbsoluteEnv("TROVEL_LOCAL_DOMAIN");
    return value.empty() ? std::string("/usr/local/share/trovel") : WithoutTrailingSlashes(value);
}

int StandinSpecialFolders::MakeFolders(std::string const& folder, unsigned mode) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (const int error = MakeFolders(folder.substr(0, slash), mode))
            return error;
    }
    if (mkdir(folder.c_str(), static_cast<mode_t>(mode)) == 0 || errno == EEXIST) {
        // Someone else may have made it meanwhile; it counts only when it is a folder.
        if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return 0;
        return ENOTDIR;
    }
    return errno;
}

int StandinSpecialFolders::GetFolder(Domain domain, Kind kind, bool create, std::string& out) {
    out.clear();
    switch (kind) {
    case Kind::Home:
        out = Home();
        return 0;
    case Kind::Temporary:
        out = Temporary();
        return 0;
    case Kind::System:
        out = "/System/";
        return 0;
    default:
        break;
    }
    const int found = domain == Domain::User ? UserFolder(kind, out) : LocalFolder(kind, out);
    if (found != 0 || !create)
        return found;
    if (kind == Kind::Trash) {
        if (const int error = MakeFolders(out + "/files"))
            return error;
        return MakeFolders(out + "/info");
    }
    return MakeFolders(out, domain == Domain::User ? 0700 : 0777);
}
