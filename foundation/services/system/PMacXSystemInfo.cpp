#include "services/system/PMacXSystemInfo.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "mac/paths/PMacNativePath.h"
#include "mac/system/PSystem.h"
#include "standin/StandinBundle.h"
#include "standin/StandinSystemVersion.h"

namespace {

GString FromUTF8(std::string const& text) {
    GString out;
    PMacNativePath::FromUTF8(text, out);
    return out;
}

long long PhysicalMiB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<long long>(pages) * pageSize / 1048576;
}

// Cores without their hyperthread siblings; the logical count when the topology is not told.
int PhysicalCores() {
    const unsigned logical = std::thread::hardware_concurrency();
    int cores = 0;
    for (unsigned cpu = 0; cpu < logical && cpu < 4096; ++cpu) {
        const std::string path = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/thread_siblings_list";
        std::FILE* f = std::fopen(path.c_str(), "re");
        if (f == nullptr)
            return PSystem::GetNumberOfProcessors();
        unsigned first = 0;
        // The first sibling of a core counts it.
        if (std::fscanf(f, "%u", &first) == 1 && first == cpu)
            ++cores;
        std::fclose(f);
    }
    return cores > 0 ? cores : PSystem::GetNumberOfProcessors();
}

}  // namespace

void PMacXSystemInfo::AddInfo(GString& report, GString const& label, GString const& value, GString const& suffix) {
    report += label;
    report += GString("\t");
    report += value;
    report += suffix;
    report += GString("\n");
}

void PMacXSystemInfo::AddInfo(GString& report, GString const& label, int value) {
    AddInfo(report, label, GString(value), GString());
}

void PMacXSystemInfo::AddProcessorInfo(GString& report) {
    try {
        GString lines;
        utsname names{};
        const std::string kernel = uname(&names) == 0 ? std::string(names.sysname) + " " + names.release + " " + names.version
                                                      : std::string();
        AddInfo(lines, GString("Mach kernel version: "), FromUTF8(kernel.substr(0, 256)), GString());
        AddInfo(lines, GString("Processors physically available: "), PhysicalCores());
        AddInfo(lines, GString("Processors logically available: "), PSystem::GetNumberOfProcessors());
        AddInfo(lines, GString("Processor type: "), PSystem::GetProcessorName(), GString());
        AddInfo(lines, GString("Memory available: "), GString(PhysicalMiB()), GString(" MB"));
        lines += GString("\n");
        report += lines;
    } catch (...) {
        report += GString(" Unable to get processor info...\n");
    }
}

void PMacXSystemInfo::AddOSVersionInfo(GString& report) {
    const StandinSystemVersion::Version v = StandinSystemVersion::GetVersion();
    const std::string text = std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
    AddInfo(report, GString("SystemVersion: "), GString(text.c_str()), GString());
}

void PMacXSystemInfo::AddMemoryInfo(GString&) {}

GPathName PMacXSystemInfo::FindDLL(GPathName const& folder, GString const& name) {
    GPathName candidate = folder / GPathName(name);
    std::string native;
    struct stat info;
    if (PMacNativePath::ToUTF8(candidate.GetNativePathString(), native) && ::stat(native.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode))
        return candidate;
    return GPathName();
}

GString PMacXSystemInfo::GetDLLVersion(GPathName const& bundle) {
    std::string native;
    if (bundle.IsEmpty() || !PMacNativePath::ToUTF8(bundle.GetNativePathString(), native))
        return GString();
    std::string version;
    if (!StandinBundle::InfoString(native, "CFBundleShortVersionString", version))
        return GString();
    return FromUTF8(version);
}

void PMacXSystemInfo::GetMemoryInfo(MemoryInfo& info) { info.mPhysicalMemory = PhysicalMiB(); }

int PMacXSystemInfo::GetNumberOfProcessors() { return PhysicalCores(); }
