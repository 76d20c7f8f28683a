#include "standin/StandinPathParts.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

std::string StandinPathParts::Branch(std::string const& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string StandinPathParts::Leaf(std::string const& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int StandinPathParts::CurrentFolder(std::string& out) {
    std::vector<char> buffer(1024);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return errno;
        buffer.resize(buffer.size() * 2);
    }
    out = buffer.data();
    return 0;
}
