// GPathName read in every form it takes (portable, colon, device-independent, Win32, UNC,
// native), and the operations on what comes out: no crash, and the invariants that hold:
// - normalising again changes nothing, and normalising never turns a relative path absolute;
// - no "." component is left, and ".." stays only where nothing can be taken back;
// - the colon, device-independent and Win32 forms read back to the same path (for paths without
//   double separators, and without backslashes for the forms that escape with them);
// - branch joined with leaf gives the path again; paths that differ in ASCII case are equal and
//   hash alike; a valid file name stays one component inside its folder;
// - for two absolute paths a and b, b joined with a's path relative to b is a again.
//
// Input: byte 0 picks the form (bits 0-2) and the kinds of file name (bits 3-6), byte 1 is the
// replacement character; the rest is UTF-8 text, split at its first newline into a path and a
// second path for the relative-path check.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/base/GException.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "mac/paths/PMacPathNameImpBase.h"
#include "mac/paths/PMacPathText.h"
#include "services/paths/GPathName.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::u16string Units(GPathName const& path) { return PMacPathText::Units(path.GetPortablePath()); }

bool IsRelativeText(std::u16string const& text) { return text.empty() || text[0] != u'/'; }

bool HasDoubleSeparator(std::u16string const& text) { return text.find(u"//") != std::u16string::npos; }

// Whether the path lies on a /Volumes folder that the colon or DI form names like another
// volume: the boot volume's name stands for "/".
bool NamesBootVolume(std::u16string const& text) {
    const std::u16string boot = PMacPathText::Units(GString(PMacPathNameImpBase::cBootVolumeName));
    const std::u16string prefix = u"/Volumes/" + boot;
    return text.compare(0, prefix.size(), prefix) == 0 && (text.size() == prefix.size() || text[prefix.size()] == u'/');
}

void CheckNormalised(GPathName const& path, bool wasRelative) {
    const std::u16string text = Units(path);
    Check(Units(GPathName(path.GetPortablePath())) == text);
    Check(IsRelativeText(text) == wasRelative || text.empty());
    Check(path.IsRelative() == IsRelativeText(text));
    std::u16string previous;
    bool first = true;
    std::size_t b = 0;
    for (;;) {
        const std::size_t e = std::min(text.find(u'/', b), text.size());
        const std::u16string part = text.substr(b, e - b);
        Check(part != u".");
        if (part == u".." && !first)
            Check(previous == u".." || previous.empty());
        previous = part;
        first = false;
        if (e == text.size())
            break;
        b = e + 1;
    }
}

void CheckForms(GPathName const& path) {
    const std::u16string text = Units(path);
    if (HasDoubleSeparator(text) || NamesBootVolume(text))
        return;
    GPathName colon;
    colon.SetCFMPathString(path.GetCFMPathString());
    Check(Units(colon) == text);
    if (text.find(u'\\') != std::u16string::npos)
        return;
    GPathName di;
    di.SetDIPathString(path.GetDIPathString());
    Check(Units(di) == text);
    GPathName win32;
    win32.SetWin32PathString(path.GetWin32PathString());
    Check(Units(win32) == text);
}

void CheckComponents(GPathName const& path) {
    (void)path.GetExtension();
    (void)path.GetLeafWithoutExtension();
    (void)path.HasExtension();
    (void)path.GetNumberOfComponents();
    (void)path.GetRootPath();
    (void)path.GetRelativePath();
    (void)path.GetUNCPathString();
    (void)path.GetVolumeName();
    (void)path.HasBranch();
    const std::u16string text = Units(path);
    if (!path.HasLeaf() || HasDoubleSeparator(text))
        return;
    const GPathName branch = path.GetBranch();
    Check(path.StartsWith(branch) || branch.IsEmpty());
    const GPathName joined = branch / GPathName(path.GetLeaf());
    Check(Units(joined) == text);
}

void CheckCase(std::string const& utf8, GPathName const& path) {
    std::string upper = utf8;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    const GPathName other(GString(upper.c_str(), GUTF8Encoding::GetInstance()));
    Check(other == path);
    Check(other.GetHash() == path.GetHash());
}

void CheckValidName(GString const& name, int kinds, char16_t replacement) {
    // A colon-only name may hold "/", which the portable form reads as a separator.
    if (kinds == GPathName::kCFMFileName)
        return;
    const GString valid = GPathName::CreateValidFileName(name, kinds, replacement);
    const GPathName folder("/base/folder");
    const GPathName joined = folder / GPathName(valid);
    Check(Units(joined.GetBranch()) == Units(folder));
    Check(PMacPathText::Units(joined.GetLeaf()) == PMacPathText::Units(valid));
}

void CheckRelative(GPathName const& a, GPathName const& b) {
    const std::u16string ta = Units(a);
    const std::u16string tb = Units(b);
    if (a.IsRelative() || b.IsRelative()) {
        try {
            (void)a.GetRelativePathFrom(b);
            Check(false);
        } catch (GException const& error) {
            Check(error.GetExceptionID() == GPathName::kPathNotAbsolute);
        }
        return;
    }
    const GPathName relative = a.GetRelativePathFrom(b);
    Check(relative.IsRelative());
    // Taking ".." back and dropping empty components hold only without them.
    if (ta.find(u"..") != std::u16string::npos || tb.find(u"..") != std::u16string::npos || HasDoubleSeparator(ta) ||
        HasDoubleSeparator(tb))
        return;
    Check(b / relative == a);
}

GPathName Read(GString const& text, int form) {
    GPathName path;
    switch (form) {
    case 1:
        path.SetCFMPathString(text);
        break;
    case 2:
        path.SetDIPathString(text);
        break;
    case 3:
        path.SetWin32PathString(text);
        break;
    case 4:
        path.SetUNCPathString(text);
        break;
    case 5:
        path.SetNativePathString(text);
        break;
    default:
        path.SetCrossPlatformString(text);
        break;
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 2 || size > 4096)
        return 0;
    StartFoundation();
    static bool const fTableSet = [] {
        // No mounted volumes: every name reads back to its own /Volumes folder.
        PMacPathNameImpBase::SetMountTableFile("/dev/null");
        return true;
    }();
    (void)fTableSet;
    const int form = data[0] & 7;
    const int kinds = (data[0] >> 3) & 15;
    const char16_t replacement = data[1];
    const std::string input(reinterpret_cast<char const*>(data + 2), size - 2);
    const std::size_t newline = input.find('\n');
    const std::string first = input.substr(0, newline);
    const std::string second = newline == std::string::npos ? std::string() : input.substr(newline + 1);

    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    const GString text(first.c_str(), utf8);
    GPathName path;
    try {
        path = Read(text, form);
    } catch (GException const& error) {
        Check(form == 2 && error.GetExceptionID() == GPathName::kURLNotSupported);
        return 0;
    }
    if (form == 0 || form == 4 || form == 5) {
        const std::u16string units = PMacPathText::Units(text);
        CheckNormalised(path, IsRelativeText(units));
    } else {
        CheckNormalised(path, path.IsRelative());
    }
    CheckForms(path);
    CheckComponents(path);
    if (form == 0)
        CheckCase(first, path);
    CheckValidName(text, kinds, replacement);
    CheckRelative(path, GPathName(GString(second.c_str(), utf8)));
    return 0;
}
