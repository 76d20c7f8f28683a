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
#include <set>

namespace {

bool IsNetworkType(std::string const& type) {
    static const std::set<std::string> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs",
                                                  "ceph", "9p", "glusterfs", "davfs", "fuse.sshfs", "fuse.s3fs",
                                                  "lustre", "afpfs", "fuse.afpfs"};
    return network.count(type) != 0;
}

bool IsPseudoType(std::string const& type) {
    static const std::set<std::string> pseudo = {
        "proc",     "sysfs",   "devpts",     "cgroup",  "cgroup2", "securityfs", "debugfs", "tracefs",
        "pstore",   "bpf",     "mqueue",     "hugetlbfs", "configfs", "fusectl", "autofs",  "binfmt_misc",
        "efivarfs", "nsfs",    "rpc_pipefs", "selinuxfs", "devtmpfs"};
    return pseudo.count(type) != 0;
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

StandinVolumes::Volume MakeVolume(mntent const& entry) {
    StandinVolumes::Volume volume;
    volume.folder = entry.mnt_dir;
    volume.source = entry.mnt_fsname;
    volume.type = entry.mnt_type;
    volume.readOnly = hasmntopt(&entry, "ro") != nullptr;
    volume.local = !IsNetworkType(volume.type);
    volume.remountURL = volume.local ? std::string() : RemountURL(volume.type, volume.source);
    bool usb = false;
    struct stat info {};
    if (volume.local && stat(volume.folder.c_str(), &info) == 0)
        ReadDevice(info.st_dev, volume.removable, usb);
    volume.internal = volume.local && !volume.removable && !usb;
    return volume;
}

template <class Visit>
void ForEachEntry(Visit visit) {
    FILE* table = setmntent("/proc/self/mounts", "r");
    if (table == nullptr)
        return;
    mntent entry{};
    char buffer[4096];
    while (getmntent_r(table, &entry, buffer, sizeof buffer) != nullptr)
        visit(entry);
    endmntent(table);
}

}  // namespace

int StandinVolumes::VolumeOf(std::string const& path, Volume& out) {
    struct stat item {};
    if (stat(path.c_str(), &item) != 0)
        return errno;
    bool found = false;
    ForEachEntry([&](mntent const& entry) {
        struct stat folder {};
        // The last matching entry is the one mounted on top.
        if (stat(entry.mnt_dir, &folder) == 0 && folder.st_dev == item.st_dev) {
            out = MakeVolume(entry);
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
    ForEachEntry([&](mntent const& entry) {
        if (!IsPseudoType(entry.mnt_type))
            volumes.push_back(MakeVolume(entry));
    });
    return volumes;
}
