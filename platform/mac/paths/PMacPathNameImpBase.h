#pragma once
// PMacPathNameImpBase: the platform base of GPathName. It reaches the path's portable text
// through the two pure operations that GPathName fills, and gives the equality, the volume
// names of the colon form and the conversions of the device-independent form.
//
// Volumes on this system: "/" is the boot volume, shown by one fixed name (cBootVolumeName); the
// other volumes are the mount points of the mount table (kernel pseudo file systems left out),
// each shown by the last component of its mount folder with ":" written as "/". The colon and
// device-independent forms stay textual: a name that no mounted volume bears stands for the
// folder "/Volumes/<name>" whether or not it exists.
//
// Callers may rely on:
// - No platform file references are made on this system: the pin count is kept, the cache
//   stays empty, and RemoveFSRef only clears it.
// - Copying or assigning copies nothing of this part and leaves the pin count alone.
// - The volume look-ups read the mount table again only when the kernel reports a change;
//   any thread may call them.
#include <cstdint>
#include <string>

#include "core/text/GString.h"

class PMacPathNameImpBase {
public:
    // The display name of the boot volume "/".
    static constexpr char const* cBootVolumeName = "Macintosh HD";

    PMacPathNameImpBase() noexcept = default;
    PMacPathNameImpBase(PMacPathNameImpBase const&) noexcept {}
    PMacPathNameImpBase& operator=(PMacPathNameImpBase const&) noexcept {
        RemoveFSRef();
        return *this;
    }
    virtual ~PMacPathNameImpBase();

    virtual GString const& GetPortablePath() const = 0;
    // Stores the text unchanged.
    virtual void SetPortablePath(GString const& text) = 0;

    // Case-insensitive equality of the portable texts; throws nothing.
    bool Equals(PMacPathNameImpBase const& other) const noexcept;

    // The length of the path's volume part: 0 for a relative path, the length of "/Volumes/<name>"
    // for a path under it, else 1 (the boot volume).
    int GetVolumePathLength() const;
    int GetCFMRootNameLength() const { return GetVolumePathLength(); }
    // GetCFMVolumeName of the volume part.
    GString GetVolumeName() const;

    // The folder at which the named volume is mounted: "/" for the boot volume, the mount
    // folder of a mounted volume of exactly that name, else "/Volumes/" and the name with "/"
    // written as ":". Empty for an empty name.
    static GString GetMachOVolumeName(GString const& volumeName);
    // The display name of the volume at a folder: the boot volume's name for "/", else the last
    // "/"-separated component with ":" written as "/". Empty for an empty folder.
    static GString GetCFMVolumeName(GString const& volumePath);

    static void ConvertPortableToUNCSpec(GString const& in, GString& out) { out = in; }
    // The device-independent form: the volume written by its display name, "/" inside a name
    // written as a backslash and "/". An empty path is "./", ".." is "../".
    static void ConvertPortableToDISpec(GString const& in, GString& out);
    static void ConvertDISpecToPortable(GString const& in, GString& out);

    // Pinning: while the count is above 0 a platform reference may be cached for the path.
    void Pin() noexcept;
    void Unpin() noexcept;
    uint32_t GetPinCount() const noexcept { return mPinCount; }
    void RemoveFSRef() noexcept {}

    // The mount table the volume look-ups read (tests point it at a fixture); empty restores
    // the process's own table.
    static void SetMountTableFile(std::string const& path);

private:
    uint32_t mPinCount = 0;
};
