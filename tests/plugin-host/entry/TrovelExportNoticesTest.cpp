// The bundle's legal notices against what the bundle really links: every library reached from
// TrovelExport.so (and from libzip, which the zip reader links) through the dynamic section's
// NEEDED entries has its own heading in the notices file, and no heading names a library that is
// not known here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "ui/export/CopyrightDialog.h"

namespace {

// The heading under which each library's notice stands ("This product includes <name>").
struct Notice {
    char const* soname;  // a pattern
    char const* heading;
};
constexpr Notice kNotices[] = {
    {R"(libQt5(Core|Gui|Widgets)\.so.*)", "Qt 5"},
    {R"(libicu(uc|i18n|data)\.so.*)", "ICU"},
    {R"(libboost_.*\.so.*)", "Boost"},
    {R"(libzip\.so.*)", "libzip"},
    {R"(libz\.so.*)", "zlib"},
    {R"(libpcre2-(8|16|32)\.so.*)", "PCRE2"},
    {R"(libdouble-conversion\.so.*)", "double-conversion"},
    {R"(libzstd\.so.*)", "Zstandard"},
    {R"(libglib-2\.0\.so.*)", "GLib"},
    {R"(libharfbuzz\.so.*)", "HarfBuzz"},
    {R"(libgraphite2\.so.*)", "Graphite2"},
    {R"(libfreetype\.so.*)", "FreeType"},
    {R"(libbrotli(dec|common)\.so.*)", "Brotli"},
    {R"(libpng16\.so.*)", "libpng"},
    {R"(libmd4c\.so.*)", "MD4C"},
    {R"(libbz2\.so.*)", "bzip2"},
    {R"(libcrypto\.so.*)", "OpenSSL"},
};

// Libraries of the system the plug-in runs on, which carry no notice of ours and are not followed:
// the C and C++ runtimes, the window system's client libraries that Qt's GUI module opens, and the
// host SDK, which the host itself provides.
constexpr char const* kSystem =
    R"((libc|libm|libpthread|libdl|librt|ld-linux-x86-64|libstdc\+\+|libgcc_s|libGL|libGLX|libGLdispatch|libEGL|)"
    R"(libOpenGL|libX11|libX11-xcb|libxcb.*|libXau|libXdmcp|libhostsdk)\.so.*)";

std::string Bundle() { return std::string(TROVEL_TEST_BUNDLES) + "/TrovelExport.plugin"; }

std::string Run(std::string const& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char chunk[4096];
    size_t n = 0;
    while (pipe && (n = fread(chunk, 1, sizeof chunk, pipe.get())) > 0)
        out.append(chunk, n);
    return out;
}

std::vector<std::string> Needed(std::string const& file) {
    std::vector<std::string> names;
    std::istringstream lines(Run("readelf -d '" + file + "'"));
    std::regex const needed(R"(\(NEEDED\)\s+Shared library: \[(.+)\])");
    std::smatch match;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, match, needed))
            names.push_back(match[1]);
    return names;
}

std::string Locate(std::string const& soname) {
    struct stat info;
    for (char const* folder : {"/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu", "/lib64", "/usr/lib", "/lib"}) {
        std::string const path = std::string(folder) + "/" + soname;
        if (stat(path.c_str(), &info) == 0)
            return path;
    }
    return std::string();
}

char const* HeadingOf(std::string const& soname) {
    for (Notice const& notice : kNotices)
        if (std::regex_match(soname, std::regex(notice.soname)))
            return notice.heading;
    return nullptr;
}

std::string ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The headings of the notices as the legal-notices dialog shows them, bold paragraphs, each
// without its "This product includes ".
std::vector<std::string> Headings(std::string const& text) {
    std::string const html = CopyrightDialog::ConvertNotices(QByteArray::fromStdString(text)).toStdString();
    std::vector<std::string> headings;
    std::regex const heading(R"(<p><strong>This product includes ([^<]+)</strong></p>)");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), heading); it != std::sregex_iterator(); ++it)
        headings.push_back((*it)[1]);
    return headings;
}

// "Qt 5 (Qt Core, ...)." is the heading of "Qt 5"; "libzip." that of "libzip".
bool IsHeadingOf(std::string const& line, std::string const& name) {
    return line.compare(0, name.size(), name) == 0 && line.size() > name.size() &&
           (line[name.size()] == ' ' || line[name.size()] == '.');
}

}  // namespace

TEST(TrovelExportNotices, EveryLinkedLibraryHasItsOwnHeading) {
    std::string const notices = ReadFile(Bundle() + "/Contents/Resources/Licenses/TextInSoftware.txt");
    ASSERT_FALSE(notices.empty()) << "the bundle has no notices file";
    std::vector<std::string> const headings = Headings(notices);
    auto const count = [&headings](std::string const& name) {
        return std::count_if(headings.begin(), headings.end(),
                             [&name](std::string const& line) { return IsHeadingOf(line, name); });
    };

    // Each library reached, with what needs it; the zip reader's libzip is reached by name.
    std::vector<std::pair<std::string, std::string>> needed{{"libzip.so", "the zip reader"}};
    for (std::string const& soname : Needed(Bundle() + "/Contents/MacOS/TrovelExport.so"))
        needed.emplace_back(soname, "the bundle");
    ASSERT_GT(needed.size(), 1u) << "readelf found nothing in the bundle";
    std::regex const system(kSystem);
    std::set<std::string> seen;
    std::set<std::string> reached;
    while (!needed.empty()) {
        auto const [soname, by] = needed.back();
        needed.pop_back();
        if (std::regex_match(soname, system) || !seen.insert(soname).second)
            continue;
        char const* heading = HeadingOf(soname);
        if (heading == nullptr) {
            ADD_FAILURE() << soname << " (needed by " << by << ") has no notice: add its heading and licence";
            continue;
        }
        reached.insert(heading);
        EXPECT_EQ(1, count(heading)) << "no heading \"This product includes " << heading << "\" for " << soname
                                     << " (needed by " << by << ")";
        std::string const path = Locate(soname);
        ASSERT_FALSE(path.empty()) << soname << " not found";
        for (std::string const& next : Needed(path))
            needed.emplace_back(next, soname);
    }
    for (char const* required : {"Qt 5", "Boost", "libzip", "zlib", "ICU"})
        EXPECT_EQ(1u, reached.count(required)) << required;
    // No heading for a library that nothing links.
    for (std::string const& line : headings) {
        bool const linked = std::any_of(reached.begin(), reached.end(),
                                        [&line](std::string const& name) { return IsHeadingOf(line, name); });
        EXPECT_TRUE(linked) << "the notices name " << line << ", which nothing links";
    }
}

TEST(TrovelExportNotices, TheBundleCarriesTheNoticesOfTheSources) {
    std::string const source = ReadFile(TROVEL_NOTICES_SOURCE);
    ASSERT_FALSE(source.empty());
    EXPECT_TRUE(source == ReadFile(Bundle() + "/Contents/Resources/Licenses/TextInSoftware.txt"))
        << "the bundle's notices differ from " << TROVEL_NOTICES_SOURCE;
}
