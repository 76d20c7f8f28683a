#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/base/GException.h"
#include "mac/paths/PMacPathNameImpBase.h"
#include "services/paths/GPathName.h"
#include "support/ExceptionTestText.h"
#include <unistd.h>

namespace {

GString U(std::string const& utf8) {
    StartFoundation();
    return GString(utf8.c_str(), GUTF8Encoding::GetInstance());
}

GPathName P(std::string const& utf8) { return GPathName(U(utf8)); }

// A path holding its text as it stands, for the texts that only SetPortablePath makes.
GPathName Raw(std::string const& utf8) {
    GPathName path;
    path.SetPortablePath(U(utf8));
    return path;
}

std::string Flag(bool value) { return value ? "true" : "false"; }

// The volumes of a fixed mount table: Data and usb under /Volumes, "Backup Disk" at /mnt, a
// second usb at /media, a:b (shown as "a/b") at /run, and kernel tables that are no volumes.
class PathNames : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        char const* data = std::getenv("TROVEL_TEST_DATA");
        ASSERT_NE(data, nullptr);
        PMacPathNameImpBase::SetMountTableFile(std::string(data) + "/mounts");
    }
    void TearDown() override { PMacPathNameImpBase::SetMountTableFile(""); }
};

struct Example {
    char const* operation;
    char const* path;
    char const* argument;
    char const* expected;
};

// operation applied to path (and argument); a thrown exception reads "throws <id>".
std::string Apply(Example const& e) {
    std::string const op = e.operation;
    std::string const arg = e.argument;
    try {
        if (op == "normalise")
            return Text(P(e.path).GetPortablePath());
        if (op == "leaf")
            return Text(P(e.path).GetLeaf());
        if (op == "leaf without extension")
            return Text(P(e.path).GetLeafWithoutExtension());
        if (op == "extension")
            return Text(P(e.path).GetExtension());
        if (op == "has extension")
            return Flag(P(e.path).HasExtension());
        if (op == "has leaf (raw)")
            return Flag(Raw(e.path).HasLeaf());
        if (op == "branch")
            return Text(P(e.path).GetBranch().GetPortablePath());
        if (op == "branch (raw)")
            return Text(Raw(e.path).GetBranch().GetPortablePath());
        if (op == "has branch")
            return Flag(P(e.path).HasBranch());
        if (op == "root")
            return Text(P(e.path).GetRootPath().GetPortablePath());
        if (op == "relative part")
            return Text(P(e.path).GetRelativePath().GetPortablePath());
        if (op == "partial")
            return Text(P(e.path).GetPartialPath(std::stoi(arg)).GetPortablePath());
        if (op == "components")
            return std::to_string(P(e.path).GetNumberOfComponents());
        if (op == "leaf start (raw)")
            return std::to_string(Raw(e.path).GetLeafStartPosition());
        if (op == "relative from")
            return Text(P(e.path).GetRelativePathFrom(P(arg)).GetPortablePath());
        if (op == "join")
            return Text((P(e.path) / P(arg)).GetPortablePath());
        if (op == "join in place") {
            GPathName path = P(e.path);
            path /= P(arg);
            return Text(path.GetPortablePath());
        }
        if (op == "append") {
            GPathName path = P(e.path);
            path.Append(U(arg));
            return Text(path.GetPortablePath());
        }
        if (op == "replace leaf") {
            GPathName path = P(e.path);
            path.ReplaceLeaf(U(arg));
            return Text(path.GetPortablePath());
        }
        if (op == "replace extension") {
            GPathName path = P(e.path);
            path.ReplaceExtension(U(arg));
            return Text(path.GetPortablePath());
        }
        if (op == "replace leaf without extension") {
            GPathName path = P(e.path);
            path.ReplaceLeafWithoutExtension(U(arg));
            return Text(path.GetPortablePath());
        }
        if (op == "starts with")
            return Flag(P(e.path).StartsWith(P(arg)));
        if (op == "starts with (raw)")
            return Flag(P(e.path).StartsWith(Raw(arg)));
        if (op == "equals")
            return Flag(P(e.path) == P(arg));
        if (op == "same hash")
            return Flag(P(e.path).GetHash() == P(arg).GetHash());
        if (op == "to colon")
            return Text(P(e.path).GetCFMPathString());
        if (op == "from colon") {
            GPathName path;
            path.SetCFMPathString(U(e.path));
            return Text(path.GetPortablePath());
        }
        if (op == "to DI")
            return Text(P(e.path).GetDIPathString());
        if (op == "from DI") {
            GPathName path;
            path.SetDIPathString(U(e.path));
            return Text(path.GetPortablePath());
        }
        if (op == "to Win32")
            return Text(P(e.path).GetWin32PathString());
        if (op == "from Win32") {
            GPathName path;
            path.SetWin32PathString(U(e.path));
            return Text(path.GetPortablePath());
        }
        if (op == "to UNC")
            return Text(P(e.path).GetUNCPathString());
        if (op == "URL")
            return Text(P(e.path).GetURLPathString());
        if (op == "make root") {
            GPathName path = P(e.path);
            path.MakeRootDirectory();
            return Text(path.GetPortablePath());
        }
        if (op == "volume part")
            return std::to_string(P(e.path).GetVolumePathLength());
        if (op == "volume name")
            return Text(P(e.path).GetVolumeName());
        if (op == "Mach-O volume")
            return Text(PMacPathNameImpBase::GetMachOVolumeName(U(e.path)));
        if (op == "colon volume")
            return Text(PMacPathNameImpBase::GetCFMVolumeName(U(e.path)));
        if (op == "check")
            return std::to_string(GPathName::CheckCrossPlatformString(U(e.path)));
        if (op == "valid name") {
            // The argument: the kinds in decimal, then the replacement character.
            const char16_t replacement = static_cast<char16_t>(arg.back());
            return Text(GPathName::CreateValidFileName(U(e.path), std::stoi(arg), replacement));
        }
    } catch (GException const& error) {
        return "throws " + std::to_string(error.GetExceptionID());
    }
    ADD_FAILURE() << "unknown operation " << op;
    return "";
}

const Example cExamples[] = {
    // Normalisation.
    {"normalise", "a/./b", "", "a/b"},
    {"normalise", "a/b/../c", "", "a/c"},
    {"normalise", "/a/", "", "/a"},
    {"normalise", "/", "", "/"},
    {"normalise", "../a", "", "../a"},
    {"normalise", "/../a", "", "/../a"},
    {"normalise", "a//b", "", "a//b"},
    {"normalise", ".", "", ""},
    {"normalise", "", "", ""},
    {"normalise", "a/../..", "", ".."},
    {"normalise", "a/..", "", ""},
    {"normalise", "a/b/../../..", "", ".."},
    {"normalise", "../../a/..", "", "../.."},
    {"normalise", "a//..", "", "a//.."},
    {"normalise", "./", "", ""},
    {"normalise", "//", "", "/"},
    {"normalise", "///a", "", "///a"},
    {"normalise", ".a/..b/...", "", ".a/..b/..."},
    // An absolute path that folds back to its root stays absolute.
    {"normalise", "/a/..", "", "/"},
    {"normalise", "/.", "", "/"},
    {"normalise", "/a/b/../..", "", "/"},
    // A relative path never becomes absolute, and trailing separators all go.
    {"normalise", "x/..//y", "", "y"},
    {"normalise", ".//a", "", "a"},
    {"normalise", "a/..//etc/passwd", "", "etc/passwd"},
    {"normalise", "a//", "", "a"},
    {"normalise", "/a///", "", "/a"},
    {"normalise", "Grüße/./ファイル", "", "Grüße/ファイル"},

    // Leaf, extension, branch.
    {"leaf", "/a/b.pdf", "", "b.pdf"},
    {"leaf", "/", "", ""},
    {"leaf", "", "", ""},
    {"leaf without extension", "a.b.c", "", "a.b"},
    {"leaf without extension", ".profile", "", ".profile"},
    {"leaf without extension", "a.", "", "a"},
    {"leaf without extension", "noext", "", "noext"},
    {"extension", "a.b.c", "", "c"},
    {"extension", "a.", "", ""},
    {"has extension", "a.", "", "true"},
    {"extension", ".profile", "", ""},
    {"has extension", ".profile", "", "false"},
    {"has extension", "/x/y", "", "false"},
    {"has leaf (raw)", "a/", "", "false"},
    {"branch (raw)", "a/", "", "a"},
    {"branch", "/a", "", "/"},
    {"branch", "a", "", ""},
    {"branch", "x/y", "", "x"},
    {"branch", "/a/b/c", "", "/a/b"},
    {"branch", "/", "", "/"},
    {"has branch", "a", "", "false"},
    {"has branch", "/a", "", "true"},
    {"has branch", "/", "", "true"},
    {"has branch", "", "", "false"},
    {"root", "/a/b", "", "/"},
    {"root", "a/b", "", ""},
    {"relative part", "/a/b", "", "a/b"},
    {"relative part", "/", "", ""},
    {"relative part", "a/b", "", "a/b"},
    {"partial", "/a/b", "-1", "/a/b"},
    {"partial", "/a/b", "0", ""},
    {"partial", "/a/b", "1", "/"},
    {"partial", "/a/b", "3", "/a"},
    {"components", "/", "", "0"},
    {"components", "a", "", "1"},
    {"components", "/a/b", "", "2"},
    {"components", "/Volumes/Disk/a", "", "1"},
    {"components", "/Volumes/Disk", "", "0"},
    {"components", "/VolumesX/a/b", "", "3"},
    {"components", "", "", "0"},
    {"leaf start (raw)", "/a/b", "", "3"},
    {"leaf start (raw)", "/a/", "", "-1"},
    {"leaf start (raw)", "name", "", "0"},
    {"leaf start (raw)", "", "", "-1"},

    // Relative paths.
    {"relative from", "/a/b", "/a/c/d", "../../b"},
    {"relative from", "/A/B", "/a", "B"},
    {"relative from", "/a/b", "/a/b", ""},
    {"relative from", "/a", "/a/b/c", "../.."},
    {"relative from", "/x/y", "/", "x/y"},
    {"relative from", "/a//b", "/a/b/c", ".."},
    {"relative from", "a/b", "/a", "throws 40067"},
    {"relative from", "/a/b", "a", "throws 40067"},

    // Joining.
    {"join", "/a", "", "/a"},
    {"join", "", "b", "b"},
    {"join", "/a", "b/c", "/a/b/c"},
    {"join", "/", "b", "/b"},
    {"join", "/a/b", "../c", "/a/c"},
    {"join", "/a", "../..", "/.."},
    {"join", "a", "..", ""},
    {"join", "/a", "/b", "throws 40066"},
    {"join in place", "/a", "/b", "throws 40066"},
    {"join in place", "a", "b", "a/b"},
    {"append", "/a", "b/./c/", "/a/b/c"},
    {"append", "", "./x", "x"},
    {"append", "/a", "", "/a"},

    // Replacing the leaf and the extension.
    {"replace leaf", "/a", "n", "/n"},
    {"replace leaf", "a", "n", "n"},
    {"replace leaf", "x/y", "n", "x/n"},
    {"replace leaf", "/a/b.pdf", "c.txt", "/a/c.txt"},
    {"replace extension", "/a/b.pdf", "txt", "/a/b.txt"},
    {"replace extension", "a.", "txt", "a.txt"},
    {"replace extension", ".profile", "bak", ".profile.bak"},
    {"replace extension", "name", "txt", "name.txt"},
    {"replace extension", "/", "txt", "/"},
    {"replace leaf without extension", "/a/b.pdf", "c", "/a/c.pdf"},
    {"replace leaf without extension", "/a/b", "c", "/a/c"},

    // Prefixes, equality, hash.
    {"starts with", "/a/b", "/a", "true"},
    {"starts with", "/A/b", "/a", "true"},
    {"starts with", "/ab", "/a", "false"},
    {"starts with", "/a", "/a/b", "false"},
    {"starts with", "/a", "/A", "true"},
    {"starts with", "/a/b", "/", "true"},
    {"starts with (raw)", "/a/b", "/a/", "true"},
    {"starts with", "/a/b", "", "false"},
    {"equals", "x", "X", "true"},
    {"same hash", "x", "X", "true"},
    {"equals", "/A/b", "/a/B", "true"},
    {"same hash", "/A/b", "/a/B", "true"},
    {"equals", "/Straße/Ä", "/straße/ä", "true"},
    {"same hash", "/Straße/Ä", "/straße/ä", "true"},
    {"equals", "/a/b", "/a/c", "false"},
    {"equals", "/a", "/a/", "true"},

    // The colon form.
    {"to colon", "/Users/me/a.pdf", "", "Macintosh HD:Users:me:a.pdf"},
    {"to colon", "/", "", "Macintosh HD:"},
    {"to colon", "a/b", "", ":a:b"},
    {"to colon", "../x", "", "::x"},
    {"to colon", "a", "", "a"},
    {"to colon", "..", "", "::"},
    {"to colon", "", "", ""},
    {"to colon", "/Volumes/Data/x:y", "", "Data:x/y"},
    {"to colon", "/Volumes/Data", "", "Data:"},
    {"to colon", "/a/..", "", "Macintosh HD:"},
    {"from colon", "Macintosh HD:Users:me:a.pdf", "", "/Users/me/a.pdf"},
    {"from colon", "Macintosh HD:", "", "/"},
    {"from colon", ":a:b", "", "a/b"},
    {"from colon", "::x", "", "../x"},
    {"from colon", "a", "", "a"},
    {"from colon", "Data:x/y", "", "/Volumes/Data/x:y"},
    {"from colon", "Backup Disk:f", "", "/mnt/Backup Disk/f"},
    {"from colon", "usb:f", "", "/Volumes/usb/f"},
    {"from colon", "a/b:f", "", "/run/a:b/f"},
    {"from colon", "proc:self", "", "/Volumes/proc/self"},
    {"from colon", "Elsewhere:f", "", "/Volumes/Elsewhere/f"},
    {"from colon", "Data:a::b:", "", "/Volumes/Data/b"},

    // The device-independent form.
    {"from DI", "/Data/a\\/b", "", "/Volumes/Data/a:b"},
    {"to DI", "/Volumes/Data/a:b", "", "/Data/a\\/b"},
    {"to DI", "/Users/x", "", "/Macintosh HD/Users/x"},
    {"to DI", "/", "", "/Macintosh HD"},
    {"to DI", "", "", "./"},
    {"to DI", "..", "", "../"},
    {"to DI", "a:b/c", "", "a\\/b/c"},
    {"from DI", "/Macintosh HD/Users/x", "", "/Users/x"},
    {"from DI", "/Macintosh HD", "", "/"},
    {"from DI", "./", "", ""},
    {"from DI", "../", "", ".."},
    {"from DI", "http://host/x", "", "throws 40090"},
    {"from DI", "ftp://host/x", "", "throws 40090"},
    {"to DI", "/run/a:b/f", "", "/Macintosh HD/run/a\\/b/f"},

    // Win32, UNC, URL, the root.
    {"to Win32", "/a/b", "", "\\a\\b"},
    {"from Win32", "\\a\\b", "", "/a/b"},
    {"from Win32", "\\\\?\\C:\\x", "", "C:/x"},
    {"from Win32", "\\\\?\\UNC\\server\\share", "", "/server/share"},
    {"to UNC", "/a/b", "", "/a/b"},
    {"URL", "/a b/c&d", "", "file:///a%20b/c&amp;d"},
    {"make root", "a/b", "", "/a/b"},
    {"make root", "../a", "", "throws 40068"},
    {"make root", "", "", "/"},
    {"make root", "/x", "", "/x"},
    {"check", "a:b", "", "1"},
    {"check", "ab", "", "-1"},

    // Volumes.
    {"volume part", "/Volumes/Data", "", "13"},
    {"volume part", "/Volumes/Data/x", "", "13"},
    {"volume part", "/Users/x", "", "1"},
    {"volume part", "a/b", "", "0"},
    {"volume part", "/volumes/Data/x", "", "1"},
    {"volume name", "/Volumes/Data/x", "", "Data"},
    {"volume name", "/Users/x", "", "Macintosh HD"},
    {"Mach-O volume", "No/Such", "", "/Volumes/No:Such"},
    {"Mach-O volume", "Macintosh HD", "", "/"},
    {"Mach-O volume", "", "", ""},
    {"colon volume", "/", "", "Macintosh HD"},
    {"colon volume", "/Volumes/a:b", "", "a/b"},
    {"colon volume", "", "", ""},

    // Valid file names: the kinds are bits (1 colon, 2 Mach-O, 4 Win32, 8 UNIX).
    {"valid name", "a:b/c\\d*e", "4-", "a-b-c-d-e"},
    {"valid name", "a:b/c", "3-", "a-b-c"},
    {"valid name", "a:b/c", "9-", "a-b-c"},
    {"valid name", "a:b/c", "1-", "a-b/c"},
    {"valid name", "a:b/c", "2-", "a:b-c"},
    {"valid name", ".", "2-", "-"},
    {"valid name", "..", "2-", "--"},
    {"valid name", "", "2-", "-"},
    {"valid name", "..", "2.", "__"},
    {"valid name", "a/b", "2/", "a_b"},
    {"valid name", "...", "2-", "..."},
};

}  // namespace

TEST_F(PathNames, Examples) {
    for (Example const& e : cExamples)
        EXPECT_EQ(Apply(e), e.expected) << e.operation << " of \"" << e.path << "\" with \"" << e.argument << "\"";
}

TEST_F(PathNames, ValidNameDropsZeroUnits) {
    const char16_t units[] = {u'a', 0, u'b'};
    const GString name(reinterpret_cast<unsigned char const*>(units), 6, GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Text(GPathName::CreateValidFileName(name, GPathName::kMachOFileName, u'_')), "a_b");
}

// A valid name joined to a folder stays one component inside that folder, whatever it was.
TEST_F(PathNames, ValidNamesStayInTheirFolder) {
    const GPathName folder = P("/home/me/out");
    for (char const* name : {"", ".", "..", "../..", "a/../..", "/etc", "x"}) {
        const GPathName joined = folder / GPathName(GPathName::CreateValidFileName(U(name), GPathName::kUNIXFileName, u'_'));
        EXPECT_TRUE(joined.GetBranch() == folder) << name << " gave " << Text(joined.GetPortablePath());
    }
}

TEST_F(PathNames, NormalisingTwiceChangesNothing) {
    for (char const* text : {"a//", "x/..//y", "/a/..", "a//..", "../../a/./b/", "//", "././/.", "a/./../b//c/"}) {
        const GPathName once = P(text);
        const GPathName twice(once.GetPortablePath());
        EXPECT_EQ(Text(twice.GetPortablePath()), Text(once.GetPortablePath())) << text;
        EXPECT_EQ(once.IsRelative(), P(text).IsRelative());
    }
}

TEST_F(PathNames, ColonAndDIFormsRoundTrip) {
    for (char const* text : {"/Users/me/a.pdf", "/", "a/b", "../x", "a", "..", "", "/Volumes/Data/x:y", "/Volumes/Data",
                             "/Volumes/Elsewhere/f", "/run/a:b/f", "../../a", "/.. /x", "/mnt/Backup Disk/f", "Grüße/ü"}) {
        const GPathName path = P(text);
        GPathName colon;
        colon.SetCFMPathString(path.GetCFMPathString());
        EXPECT_EQ(Text(colon.GetPortablePath()), Text(path.GetPortablePath())) << "colon form of " << text;
        GPathName di;
        di.SetDIPathString(path.GetDIPathString());
        EXPECT_EQ(Text(di.GetPortablePath()), Text(path.GetPortablePath())) << "DI form of " << text;
        GPathName win32;
        win32.SetWin32PathString(path.GetWin32PathString());
        EXPECT_EQ(Text(win32.GetPortablePath()), Text(path.GetPortablePath())) << "Win32 form of " << text;
    }
}

TEST_F(PathNames, URLOfARelativePathStartsAtTheCurrentFolder) {
    char folder[4096];
    ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
    const std::string url = Text(P("x y").GetURLPathString());
    EXPECT_EQ(url.rfind("file://" + std::string(folder), 0), 0u) << url;
    EXPECT_EQ(url.substr(url.size() - 6), "/x%20y");
}

TEST_F(PathNames, AssignmentAndCopiesKeepTheText) {
    GPathName a = P("/a/b");
    a.Pin();
    GPathName b = P("c");
    b = a;
    EXPECT_EQ(Text(b.GetPortablePath()), "/a/b");
    EXPECT_EQ(a.GetPinCount(), 1u);
    EXPECT_EQ(b.GetPinCount(), 0u);
    b.Clear();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_TRUE(b.IsRelative());
    EXPECT_TRUE(GPathName::cEmptyPathName.IsEmpty());
}

TEST_F(PathNames, TextsInAnyEncodingBecomeTheSamePath) {
    StartFoundation();
    const GPathName fromASCII("/a/./b");
    const GPathName fromUTF8(GString("/a/./b", GUTF8Encoding::GetInstance()));
    const GPathName fromMacRoman(GString("/a/./b", GMacRomanEncoding::GetInstance()));
    EXPECT_EQ(Text(fromASCII.GetPortablePath()), "/a/b");
    EXPECT_TRUE(fromASCII == fromUTF8);
    EXPECT_TRUE(fromASCII == fromMacRoman);
    EXPECT_EQ(fromASCII.GetHash(), fromMacRoman.GetHash());
    // The caller's text keeps its encoding.
    const GString macRoman("/a/./b", GMacRomanEncoding::GetInstance());
    const GPathName path(macRoman);
    EXPECT_EQ(macRoman.GetEncoding().Get(), GMacRomanEncoding::GetInstance());
}

TEST_F(PathNames, LongPathsNormaliseBeyondTheStackScratch) {
    std::string text = "/";
    std::string expected = "/";
    for (int i = 0; i < 400; ++i) {
        text += "d" + std::to_string(i) + "/./x/../";
        expected += (i > 0 ? "/d" : "d") + std::to_string(i);
    }
    EXPECT_EQ(Text(P(text).GetPortablePath()), expected);
    const GPathName deep = P(expected);
    EXPECT_EQ(Text(deep.GetRelativePathFrom(P("/d0/other")).GetPortablePath()).substr(0, 6), "../d1/");
    EXPECT_EQ(deep.GetNumberOfComponents(), 400);
    // Joined to an empty path, the long path is normalised on its own.
    EXPECT_EQ(Text((GPathName() / P(text.substr(1))).GetPortablePath()), expected.substr(1));
    GPathName empty;
    empty.Append(U(text.substr(1)));
    EXPECT_EQ(Text(empty.GetPortablePath()), expected.substr(1));
}

// The hash is the string hash of the lower-cased text, computed without a copy.
TEST_F(PathNames, HashIsTheStringHashOfTheLowerCasedText) {
    for (char const* text : {"", "/", "a", "/Ab", "/ABC", "/Users/Me/Grüße.PDF", "/𐐀/Ä𐐀b", "/x\xED\xA0\x80y"}) {
        const GPathName path = P(text);
        GString lower = path.GetPortablePath();
        lower.ToLower();
        EXPECT_EQ(path.GetHash(), lower.GetHash()) << text;
    }
    EXPECT_EQ(P("/𐐀").GetHash(), P("/𐐨").GetHash());
    EXPECT_TRUE(P("/𐐀") == P("/𐐨"));
}
