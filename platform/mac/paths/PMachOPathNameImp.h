#pragma once
// PMachOPathNameImp: the rules of the platform's own path form, which here is the portable form
// itself: what is relative, where the root and the leaf begin, how paths hash. GPathName derives
// from it and fills the operations through which it reaches and converts the text.
//
// Callers may rely on: every rule reads the portable text alone; GetHash is the same for paths
// that differ in letter case only.
#include <cstdint>

#include "core/text/GString.h"
#include "mac/paths/PMacPathNameImpBase.h"

class PMachOPathNameImp : public PMacPathNameImpBase {
public:
    // Drops the cached reference, stores the text and normalises it.
    virtual void SetCrossPlatformString(GString const& text) = 0;
    virtual void ConvertPortableToMachO(GString const& in, GString& out) const = 0;
    virtual void ConvertMachOToPortable(GString const& in, GString& out) const = 0;

    // A path here has no drive or root name ("C:" or "//server" elsewhere): length 0, never one.
    static int GetRootNameLength() { return 0; }
    static bool HasRootName() { return false; }

    bool IsRelative() const;
    bool HasRootDirectory() const;
    int GetRootDirectoryLength() const;
    // -1 for an empty path and a path ending in "/"; else one past the last "/" (0 without one).
    int GetLeafStartPosition() const;
    // GString::GetHash of the lower-cased text; allocates nothing, so dictionaries may key on paths.
    uint32_t GetHash() const;

    void ConvertPortableToNative(GString const& in, GString& out) const { ConvertPortableToMachO(in, out); }
    void ConvertNativeToPortable(GString const& in, GString& out) const { ConvertMachOToPortable(in, out); }

    // An empty path becomes "/", an absolute one stays, a relative one gets "/" in front; a
    // relative path beginning with ".." throws GSimpleException 40068 "Invalid path".
    void MakeRootDirectory();
    // MakeRootDirectory; the text is not used.
    void SetCrossPlatformRootPathString(GString const& text);

    static constexpr int kInvalidPath = 40068;
};
