#pragma once
// A listing of a folder tree by its bytes, for comparing a copy with its source: one line per
// entry with its name relative to the root (any byte as it stands), its kind, and for a file its
// contents, for a link its text; with modes, the permission bits too. Sorted, links never followed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FileFixtures.h"
#include "support/UnprivilegedChild.h"

inline void ListTreeInto(std::string const& root, std::string const& relative, bool withModes,
                         std::vector<std::string>& lines) {
    DIR* folder = opendir((root + relative).c_str());
    if (folder == nullptr) {
        lines.push_back(relative + " <unreadable>");
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(folder);
    for (std::string const& name : names) {
        const std::string item = relative + "/" + name;
        struct stat info {};
        lstat((root + item).c_str(), &info);
        std::string line = item;
        if (withModes)
            line += " mode " + std::to_string(info.st_mode & 07777);
        if (S_ISDIR(info.st_mode)) {
            lines.push_back(line + " folder");
            ListTreeInto(root, item, withModes, lines);
        } else if (S_ISLNK(info.st_mode)) {
            char text[4096];
            const ssize_t n = readlink((root + item).c_str(), text, sizeof text);
            lines.push_back(line + " link " + std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0));
        } else if (S_ISFIFO(info.st_mode)) {
            lines.push_back(line + " fifo");
        } else if (S_ISSOCK(info.st_mode)) {
            lines.push_back(line + " socket");
        } else if (S_ISREG(info.st_mode)) {
            lines.push_back(line + " file " + ReadFile(root + item));
        } else {
            lines.push_back(line + " other");
        }
    }
}

inline std::vector<std::string> TreeListing(std::string const& root, bool withModes = false) {
    std::vector<std::string> lines;
    ListTreeInto(root, "", withModes, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Hands the whole tree (links themselves included) to the user of UnprivilegedChild; false when
// an item could not be given.
inline bool GiveTreeToUnprivileged(std::string const& root) {
    bool given = lchown(root.c_str(), UnprivilegedChild::Uid(), UnprivilegedChild::Gid()) == 0;
    for (std::string const& line : TreeListing(root)) {
        const std::string item = root + line.substr(0, line.find(' '));
        given = lchown(item.c_str(), UnprivilegedChild::Uid(), UnprivilegedChild::Gid()) == 0 && given;
    }
    return given;
}

// Thirty folders of 200-character names below the existing folder root, with a file "bottom"
// at the foot: deeper than any path a system call takes, so made relative to open folders.
inline bool MakeTreeBeyondThePathLimit(std::string const& root) {
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string name(200, 'n');
    for (int level = 0; level < 30 && fd >= 0; ++level) {
        const int next = mkdirat(fd, name.c_str(), 0700) == 0 ? openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        close(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    const int file = openat(fd, "bottom", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    close(fd);
    return file >= 0 && close(file) == 0;
}
