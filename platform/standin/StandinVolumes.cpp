#include "standin/StandinVolumes.h"

#include <mntent.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>

namespace {

bool IsNetworkType(std::string const& type) {
    static const std::set<std::string> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs",
                                                  "ceph", "9p", "glusterfs", "davfs", "fuse.sshfs", "fuse.s3fs",
                                                  "lustre", "afpfs", "fuse.afpfs"};
    return network.count(type) != 0;
}

std::string RemountURL(std::string const& type, std::string const& source) {
    if ((type == "cifs" || type == "smb3" || type == "smbfs") && source.compare(0, 2, "//") == 0)
        return "smb:" + source;
    if (type == "nfs" || type == "nfs4") {
        const std::size_t colon = source.find(':');
        if (colon != std::string::npos)
            return "nfs://" + source.substr(0, colon) + source.substr(colon + 1);
    }
    return std::string();
}

// What the block device of a volume tells: removable, and connected through USB.
void ReadDevice(dev_t device, bool& removable, bool& usb) {
    const std::string base = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    char resolved[PATH_MAX];
    if (realpath(base.c_str(), resolved) == nullptr)
        return;
    const std::string path(resolved);
    usb = path.find("/usb") != std::string::npos;
    for (std::string folder : {path, path.substr(0, path.find_last_of('/'))}) {
        std::ifstream in(folder + "/removable");
        int flag = 0;
        if (in >> flag) {
            removable = flag == 1;
            return;
        }
    }
}

// The volume of a mount entry; device: the volume's device when known (0: looked up).
StandinVolumes::Volume MakeVolume(mntent const& entry, dev_t device) {
    StandinVolumes::Volume volume;
    volume.folder = entry.mnt_dir;
    volume.source = entry.mnt_fsname;
    volume.type = entry.mnt_type;
    volume.readOnly = hasmntopt(&entry, "ro") != nullptr;
    volume.local = !IsNetworkType(volume.type);
    volume.remountURL = volume.local ? std::string() : RemountURL(volume.type, volume.source);
    bool usb = false;
    struct stat info {};
    if (device == 0 && volume.local && stat(volume.folder.c_str(), &info) == 0)
        device = info.st_dev;
    if (device != 0 && volume.local)
        ReadDevice(device, volume.removable, usb);
    volume.internal = volume.local && !volume.removable && !usb;
    return volume;
}

// Whether the mount folder holds the resolved path: equal to it or one of its parents.
bool Holds(std::string const& folder, std::string const& path) {
    if (folder == "/")
        return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

bool StandinVolumes::IsKernelFileSystem(char const* type) {
    static const std::set<std::string> pseudo = {
        "proc",     "sysfs",   "devpts",     "cgroup",  "cgroup2", "securityfs", "debugfs", "tracefs",
        "pstore",   "bpf",     "mqueue",     "hugetlbfs", "configfs", "fusectl", "autofs",  "binfmt_misc",
        "efivarfs", "nsfs",    "rpc_pipefs", "selinuxfs", "devtmpfs"};
    return pseudo.count(type) != 0;
}

void StandinVolumes::ReadMountTable(char const* file, std::function<void(mntent const&)> const& visit) {
    FILE* table = setmntent(file, "re");
    if (table == nullptr)
        return;
    mntent entry{};
    char buffer[4096];
    while (getmntent_r(table, &entry, buffer, sizeof buffer) != nullptr)
        visit(entry);
    endmntent(table);
}

int StandinVolumes::VolumeOf(std::string const& path, Volume& out) {
    struct stat item {};
    if (stat(path.c_str(), &item) != 0)
        return errno;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return errno;
    bool found = false;
    ReadMountTable(kProcessMountTable, [&](mntent const& entry) {
        // The last entry that holds the path is the one mounted on top.
        if (Holds(entry.mnt_dir, resolved.get())) {
            out = MakeVolume(entry, item.st_dev);
            found = true;
        }
    });
    if (!found) {
        out = Volume();
        out.folder = "/";
    }
    // The item's own view: a read-only bind mount of a writable file system counts as read-only.
    struct statvfs vfs {};
    if (statvfs(path.c_str(), &vfs) == 0)
        out.readOnly = (vfs.f_flag & ST_RDONLY) != 0;
    return 0;
}

std::vector<StandinVolumes::Volume> StandinVolumes::Mounted() {
    std::vector<Volume> volumes;
    ReadMountTable(kProcessMountTable, [&](mntent const& entry) {
        if (!IsKernelFileSystem(entry.mnt_type))
            volumes.push_back(MakeVolume(entry, 0));
    });
    return volumes;
}
