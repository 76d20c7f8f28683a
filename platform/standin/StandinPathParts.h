#pragma once
// The parts of a native (POSIX) path as the stand-ins and the platform's file operations split
// it: at the last "/", nothing normalised.
#include <string>

class StandinPathParts {
public:
    StandinPathParts() = delete;

    // Everything before the last "/": "/" for an item of the root, "." when there is no "/".
    static std::string Branch(std::string const& path);
    // Everything after the last "/" (the whole path when there is none).
    static std::string Leaf(std::string const& path);
    // The process's current folder (getcwd, however long): 0, else the errno.
    static int CurrentFolder(std::string& out);
};
