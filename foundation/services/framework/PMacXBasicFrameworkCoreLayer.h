#pragma once
// PMacXBasicFrameworkCoreLayer: this platform's half of the foundation's start and stop. It
// installs the platform encoding factory, the process and system information, the line end
// (CR alone), and raises the process's open-file limit as far as the system allows.
//
// Callers may rely on:
// - Initialize and Finalize nest by their own count; Initialize always reports true.
// - Reached only under the framework core layer's lock; it has no lock of its own.
// - GetMaxFilesOpenForThisProcess is the soft open-file limit that start-up set, 0 when setting
//   it failed.
#include <cstdint>

class PMacXBasicFrameworkCoreLayer {
public:
    PMacXBasicFrameworkCoreLayer() = delete;

    static bool Initialize();
    static void Finalize();
    static void InitializeSingletons();
    // Removes the system information, the platform encoding factory and the process information.
    static void FinalizeSingletons();
    // Raises the soft RLIMIT_NOFILE to the hard limit (to the kernel's nr_open when the hard limit
    // is unlimited) and records it in sMaxFilesOpenForThisProcess; 0 there on failure.
    static void SetMaxOpenFilesForOurProcess();

    static uint32_t GetMaxFilesOpenForThisProcess() { return sMaxFilesOpenForThisProcess; }
    static uint32_t GetInitCount() { return sInitialized; }

private:
    static uint32_t sInitialized;
    static uint32_t sMaxFilesOpenForThisProcess;
};
