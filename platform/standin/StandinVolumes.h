#pragma once
// Stands in for the volume resource values: the volume of an item is the mount-table entry
// whose mount folder lies on the item's device. What it keeps of the original: read-only,
// local (not a network file system), internal (local, not removable and not on USB),
// removable (the block device says so) and the URL for remounting a network volume
// ("smb://server/share", "nfs://server/path"; none for a local one).
#include <mntent.h>

#include <functional>
#include <string>
#include <vector>

class StandinVolumes {
public:
    struct Volume {
        std::string folder;
        std::string source;
        std::string type;
        bool readOnly = false;
        bool local = true;
        bool internal = true;
        bool removable = false;
        std::string remountURL;
    };

    StandinVolumes() = delete;

    // 0 with the volume that holds path (following a last link), else the errno of stat; when
    // no mount entry matches, a local volume at "/" with the device's read-only flag. Only the
    // path itself and the table are looked at, never another mount's folder: a hung network
    // mount elsewhere cannot stop the answer.
    static int VolumeOf(std::string const& path, Volume& out);
    // Calls visit with every entry of a mount table in the format of /proc/self/mounts, in order;
    // a table that cannot be read has none.
    static void ReadMountTable(char const* file, std::function<void(mntent const&)> const& visit);
    // A kernel interface (proc, sysfs, cgroup, ...), no volume a user keeps files on.
    static bool IsKernelFileSystem(char const* type);
    static constexpr char const* kProcessMountTable = "/proc/self/mounts";
    // The mounted volumes in mount-table order, kernel pseudo file systems left out.
    static std::vector<Volume> Mounted();
};
