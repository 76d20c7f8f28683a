#include "mac/paths/PMacPathNameImpBase.h"

#include <mntent.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <vector>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/paths/PMacPathText.h"
#include "standin/StandinVolumes.h"

namespace {

constexpr char const* cProcessMountTable = StandinVolumes::kProcessMountTable;
constexpr char16_t cVolumesPrefix[] = u"/Volumes/";
constexpr std::size_t cVolumesPrefixLength = 9;

std::u16string FromUTF8(char const* text) {
    return PMacPathText::Units(GString(text, GEncodingFallback::Get<GUTF8Encoding>(), false));
}

// The last "/"-separated component of a folder, ":" written as "/".
std::u16string DisplayNameOf(std::u16string const& folder) {
    std::u16string name = folder.substr(folder.rfind(u'/') + 1);
    std::replace(name.begin(), name.end(), u':', u'/');
    return name;
}

struct Volume {
    std::u16string name;
    std::u16string folder;
};

// The mounted volumes, read again when the kernel reports a change of the table.
class MountTable {
public:
    std::vector<Volume> Volumes() {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mLoaded || Changed())
            Load();
        return mVolumes;
    }

    void SetFile(std::string const& path) {
        std::lock_guard<std::mutex> lock(mMutex);
        mFile = path.empty() ? cProcessMountTable : path;
        CloseWatch();
        mLoaded = false;
    }

    ~MountTable() { CloseWatch(); }

private:
    bool Changed() {
        // Only the kernel's own table reports changes; a fixture file never changes.
        if (mWatch < 0)
            return false;
        pollfd watch = {mWatch, POLLPRI, 0};
        return poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR)) != 0;
    }

    void Load() {
        if (mFile == cProcessMountTable && mWatch < 0) {
            mWatch = open(mFile.c_str(), O_RDONLY | O_CLOEXEC);
            // The first poll takes the table's present state as seen.
            Changed();
        }
        mVolumes.clear();
        mLoaded = true;
        StandinVolumes::ReadMountTable(mFile.c_str(), [this](mntent const& entry) {
            if (StandinVolumes::IsKernelFileSystem(entry.mnt_type) || std::strcmp(entry.mnt_dir, "/") == 0)
                return;
            Volume volume;
            volume.folder = FromUTF8(entry.mnt_dir);
            volume.name = DisplayNameOf(volume.folder);
            if (!volume.name.empty())
                mVolumes.push_back(std::move(volume));
        });
    }

    void CloseWatch() {
        if (mWatch >= 0)
            close(mWatch);
        mWatch = -1;
    }

    std::mutex mMutex;
    std::string mFile = cProcessMountTable;
    int mWatch = -1;
    bool mLoaded = false;
    std::vector<Volume> mVolumes;
};

MountTable& Mounts() {
    static MountTable fTable;
    return fTable;
}

std::u16string BootVolumeName() {
    std::u16string name;
    for (char const* p = PMacPathNameImpBase::cBootVolumeName; *p != 0; ++p)
        name += static_cast<char16_t>(*p);
    return name;
}

bool StartsWithVolumes(std::u16string const& path) {
    return path.compare(0, cVolumesPrefixLength, cVolumesPrefix) == 0;
}

// The volume part of a path (see GetVolumePathLength).
std::size_t VolumePathLength(std::u16string const& path) {
    if (path.empty() || path[0] != u'/')
        return 0;
    if (path.size() < 10 || !StartsWithVolumes(path) || path[cVolumesPrefixLength] == u'/')
        return 1;
    const std::size_t slash = path.find(u'/', cVolumesPrefixLength);
    return slash == std::u16string::npos ? path.size() : slash;
}

std::u16string MachOVolumeFolder(std::u16string const& name) {
    if (name.empty())
        return name;
    if (name == BootVolumeName())
        return u"/";
    const std::u16string underVolumes = cVolumesPrefix + [&] {
        std::u16string folderName = name;
        std::replace(folderName.begin(), folderName.end(), u'/', u':');
        return folderName;
    }();
    std::u16string const* found = nullptr;
    const std::vector<Volume> volumes = Mounts().Volumes();
    for (Volume const& volume : volumes) {
        if (volume.name != name)
            continue;
        // A volume mounted at its own /Volumes folder wins: its paths then read back alike.
        if (volume.folder == underVolumes)
            return underVolumes;
        if (found == nullptr)
            found = &volume.folder;
    }
    return found != nullptr ? *found : underVolumes;
}

std::u16string CFMVolumeName(std::u16string const& folder) {
    if (folder.empty())
        return folder;
    if (folder == u"/")
        return BootVolumeName();
    return DisplayNameOf(folder);
}

void ReplaceAll(std::u16string& text, std::u16string const& what, std::u16string const& with) {
    for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

}  // namespace

PMacPathNameImpBase::~PMacPathNameImpBase() = default;

bool PMacPathNameImpBase::Equals(PMacPathNameImpBase const& other) const noexcept {
    try {
        GString const& a = GetPortablePath();
        GString const& b = other.GetPortablePath();
        if (a.IsEmpty() || b.IsEmpty())
            return a.IsEmpty() && b.IsEmpty();
        a.EnsureUnicode();
        b.EnsureUnicode();
        GBuffer const& ua = a.GetEncodedBuffer();
        GBuffer const& ub = b.GetEncodedBuffer();
        if (ua.GetLength() != ub.GetLength())
            return false;
        if (ua == ub)
            return true;
        const std::u16string textA = PMacPathText::Units(a);
        const std::u16string textB = PMacPathText::Units(b);
        return PMacPathText::EqualIgnoringCase(textA.data(), textA.size(), textB.data(), textB.size());
    } catch (...) {
        // Out of memory while converting: texts that cannot be compared are not equal.
        return false;
    }
}

int PMacPathNameImpBase::GetVolumePathLength() const {
    return static_cast<int>(VolumePathLength(PMacPathText::Units(GetPortablePath())));
}

GString PMacPathNameImpBase::GetVolumeName() const {
    const std::u16string path = PMacPathText::Units(GetPortablePath());
    return PMacPathText::FromUnits(CFMVolumeName(path.substr(0, VolumePathLength(path))));
}

GString PMacPathNameImpBase::GetMachOVolumeName(GString const& volumeName) {
    return PMacPathText::FromUnits(MachOVolumeFolder(PMacPathText::Units(volumeName)));
}

GString PMacPathNameImpBase::GetCFMVolumeName(GString const& volumePath) {
    return PMacPathText::FromUnits(CFMVolumeName(PMacPathText::Units(volumePath)));
}

void PMacPathNameImpBase::ConvertPortableToDISpec(GString const& in, GString& out) {
    const std::u16string path = PMacPathText::Units(in);
    std::u16string result;
    if (path.empty()) {
        result = u"./";
    } else if (path == u"..") {
        result = u"../";
    } else if (path[0] != u'/') {
        result = path;
    } else {
        const std::size_t volumeLength = VolumePathLength(path);
        std::u16string name = CFMVolumeName(path.substr(0, volumeLength));
        // The name is one element: a "/" in it is escaped like a ":" in any other name.
        std::replace(name.begin(), name.end(), u'/', u':');
        result = u"/" + name;
        std::size_t start = volumeLength;
        while (start < path.size() && path[start] == u'/')
            ++start;
        if (start < path.size())
            result += u"/" + path.substr(start);
    }
    ReplaceAll(result, u":", u"\\/");
    out = PMacPathText::FromUnits(result);
}

void PMacPathNameImpBase::ConvertDISpecToPortable(GString const& in, GString& out) {
    std::u16string text = PMacPathText::Units(in);
    ReplaceAll(text, u"\\/", u":");
    if (text.empty() || text[0] != u'/') {
        out = PMacPathText::FromUnits(text);
        return;
    }
    const std::size_t slash = text.find(u'/', 1);
    std::u16string name = text.substr(1, slash == std::u16string::npos ? std::u16string::npos : slash - 1);
    std::replace(name.begin(), name.end(), u':', u'/');
    std::u16string result = MachOVolumeFolder(name);
    if (result.empty())
        result = u"/";
    if (slash != std::u16string::npos) {
        const std::u16string rest = text.substr(slash);
        result += result.back() == u'/' ? rest.substr(1) : rest;
    }
    out = PMacPathText::FromUnits(result);
}

void PMacPathNameImpBase::Pin() noexcept { ++mPinCount; }

void PMacPathNameImpBase::Unpin() noexcept {
    if (mPinCount > 0)
        --mPinCount;
}

void PMacPathNameImpBase::SetMountTableFile(std::string const& path) { Mounts().SetFile(path); }
