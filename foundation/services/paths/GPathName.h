#pragma once
// GPathName: the one type in which the framework names files and folders. It holds the portable
// form, one text whose components are separated by "/" (absolute when it begins with "/"), and
// computes every other form from it: native and Mach-O (the same text), UNIX, the colon form of
// the host's file objects, Win32, UNC, the device-independent form of PDF file specifications and
// file URLs.
//
// Callers may rely on:
// - After every setter but SetPortablePath the text is normalised: "." components and a
//   component followed by ".." are gone, trailing separators are gone (the root "/" stays), a
//   double separator inside stays. Normalising twice changes nothing. A path never changes
//   between relative and absolute by normalising: "/a/.." is "/", "x/..//y" is "y".
// - Equality and the hash ignore letter case, as the platform's volumes do.
// - The text is held in UTF-16; positions (leaf start, GetPartialPath) count UTF-16 units.
// - Failures throw GSimpleException: 40066 joining an absolute path, 40067 and 40033 from
//   GetRelativePathFrom, 40090 a URL given as device-independent path.
#include <cstdint>

#include "core/text/GString.h"
#include "mac/paths/PMachOPathNameImp.h"

class GPathName : public PMachOPathNameImp {
public:
    // The kinds of file name for CreateValidFileName, combined as bits.
    enum FileNameKind { kCFMFileName = 1, kMachOFileName = 2, kWin32FileName = 4, kUNIXFileName = 8 };

    static constexpr int kFilesOnDifferentVolumes = 40033;
    static constexpr int kPathNotRelative = 40066;
    static constexpr int kPathNotAbsolute = 40067;
    static constexpr int kURLNotSupported = 40090;

    static const GPathName cEmptyPathName;

    GPathName() = default;
    // The text is the portable form; it is normalised.
    GPathName(GString const& text);
    // ASCII (a literal such as "Project/Project.prefs").
    GPathName(char const* text);
    GPathName(GPathName const& other) = default;
    GPathName(GPathName&& other) noexcept = default;
    GPathName& operator=(GPathName const& other);
    GPathName& operator=(GPathName&& other) noexcept;
    ~GPathName() override;

    // The virtual operations, in their slot order.
    GString const& GetPortablePath() const override { return mPath; }
    void SetPortablePath(GString const& text) override;
    void SetCrossPlatformString(GString const& text) override;
    void ConvertPortableToMachO(GString const& in, GString& out) const override { out = in; }
    void ConvertMachOToPortable(GString const& in, GString& out) const override { out = in; }
    virtual GString const& GetCrossPlatformString() const { return mPath; }
    virtual void ConvertPortableToWin32(GString const& in, GString& out) const;
    virtual void ConvertWin32ToPortable(GString const& in, GString& out) const;
    virtual void ConvertPortableToCFM(GString const& in, GString& out) const;
    virtual void ConvertCFMToPortable(GString const& in, GString& out) const;
    virtual void ConvertPortableToUNIX(GString const& in, GString& out) const { out = in; }
    virtual void ConvertUNIXToPortable(GString const& in, GString& out) const { out = in; }
    // The text that GPathName(text) would hold.
    virtual GString GetNormalizedPortablePathFrom(GString const& text) const;

    bool IsEmpty() const { return mPath.IsEmpty(); }
    void Clear();
    // The position of the first ":" in the text, -1 when there is none.
    static int CheckCrossPlatformString(GString const& text);

    // Forms. Each getter returns a new text; each setter converts to the portable form and
    // normalises.
    GString GetNativePathString() const;
    void SetNativePathString(GString const& text);
    GString GetMachOPathString() const;
    void SetMachOPathString(GString const& text);
    GString GetCFMPathString() const;
    void SetCFMPathString(GString const& text);
    GString GetWin32PathString() const;
    void SetWin32PathString(GString const& text);
    GString GetUNCPathString() const;
    void SetUNCPathString(GString const& text);
    GString GetDIPathString() const;
    void SetDIPathString(GString const& text);
    // "file://" and the absolute path (a relative one taken from the current folder), blanks as
    // "%20" and "&" as "&amp;".
    GString GetURLPathString() const;

    // Components.
    bool HasRootPath() const { return HasRootDirectory(); }
    GPathName GetRootPath() const;
    GPathName GetRelativePath() const;
    bool HasLeaf() const { return GetLeafStartPosition() != -1; }
    GString GetLeaf() const;
    GString GetLeafWithoutExtension() const;
    GString GetExtension() const;
    bool HasExtension() const;
    void ReplaceLeaf(GString const& name);
    void ReplaceExtension(GString const& extension);
    void ReplaceLeafWithoutExtension(GString const& name);
    bool HasBranch() const;
    GPathName GetBranch() const;
    GPathName GetMachOBranch() const { return GetBranch(); }
    // n a position as the leaf start: -1 the whole path, 0 empty, 1 the first unit, else the
    // first n-1 units; normalised.
    GPathName GetPartialPath(int n) const;
    // Components below the root; a path under /Volumes/<name> counts from inside its volume.
    int GetNumberOfComponents() const;
    bool StartsWith(GPathName const& other) const;
    // The relative path that leads from the folder base to this path; both must be absolute.
    GPathName GetRelativePathFrom(GPathName const& base) const;
    void Append(GString const& text);
    GPathName& operator/=(GPathName const& other);

    // name with every character that is illegal in a file name of the given kinds replaced by
    // replacement. Names that would leave their folder (".", "..", empty) become replacement
    // characters too, and a replacement that is illegal itself or a "." is taken as "_".
    static GString CreateValidFileName(GString const& name, int kinds, char16_t replacement);

private:
    friend GPathName operator/(GPathName const& a, GPathName const& b);

    // Stores units already normalised.
    void SetNormalizedUnits(char16_t const* units, int n);
    // Stores left joined with units (a separator between them unless left ends with one),
    // normalised.
    void SetJoined(GString const& left, char16_t const* units, int n);

    GString mPath;
};

bool operator==(GPathName const& a, GPathName const& b);
bool operator!=(GPathName const& a, GPathName const& b);
// a with b appended; b absolute throws 40066.
GPathName operator/(GPathName const& a, GPathName const& b);
