#pragma once
// Stands in for the volume resource values: the volume of an item is the mount-table entry
// whose mount folder lies on the item's device. What it keeps of the original: read-only,
// local (not a network file system), internal (local, not removable and not on USB),
// removable (the block device says so) and the URL for remounting a network volume
// ("smb://server/share", "nfs://server/path"; none for a local one).
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
    // no mount entry matches, a local volume at "/" with the device's read-only flag.
    static int VolumeOf(std::string const& path, Volume& out);
    // The mounted volumes in mount-table order, kernel pseudo file systems left out.
    static std::vector<Volume> Mounted();
};
