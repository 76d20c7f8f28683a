#include "services/paths/GPathName.h"

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/paths/PMacColonPath.h"
#include "mac/paths/PMacPathText.h"
#include "mac/system/PUNIXSystemException.h"
#include "standin/StandinPathParts.h"

const GPathName GPathName::cEmptyPathName;

namespace {

constexpr char16_t cSlash = u'/';
constexpr char16_t cPoint = u'.';
constexpr char16_t cBackslash = u'\\';
// The volume prefix in front of the root is empty on this platform.
constexpr int cVolumePrefixLength = 0;

// Scratch held on the stack when short, so the hot operations do not allocate for it.
template <class T>
class SmallBuffer {
public:
    SmallBuffer() = default;
    SmallBuffer(SmallBuffer const&) = delete;
    SmallBuffer& operator=(SmallBuffer const&) = delete;

    T* Reserve(std::size_t n) {
        if (n > cSmall) {
            mLarge.reset(new T[n]);
            mData = mLarge.get();
        }
        return mData;
    }
    T* Data() { return mData; }

private:
    static constexpr std::size_t cSmall = 256;
    T mSmall[cSmall];
    std::unique_ptr<T[]> mLarge;
    T* mData = mSmall;
};

using UnitBuffer = SmallBuffer<char16_t>;

bool IsUnicodeText(GString const& text) {
    GEncoding const* encoding = text.GetEncoding().Get();
    return encoding != nullptr &&
           (encoding == GUnicodeEncoding::GetInstance() || dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr);
}

// The UTF-16 units of a GString, read in place when they are aligned (owned blocks are), else
// copied out. A text in another encoding is converted in a copy, so the caller's string keeps
// its form; the string must outlive this view.
class UnitText {
public:
    explicit UnitText(GString const& text) {
        if (text.IsEmpty()) {
            mUnits = mBuffer.Data();
            return;
        }
        GString const* unicode = &text;
        if (!IsUnicodeText(text)) {
            mConverted = text;
            mConverted.EnsureUnicode();
            unicode = &mConverted;
        }
        GBuffer const& bytes = unicode->GetEncodedBuffer();
        mLength = bytes.GetLength() / 2;
        unsigned char const* data = bytes.GetPtr();
        if (reinterpret_cast<std::uintptr_t>(data) % alignof(char16_t) == 0) {
            mUnits = reinterpret_cast<char16_t const*>(data);
            return;
        }
        char16_t* copy = mBuffer.Reserve(static_cast<std::size_t>(mLength));
        if (mLength > 0)
            std::memcpy(copy, data, static_cast<std::size_t>(mLength) * 2);
        mUnits = copy;
    }
    UnitText(UnitText const&) = delete;
    UnitText& operator=(UnitText const&) = delete;

    char16_t const* Data() const { return mUnits; }
    int Length() const { return mLength; }

private:
    GString mConverted;
    UnitBuffer mBuffer;
    char16_t const* mUnits = nullptr;
    int mLength = 0;
};

// Whether normalising could change the text: a "." or ".." component, or a trailing separator.
bool MayNeedNormalizing(char16_t const* in, int n) {
    if (n == 0)
        return false;
    if (n > 1 && in[n - 1] == cSlash)
        return true;
    for (int i = 0; i < n; ++i) {
        if (in[i] != cPoint || (i > 0 && in[i - 1] != cSlash))
            continue;
        if (i + 1 == n || in[i + 1] == cSlash)
            return true;
        if (in[i + 1] == cPoint && (i + 2 == n || in[i + 2] == cSlash))
            return true;
    }
    return false;
}

// Copies in[b...] up to the next "/" (or the end) to out[o...], advancing b and o. Since o <= b
// always, a block of 8 units that lies inside in also fits into out.
inline void CopyComponent(char16_t const* in, int n, int& b, char16_t* out, int& o) {
#if defined(__SSE2__)
    const __m128i slash = _mm_set1_epi16(static_cast<short>(cSlash));
    while (b + 8 <= n) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<__m128i const*>(in + b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), block);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, slash)));
        if (mask != 0) {
            const int units = __builtin_ctz(mask) / 2;
            b += units;
            o += units;
            return;
        }
        b += 8;
        o += 8;
    }
#endif
    while (b < n && in[b] != cSlash)
        out[o++] = in[b++];
}

// Normalises in[0, n) into out (room for n units); returns the length written.
// A stack of components: "." is dropped, ".." drops the component before it unless that is
// empty or "..". A relative path never gains a root: an empty component at the bottom of a
// relative path's stack is dropped. Trailing empty components go, the root stays, and an
// absolute path that folds back to its root is "/".
int NormalizeUnits(char16_t const* in, int n, char16_t* out) {
    if (n == 0)
        return 0;
    const bool absolute = in[0] == cSlash;
    SmallBuffer<int> startsBuffer;
    // Start offsets (in out) of the kept components; there are at most n + 1 components.
    int* starts = startsBuffer.Reserve(static_cast<std::size_t>(n) + 2);
    int depth = 0;
    int o = 0;
    // Each component is copied while it is scanned, then taken back when it is dropped.
    for (int b = 0; b <= n; ++b) {
        if (depth > 0)
            out[o++] = cSlash;
        const int s = o;
        CopyComponent(in, n, b, out, o);
        const int length = o - s;
        const int back = depth > 0 ? s - 1 : s;
        if (length == 1 && out[s] == cPoint) {
            o = back;
            continue;
        }
        if (length == 2 && out[s] == cPoint && out[s + 1] == cPoint && depth > 0) {
            const int top = starts[depth - 1];
            const int topLength = back - top;
            if (topLength > 0 && !(topLength == 2 && out[top] == cPoint && out[top + 1] == cPoint)) {
                --depth;
                o = depth > 0 ? top - 1 : 0;
                continue;
            }
        }
        if (length == 0 && depth == 0 && !absolute) {
            o = back;
            continue;
        }
        starts[depth++] = s;
    }
    auto length = [&](int k) { return (k == depth - 1 ? o : starts[k + 1] - 1) - starts[k]; };
    while (depth >= 2 && length(depth - 1) == 0 && !(depth == 2 && length(0) == 0)) {
        --depth;
        o = starts[depth] - 1;
    }
    if (absolute && depth == 1) {
        out[0] = cSlash;
        o = 1;
    }
    return o;
}

GString Normalized(GString const& text) {
    if (text.IsEmpty())
        return GString();
    UnitText in(text);
    UnitBuffer out;
    const int n = NormalizeUnits(in.Data(), in.Length(), out.Reserve(static_cast<std::size_t>(in.Length())));
    return PMacPathText::FromUnits(out.Data(), static_cast<std::size_t>(n));
}

std::u16string Units(GString const& text) { return PMacPathText::Units(text); }

GString FromUnits(std::u16string const& units) { return PMacPathText::FromUnits(units); }

void ReplaceUnit(std::u16string& text, char16_t from, char16_t to) { std::replace(text.begin(), text.end(), from, to); }

bool StartsWithIgnoringCase(std::u16string const& text, char const* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t unit = text[i];
        if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit + 32);
        if (unit != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

// The unit positions of a leaf, as GetLeafStartPosition finds them, over copied units.
int LeafStart(std::u16string const& text) {
    if (text.empty())
        return -1;
    const std::size_t last = text.rfind(cSlash);
    if (last == std::u16string::npos)
        return 0;
    return last + 1 == text.size() ? -1 : static_cast<int>(last + 1);
}

GString CurrentFolder() {
    std::string folder;
    if (const int error = StandinPathParts::CurrentFolder(folder))
        throw PUNIXSystemException(error);
    return GString(folder.c_str(), GEncodingFallback::Get<GUTF8Encoding>(), false);
}

// A form of the path made by one of its conversions.
using Conversion = void (GPathName::*)(GString const&, GString&) const;

GString Converted(GPathName const& path, Conversion convert, GString const& text) {
    GString out;
    (path.*convert)(text, out);
    return out;
}

GString Converted(void (*convert)(GString const&, GString&), GString const& text) {
    GString out;
    convert(text, out);
    return out;
}

}  // namespace

// ---- Construction and state ----

GPathName::GPathName(GString const& text) { SetCrossPlatformString(text); }

GPathName::GPathName(char const* text) { SetCrossPlatformString(GString(text)); }

GPathName& GPathName::operator=(GPathName const& other) {
    PMachOPathNameImp::operator=(other);
    mPath = other.mPath;
    return *this;
}

GPathName& GPathName::operator=(GPathName&& other) noexcept {
    PMachOPathNameImp::operator=(other);
    mPath = std::move(other.mPath);
    return *this;
}

GPathName::~GPathName() = default;

void GPathName::SetPortablePath(GString const& text) {
    RemoveFSRef();
    mPath = text;
    mPath.EnsureUnicode();
}

void GPathName::SetCrossPlatformString(GString const& text) {
    RemoveFSRef();
    mPath = Normalized(text);
}

void GPathName::SetNormalizedUnits(char16_t const* units, int n) {
    RemoveFSRef();
    mPath = PMacPathText::FromUnits(units, static_cast<std::size_t>(n));
}

void GPathName::SetJoined(GString const& left, char16_t const* units, int n) {
    UnitText own(left);
    const int m = own.Length();
    if (n == 0) {
        SetNormalizedUnits(own.Data(), m);
        return;
    }
    if (m == 0) {
        UnitBuffer out;
        char16_t* o = out.Reserve(static_cast<std::size_t>(n));
        SetNormalizedUnits(o, NormalizeUnits(units, n, o));
        return;
    }
    const bool separator = own.Data()[m - 1] != cSlash;
    const int total = m + (separator ? 1 : 0) + n;
    UnitBuffer joined;
    char16_t* j = joined.Reserve(static_cast<std::size_t>(total));
    std::memcpy(j, own.Data(), static_cast<std::size_t>(m) * 2);
    if (separator)
        j[m] = cSlash;
    std::memcpy(j + total - n, units, static_cast<std::size_t>(n) * 2);
    UnitBuffer out;
    char16_t* o = out.Reserve(static_cast<std::size_t>(total));
    SetNormalizedUnits(o, NormalizeUnits(j, total, o));
}

GString GPathName::GetNormalizedPortablePathFrom(GString const& text) const { return Normalized(text); }

void GPathName::Clear() {
    RemoveFSRef();
    mPath.Clear();
}

int GPathName::CheckCrossPlatformString(GString const& text) { return text.Find(GString(":")); }

// ---- Forms ----

void GPathName::ConvertPortableToWin32(GString const& in, GString& out) const {
    std::u16string text = Units(in);
    ReplaceUnit(text, cSlash, cBackslash);
    out = FromUnits(text);
}

void GPathName::ConvertWin32ToPortable(GString const& in, GString& out) const {
    std::u16string text = Units(in);
    if (text.compare(0, 4, u"\\\\?\\") == 0) {
        text.erase(0, 4);
        // "\\?\UNC\server\share": the server keeps one leading separator.
        if (text.compare(0, 4, u"UNC\\") == 0)
            text.erase(0, 3);
    }
    ReplaceUnit(text, cBackslash, cSlash);
    out = FromUnits(text);
}

void GPathName::ConvertPortableToCFM(GString const& in, GString& out) const { out = PMacColonPath::FromPortable(in); }

void GPathName::ConvertCFMToPortable(GString const& in, GString& out) const { out = PMacColonPath::ToPortable(in); }

GString GPathName::GetNativePathString() const { return mPath; }

void GPathName::SetNativePathString(GString const& text) {
    SetCrossPlatformString(Converted(*this, &GPathName::ConvertNativeToPortable, text));
}

GString GPathName::GetMachOPathString() const { return Converted(*this, &GPathName::ConvertPortableToMachO, mPath); }

void GPathName::SetMachOPathString(GString const& text) {
    SetCrossPlatformString(Converted(*this, &GPathName::ConvertMachOToPortable, text));
}

GString GPathName::GetCFMPathString() const { return Converted(*this, &GPathName::ConvertPortableToCFM, mPath); }

void GPathName::SetCFMPathString(GString const& text) {
    SetCrossPlatformString(Converted(*this, &GPathName::ConvertCFMToPortable, text));
}

GString GPathName::GetWin32PathString() const { return Converted(*this, &GPathName::ConvertPortableToWin32, mPath); }

void GPathName::SetWin32PathString(GString const& text) {
    SetCrossPlatformString(Converted(*this, &GPathName::ConvertWin32ToPortable, text));
}

GString GPathName::GetUNCPathString() const { return Converted(ConvertPortableToUNCSpec, mPath); }

void GPathName::SetUNCPathString(GString const& text) { SetCrossPlatformString(text); }

GString GPathName::GetDIPathString() const { return Converted(ConvertPortableToDISpec, mPath); }

void GPathName::SetDIPathString(GString const& text) {
    const std::u16string units = Units(text);
    if (StartsWithIgnoringCase(units, "http://") || StartsWithIgnoringCase(units, "ftp://"))
        throw GSimpleException(kURLNotSupported);
    SetCrossPlatformString(Converted(ConvertDISpecToPortable, text));
}

GString GPathName::GetURLPathString() const {
    GPathName absolute(*this);
    if (absolute.IsRelative()) {
        absolute = GPathName(CurrentFolder());
        absolute.Append(mPath);
    }
    std::u16string text;
    for (char16_t unit : Units(absolute.mPath)) {
        if (unit == u' ')
            text += u"%20";
        else if (unit == u'&')
            text += u"&amp;";
        else
            text += unit;
    }
    std::u16string url = u"file://";
    if (text.empty() || text[0] != cSlash)
        url += cSlash;
    return FromUnits(url + text);
}

// ---- Components ----

GPathName GPathName::GetRootPath() const { return GetPartialPath(GetRootDirectoryLength()); }

GPathName GPathName::GetRelativePath() const {
    const std::u16string text = Units(mPath);
    return GPathName(FromUnits(text.substr(static_cast<std::size_t>(GetRootDirectoryLength()))));
}

GString GPathName::GetLeaf() const {
    const std::u16string text = Units(mPath);
    const int start = LeafStart(text);
    return start < 0 ? GString() : FromUnits(text.substr(static_cast<std::size_t>(start)));
}

GString GPathName::GetLeafWithoutExtension() const {
    const std::u16string leaf = Units(GetLeaf());
    const std::size_t point = leaf.rfind(cPoint);
    if (point == std::u16string::npos || point == 0)
        return FromUnits(leaf);
    return FromUnits(leaf.substr(0, point));
}

GString GPathName::GetExtension() const {
    const std::u16string leaf = Units(GetLeaf());
    const std::size_t point = leaf.rfind(cPoint);
    if (point == std::u16string::npos || point == 0 || point + 1 == leaf.size())
        return GString();
    return FromUnits(leaf.substr(point + 1));
}

bool GPathName::HasExtension() const {
    const std::u16string leaf = Units(GetLeaf());
    const std::size_t point = leaf.rfind(cPoint);
    return point != std::u16string::npos && point >= 1;
}

void GPathName::ReplaceLeaf(GString const& name) {
    std::u16string text = Units(mPath);
    const int start = LeafStart(text);
    if (start >= 0)
        text.erase(static_cast<std::size_t>(start >= 2 ? start - 1 : start));
    if (text.empty()) {
        // As the text is empty, the name is taken as it stands.
        SetPortablePath(name);
        return;
    }
    mPath = FromUnits(text);
    Append(name);
}

void GPathName::ReplaceExtension(GString const& extension) {
    std::u16string leaf = Units(GetLeaf());
    if (leaf.empty())
        return;
    const std::u16string ext = Units(extension);
    const std::size_t point = leaf.rfind(cPoint);
    if (point != std::u16string::npos && point + 1 == leaf.size())
        leaf += ext;
    else if (point != std::u16string::npos && point > 0)
        leaf = leaf.substr(0, point) + u"." + ext;
    else
        leaf += u"." + ext;
    ReplaceLeaf(FromUnits(leaf));
}

void GPathName::ReplaceLeafWithoutExtension(GString const& name) {
    const GString extension = GetExtension();
    if (extension.IsEmpty())
        ReplaceLeaf(name);
    else
        ReplaceLeaf(name + GString(".") + extension);
}

bool GPathName::HasBranch() const {
    const int start = GetLeafStartPosition();
    return start != -1 ? start > 0 : HasRootDirectory();
}

GPathName GPathName::GetBranch() const { return GetPartialPath(GetLeafStartPosition()); }

GPathName GPathName::GetPartialPath(int n) const {
    if (n == -1)
        return GPathName(mPath);
    if (n <= 0)
        return GPathName();
    const std::u16string text = Units(mPath);
    const std::size_t count = n == 1 ? 1 : static_cast<std::size_t>(n - 1);
    return GPathName(FromUnits(text.substr(0, count)));
}

int GPathName::GetNumberOfComponents() const {
    GPathName path = GPathName(mPath);
    int count = 0;
    for (;;) {
        const int length = path.mPath.GetEncodedBuffer().GetLength() / 2;
        if (length <= path.GetRootDirectoryLength())
            break;
        GPathName branch = path.GetBranch();
        // A branch is always shorter; the guard keeps an odd text from looping.
        if (branch.mPath.GetEncodedBuffer().GetLength() / 2 >= length)
            break;
        path = branch;
        ++count;
    }
    const std::u16string text = Units(mPath);
    if (text == u"/Volumes" || text.compare(0, 9, u"/Volumes/") == 0)
        return count < 3 ? 0 : count - 2;
    return count;
}

bool GPathName::StartsWith(GPathName const& other) const {
    const std::u16string own = Units(mPath);
    const std::u16string prefix = Units(other.mPath);
    const std::size_t n = own.size();
    const std::size_t m = prefix.size();
    if (m == n)
        return *this == other;
    if (m < 1 || m > n)
        return false;
    const std::size_t at = prefix.back() == cSlash ? m - 1 : m;
    if (own[at] != cSlash)
        return false;
    // Both sides as paths: an other that ends with "/" (a raw text) then still matches.
    return GPathName(FromUnits(own.substr(0, m))) == GPathName(other.mPath);
}

GPathName GPathName::GetRelativePathFrom(GPathName const& base) const {
    if (IsRelative() || base.IsRelative())
        throw GSimpleException(kPathNotAbsolute);
    static_assert(cVolumePrefixLength == 0, "volume prefixes are compared when the platform has them");
    UnitText own(mPath);
    UnitText from(base.mPath);
    // Components as [begin, end) pairs, empty ones dropped; a text of n units has at most
    // n / 2 + 1 non-empty components.
    struct Parts {
        explicit Parts(UnitText const& text) {
            char16_t const* units = text.Data();
            const int n = text.Length();
            int* bounds = mBounds.Reserve(static_cast<std::size_t>(n) + 2);
            for (int b = 0; b <= n;) {
                int e = b;
                while (e < n && units[e] != cSlash)
                    ++e;
                if (e > b) {
                    bounds[2 * mCount] = b;
                    bounds[2 * mCount + 1] = e;
                    ++mCount;
                }
                b = e + 1;
            }
        }
        int Begin(std::size_t i) { return mBounds.Data()[2 * i]; }
        int End(std::size_t i) { return mBounds.Data()[2 * i + 1]; }
        std::size_t size() const { return mCount; }

        SmallBuffer<int> mBounds;
        std::size_t mCount = 0;
    };
    Parts ownParts(own);
    Parts fromParts(from);
    std::size_t common = 0;
    while (common < ownParts.size() && common < fromParts.size()) {
        const int a = ownParts.Begin(common);
        const int b = fromParts.Begin(common);
        if (!PMacPathText::EqualIgnoringCase(own.Data() + a, static_cast<std::size_t>(ownParts.End(common) - a),
                                             from.Data() + b, static_cast<std::size_t>(fromParts.End(common) - b)))
            break;
        ++common;
    }
    std::size_t total = 3 * (fromParts.size() - common);
    for (std::size_t i = common; i < ownParts.size(); ++i)
        total += static_cast<std::size_t>(ownParts.End(i) - ownParts.Begin(i)) + 1;
    UnitBuffer joined;
    char16_t* j = joined.Reserve(total + 1);
    int o = 0;
    for (std::size_t i = common; i < fromParts.size(); ++i) {
        if (o > 0)
            j[o++] = cSlash;
        j[o++] = cPoint;
        j[o++] = cPoint;
    }
    for (std::size_t i = common; i < ownParts.size(); ++i) {
        if (o > 0)
            j[o++] = cSlash;
        const int length = ownParts.End(i) - ownParts.Begin(i);
        std::memcpy(j + o, own.Data() + ownParts.Begin(i), static_cast<std::size_t>(length) * 2);
        o += length;
    }
    GPathName result;
    if (!MayNeedNormalizing(j, o)) {
        result.SetNormalizedUnits(j, o);
        return result;
    }
    UnitBuffer out;
    char16_t* p = out.Reserve(static_cast<std::size_t>(o));
    result.SetNormalizedUnits(p, NormalizeUnits(j, o, p));
    return result;
}

void GPathName::Append(GString const& text) {
    if (text.IsEmpty())
        return;
    UnitText units(text);
    SetJoined(mPath, units.Data(), units.Length());
}

GPathName& GPathName::operator/=(GPathName const& other) {
    if (!other.IsRelative())
        throw GSimpleException(kPathNotRelative);
    Append(other.mPath);
    return *this;
}

GString GPathName::CreateValidFileName(GString const& name, int kinds, char16_t replacement) {
    std::u16string illegal;
    if ((kinds & kWin32FileName) != 0)
        illegal = u":/\\*?\"<>|";
    else if ((kinds & kCFMFileName) != 0 && (kinds & (kMachOFileName | kUNIXFileName)) != 0)
        illegal = u"/:";
    else if ((kinds & kCFMFileName) != 0)
        illegal = u":";
    else
        illegal = u"/";
    // No system takes a zero unit inside a name: it would cut the name short.
    illegal += u'\0';
    if (illegal.find(replacement) != std::u16string::npos || replacement == cPoint)
        replacement = u'_';
    std::u16string text = Units(name);
    for (char16_t& unit : text)
        if (illegal.find(unit) != std::u16string::npos)
            unit = replacement;
    // "." and ".." name the folder itself and its parent, and an empty name the folder: joined
    // to a folder they would leave it.
    if (text.empty())
        text = std::u16string(1, replacement);
    else if (text == u"." || text == u"..")
        text = std::u16string(text.size(), replacement);
    return FromUnits(text);
}

// ---- Comparing and joining ----

bool operator==(GPathName const& a, GPathName const& b) { return a.Equals(b); }

bool operator!=(GPathName const& a, GPathName const& b) { return !a.Equals(b); }

GPathName operator/(GPathName const& a, GPathName const& b) {
    if (!b.IsRelative())
        throw GSimpleException(GPathName::kPathNotRelative);
    if (b.IsEmpty())
        return a;
    GPathName result;
    UnitText units(b.mPath);
    result.SetJoined(a.mPath, units.Data(), units.Length());
    return result;
}
