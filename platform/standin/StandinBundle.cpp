#include "standin/StandinBundle.h"

#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "standin/StandinPathParts.h"

namespace {

std::string Unescape(std::string text) {
    static const std::pair<char const*, char const*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (auto const& [entity, plain] : entities) {
                const std::string e(entity);
                if (text.compare(i, e.size(), e) == 0) {
                    out += plain;
                    i += e.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

// Unlike StandinPathParts::Branch, a path without "/" has no branch here.
std::string Branch(std::string const& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

bool StandinBundle::IsBundle(std::string const& folder) {
    struct stat info {};
    return stat((folder + "/Contents/Info.plist").c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool StandinBundle::InfoString(std::string const& bundle, std::string const& key, std::string& value) {
    std::ifstream in(bundle + "/Contents/Info.plist", std::ios::binary);
    if (!in)
        return false;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const std::string tag = "<key>" + key + "</key>";
    const std::size_t at = text.find(tag);
    if (at == std::string::npos)
        return false;
    std::size_t pos = text.find_first_not_of(" \t\r\n", at + tag.size());
    const std::string open = "<string>";
    if (pos == std::string::npos || text.compare(pos, open.size(), open) != 0)
        return false;
    pos += open.size();
    const std::size_t end = text.find("</string>", pos);
    if (end == std::string::npos)
        return false;
    value = Unescape(text.substr(pos, end - pos));
    return true;
}

std::string StandinBundle::Executable(std::string const& bundle) {
    std::string name;
    if (!InfoString(bundle, "CFBundleExecutable", name) || name.empty()) {
        name = StandinPathParts::Leaf(bundle);
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            name.resize(dot);
    }
    return bundle + "/Contents/MacOS/" + name;
}

std::string StandinBundle::BundleOfExecutable(std::string const& file) {
    const std::string macos = Branch(file);
    const std::string contents = Branch(macos);
    if (StandinPathParts::Leaf(macos) != "MacOS" || StandinPathParts::Leaf(contents) != "Contents")
        return std::string();
    return Branch(contents);
}

std::string StandinBundle::MainExecutable() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return std::string();
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string StandinBundle::MainBundle() {
    const std::string exe = MainExecutable();
    const std::string bundle = BundleOfExecutable(exe);
    return bundle.empty() ? Branch(exe) : bundle;
}

std::string StandinBundle::FindLoaded(std::string const& id) {
    struct Search {
        std::string id;
        std::string found;
    } search{id, std::string()};
    auto visit = [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        std::string file = info->dlpi_name != nullptr ? info->dlpi_name : "";
        if (file.empty())
            file = MainExecutable();  // the program itself is listed without a name
        const std::string bundle = BundleOfExecutable(file);
        std::string value;
        if (!bundle.empty() && InfoString(bundle, "CFBundleIdentifier", value) && value == s->id) {
            s->found = bundle;
            return 1;
        }
        return 0;
    };
    dl_iterate_phdr(visit, &search);
    return search.found;
}
