#pragma once
// GSystemInfo: what portable code may ask of the machine (a short system report, processors,
// memory, libraries). The platform layer installs its implementation at start-up and removes it
// at its end; portable code asks only in between.
//
// Callers may rely on:
// - GetInstance is null before the platform installs an instance and after it removes it.
// - SetInstance takes ownership: the previous instance is deleted (setting the same instance
//   again keeps it), and null removes it. The new instance is visible before the old one is
//   deleted, so GetInstance never hands out a deleted instance.
#include <atomic>
#include <cstdint>

#include "core/text/GString.h"

class GPathName;

class GSystemInfo {
public:
    // Sizes in MiB; fields an implementation does not know stay as the caller set them.
    struct MemoryInfo {
        int64_t mPhysicalMemory = 0;
    };

    static GSystemInfo* GetInstance() { return sInstance.load(std::memory_order_acquire); }
    static void SetInstance(GSystemInfo* instance);

    // The report operations append lines to report.
    virtual void AddProcessorInfo(GString& report) = 0;
    virtual void AddOSVersionInfo(GString& report) = 0;
    virtual void AddMemoryInfo(GString& report) = 0;
    // folder joined with name when a file exists there, else an empty path.
    virtual GPathName FindDLL(GPathName const& folder, GString const& name) = 0;
    // The library's version text; empty when it has none.
    virtual GString GetDLLVersion(GPathName const& library) = 0;
    virtual void GetMemoryInfo(MemoryInfo& info) = 0;
    virtual int GetNumberOfProcessors() = 0;
    // Declared last: the destructors follow the operations in the table of virtual functions.
    virtual ~GSystemInfo() = default;

protected:
    GSystemInfo() = default;
    GSystemInfo(GSystemInfo const&) = default;
    GSystemInfo& operator=(GSystemInfo const&) = default;

private:
    static std::atomic<GSystemInfo*> sInstance;
};
