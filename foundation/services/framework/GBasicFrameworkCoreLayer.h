#pragma once
// GBasicFrameworkCoreLayer: starts and stops the whole foundation in one fixed order (the
// platform, the encodings, the signal registry, the singletons, the string pools and their
// texts, the preference store, the file types, the idle-time manager, the user-message handler).
//
// Callers may rely on:
// - Initialize and Finalize nest: only the call that finds the count at 0 starts, and the
//   Finalize that brings it back to 0 stops. Every Initialize, failed or not, is matched by one
//   Finalize; a Finalize without an Initialize leaves the count at 0 and stops nothing.
// - Initialize never throws. A failed start (a step reporting failure or throwing) is undone at
//   once and Initialize returns false; every later Initialize returns false until the count is
//   back to 0, after which the next one tries a clean start.
// - Finalize never throws: a failing teardown step is skipped, the rest still runs, and the first
//   failure is traced. An object of the class starts in its constructor and stops in its
//   destructor, which never throws either.
// - All calls of the process are serialised by one recursive lock, so a step may nest a call.
#include <cstdint>

#include "core/base/GMutexBase.h"

class GBasicFrameworkCoreLayer {
public:
    GBasicFrameworkCoreLayer();
    ~GBasicFrameworkCoreLayer();
    GBasicFrameworkCoreLayer(GBasicFrameworkCoreLayer const&) = delete;
    GBasicFrameworkCoreLayer& operator=(GBasicFrameworkCoreLayer const&) = delete;

    static bool Initialize();
    static void Finalize();

    static void InitializeSingletons();
    static void FinalizeSingletons();
    static void InitializeStrings();
    static void FinalizeStrings();

    // The nesting count (for diagnostics and tests).
    static uint32_t GetInitCount();

    // The start and teardown steps, in their order. A test hook sees each one before it runs.
    enum Step {
        kStartPlatform,
        kStartPlatformLayer,
        kStartUnicodeTables,
        kStartSignals,
        kStartStringPoolSupport,
        kStartSingletons,
        kStartStrings,
        kStartServices,
        kStopUserMessages,
        kStopPreferences,
        kStopIdleTime,
        kStopFileTypes,
        kStopSpecialPaths,
        kStopAllocatorIdler,
        kStopStringPoolSupport,
        kStopSignals,
        kStopUnits,
        kStopStrings,
        kStopSingletons,
        kStopPlatformLayer,
        kStopPlatform,
    };
    // For tests only: called before each step; returning false or throwing makes that step fail.
    // Null (the default) removes it.
    using StepHook = bool (*)(Step step);
    static void SetStepHook(StepHook hook);

private:
    static uint32_t sInitialized;
    static GMutex sLock;
};
