#include "mac/paths/PMachOPathNameImp.h"

#include <cstring>

#include "core/base/GException.h"
#include "mac/paths/PMacPathText.h"

namespace {

// The unit at index i of a UTF-16 text, or 0 past its end.
char16_t UnitAt(GString const& text, int i) {
    if (text.IsEmpty())
        return 0;
    text.EnsureUnicode();
    GBuffer const& bytes = text.GetEncodedBuffer();
    if (i < 0 || 2 * i + 1 >= bytes.GetLength())
        return 0;
    char16_t unit;
    std::memcpy(&unit, bytes.GetPtr() + 2 * i, 2);
    return unit;
}

}  // namespace

bool PMachOPathNameImp::IsRelative() const { return UnitAt(GetPortablePath(), 0) != u'/'; }

bool PMachOPathNameImp::HasRootDirectory() const { return !IsRelative(); }

int PMachOPathNameImp::GetRootDirectoryLength() const { return IsRelative() ? 0 : 1; }

int PMachOPathNameImp::GetLeafStartPosition() const {
    GString const& text = GetPortablePath();
    if (text.IsEmpty())
        return -1;
    const int last = text.FindLast(u'/');
    if (last < 0)
        return 0;
    return 2 * (last + 1) == text.GetEncodedBuffer().GetLength() ? -1 : last + 1;
}

uint32_t PMachOPathNameImp::GetHash() const {
    GString const& text = GetPortablePath();
    if (text.IsEmpty())
        return PMacPathText::HashIgnoringCase(nullptr, 0);
    // The setters keep the text in UTF-16, so this converts nothing and cannot fail.
    text.EnsureUnicode();
    GBuffer const& bytes = text.GetEncodedBuffer();
    return PMacPathText::HashIgnoringCase(bytes.GetPtr(), static_cast<std::size_t>(bytes.GetLength() / 2));
}

void PMachOPathNameImp::MakeRootDirectory() {
    const std::u16string text = PMacPathText::Units(GetPortablePath());
    if (!text.empty() && text[0] == u'/')
        return;
    if (text.compare(0, 2, u"..") == 0)
        throw GSimpleException(kInvalidPath);
    SetCrossPlatformString(PMacPathText::FromUnits(u"/" + text));
}

void PMachOPathNameImp::SetCrossPlatformRootPathString(GString const&) { MakeRootDirectory(); }
