#pragma once
// This platform's system information: a short report of the processors, the macOS version the
// system behaves as and the memory; libraries found in folders and their bundle versions.
#include "core/values/GSystemInfo.h"
#include "services/paths/GPathName.h"

class PMacXSystemInfo : public GSystemInfo {
public:
    PMacXSystemInfo() = default;
    ~PMacXSystemInfo() override = default;

    // "Mach kernel version", processors physical and logical, processor type, memory in MB, one
    // tab-separated line each, then an empty line; a failure appends one notice instead.
    void AddProcessorInfo(GString& report) override;
    // "SystemVersion: " and the version as major.minor.patch.
    void AddOSVersionInfo(GString& report) override;
    void AddMemoryInfo(GString& report) override;
    GPathName FindDLL(GPathName const& folder, GString const& name) override;
    // The bundle's "CFBundleShortVersionString"; empty without a bundle or the key.
    GString GetDLLVersion(GPathName const& bundle) override;
    // The physical memory in MiB; the other fields stay as they are.
    void GetMemoryInfo(MemoryInfo& info) override;
    int GetNumberOfProcessors() override;

    // One report line: label, a tab, value, suffix and a line feed.
    static void AddInfo(GString& report, GString const& label, GString const& value, GString const& suffix);
    static void AddInfo(GString& report, GString const& label, int value);
};
