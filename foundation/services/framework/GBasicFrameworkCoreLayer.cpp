#include "services/framework/GBasicFrameworkCoreLayer.h"

#include <exception>
#include <string>

#include "core/base/GException.h"
#include "core/base/GMutexLocker.h"
#include "core/idle/GIdleTimeManager.h"
#include "core/memory/GAllocator.h"
#include "core/signals/GAllocatorIdler.h"
#include "core/signals/GSignalBase.h"
#include "core/text/GStringPool.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacExpertEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/values/GDateTime.h"
#include "mac/system/PSystem.h"
#include "services/filesystem/GFileSystem.h"
#include "services/filetypes/GFileType.h"
#include "services/framework/PMacXBasicFrameworkCoreLayer.h"
#include "services/messages/GUserMessageHandler.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPreferences.h"
#include "services/progress/GDefaultProgressCenter.h"
#include "services/strings/GLanguageInfoCache.h"
#include "services/strings/GStringPoolSupport.h"
#include "services/tracing/GTrace.h"
#include "services/units/GUnitSupport.h"

uint32_t GBasicFrameworkCoreLayer::sInitialized = 0;
GMutex GBasicFrameworkCoreLayer::sLock;

namespace {

using Step = GBasicFrameworkCoreLayer::Step;

// Guarded by the layer's lock.
GBasicFrameworkCoreLayer::StepHook sStepHook = nullptr;
// The outermost start failed: the nested starts report false until the count is back to 0.
bool sStartFailed = false;
// The units count their starts: only the start made here is undone here.
bool sUnitsStarted = false;

const GStringPoolDataStruct kEnglishTexts[] = {
    {GLanguageInfoCache::cNameRomanScriptID, "English"},
    {GLanguageInfoCache::cNameJapaneseScriptID, "English"},
};

// Throws when the test hook makes the step fail.
void Enter(Step step) {
    if (sStepHook != nullptr && !sStepHook(step))
        throw GSimpleException(2450);
}

// A line for the trace; never throws.
std::string Describe(char const* what, Step step) noexcept {
    try {
        return std::string(what) + " (step " + std::to_string(static_cast<int>(step)) + ")";
    } catch (...) {
        return std::string();
    }
}

// Called inside a handler: names the exception being handled.
std::string DescribeCurrentException(Step step) noexcept {
    try {
        try {
            throw;
        } catch (GException const& e) {
            return Describe(("exception " + std::to_string(e.GetExceptionID())).c_str(), step);
        } catch (std::exception const& e) {
            return Describe(e.what(), step);
        } catch (...) {
            return Describe("unknown exception", step);
        }
    } catch (...) {
        return std::string();
    }
}

// Written only while a trace is installed: a failure after the trace is gone stays untold.
void TraceFailure(char const* what, std::string const& detail) noexcept {
    try {
        std::string const text = std::string(what) + ": " + detail;
        GTrace::TraceToInstance(GBuffer("FrameworkAS"), GCODE_LOCATION,
                                GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size())));
    } catch (...) {
    }
}

// Runs every teardown step on its own, so that one failing step does not keep the others from
// running; the first failure goes to the trace.
class Teardown {
public:
    template <class F>
    void Run(Step step, F&& stop) noexcept {
        try {
            Enter(step);
            stop();
        } catch (...) {
            Keep(step);
        }
    }

private:
    // The first failure is traced at once, while the trace may still be there; later ones are
    // most likely its consequences.
    void Keep(Step step) noexcept {
        if (mFailed)
            return;
        mFailed = true;
        TraceFailure("Framework teardown failed", DescribeCurrentException(step));
    }

    bool mFailed = false;
};

// The language cache writes its file when it is deleted, where a failure would end the process:
// it is written here instead, where a failure is only reported, and never written again.
void WriteLanguageInfoCache() {
    GLanguageInfoCache* const cache = GLanguageInfoCache::GetInstance();
    if (cache == nullptr)
        return;
    try {
        cache->WriteCache();
    } catch (...) {
        cache->SetCacheFile(GPathName());
        throw;
    }
    cache->SetCacheFile(GPathName());
}

void StopStringPoolSupport() {
    // The support deletes the cache when it installed one.
    std::exception_ptr failure;
    try {
        WriteLanguageInfoCache();
    } catch (...) {
        failure = std::current_exception();
    }
    GStringPoolSupport::Finalize();
    if (failure)
        std::rethrow_exception(failure);
}

// Their texts leave with the pool, so the next start must register them again.
void StopUnits() {
    if (!sUnitsStarted)
        return;
    sUnitsStarted = false;
    GUnitSupport::Finalize();
}

void StopAll() noexcept {
    Teardown teardown;
    teardown.Run(GBasicFrameworkCoreLayer::kStopUserMessages, [] { GUserMessageHandler::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopPreferences, [] { GPreferences::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopIdleTime, [] { GIdleTimeManager::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopFileTypes, [] { GFileType::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopSpecialPaths, [] { GFileSystem::RemoveAllSpecialPaths(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopAllocatorIdler, [] { GAllocatorIdler::SetInstance(nullptr); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopStringPoolSupport, [] { StopStringPoolSupport(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopSignals, [] { GSignalBase::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopUnits, [] { StopUnits(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopStrings, [] { GBasicFrameworkCoreLayer::FinalizeStrings(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopSingletons, [] { GBasicFrameworkCoreLayer::FinalizeSingletons(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopPlatformLayer, [] { PMacXBasicFrameworkCoreLayer::Finalize(); });
    teardown.Run(GBasicFrameworkCoreLayer::kStopPlatform, [] { PSystem::Finalize(); });
}

// False when a step reported failure or threw; the caller undoes what was started.
bool StartAll() noexcept {
    Step step = GBasicFrameworkCoreLayer::kStartPlatform;
    try {
        Enter(step);
        if (!PSystem::Initialize())
            return false;
        Enter(step = GBasicFrameworkCoreLayer::kStartPlatformLayer);
        if (!PMacXBasicFrameworkCoreLayer::Initialize())
            return false;
        Enter(step = GBasicFrameworkCoreLayer::kStartUnicodeTables);
        GUnicodeEncoding::Initialize();
        Enter(step = GBasicFrameworkCoreLayer::kStartSignals);
        GSignalBase::Initialize();
        Enter(step = GBasicFrameworkCoreLayer::kStartStringPoolSupport);
        GStringPoolSupport::Initialize();
        Enter(step = GBasicFrameworkCoreLayer::kStartSingletons);
        GBasicFrameworkCoreLayer::InitializeSingletons();
        Enter(step = GBasicFrameworkCoreLayer::kStartStrings);
        GBasicFrameworkCoreLayer::InitializeStrings();
        Enter(step = GBasicFrameworkCoreLayer::kStartServices);
        GPreferences::Initialize();
        GFileType::Initialize();
        GIdleTimeManager::Initialize();
        GUserMessageHandler::Initialize();
        return true;
    } catch (...) {
        TraceFailure("Framework start failed", DescribeCurrentException(step));
        return false;
    }
}

void ReleaseAllocatorFreeLists() noexcept {
    try {
        GAllocator::GetInstance()->ReleaseFreeLists(-1);
    } catch (...) {
        // Only memory that stays cached: nothing to report.
    }
}

}  // namespace

GBasicFrameworkCoreLayer::GBasicFrameworkCoreLayer() { Initialize(); }

GBasicFrameworkCoreLayer::~GBasicFrameworkCoreLayer() { Finalize(); }

bool GBasicFrameworkCoreLayer::Initialize() {
    try {
        GMutexLocker lock(sLock);
        if (sInitialized++ != 0)
            return !sStartFailed;
        if (StartAll())
            return true;
        // Undone now, so that a start after the count is back to 0 begins from nothing.
        StopAll();
        sStartFailed = true;
        return false;
    } catch (...) {
        // Only the lock itself can get here.
        return false;
    }
}

void GBasicFrameworkCoreLayer::Finalize() {
    try {
        GMutexLocker lock(sLock);
        // A Finalize without an Initialize leaves the count at 0.
        if (sInitialized != 0 && --sInitialized == 0) {
            if (!sStartFailed)
                StopAll();
            sStartFailed = false;
        }
    } catch (...) {
        // Only the lock itself can get here.
    }
    ReleaseAllocatorFreeLists();
}

void GBasicFrameworkCoreLayer::InitializeSingletons() {
    GAllocatorIdler::SetInstance(new GAllocatorIdler);
    GASCIIEncoding::SetInstance(new GASCIIEncoding);
    GMacRomanEncoding::SetInstance(new GMacRomanEncoding);
    GPDFDocEncoding::SetInstance(new GPDFDocEncoding);
    GUnicodeEncoding::SetInstance(new GUnicodeEncoding);
    GMacExpertEncoding::SetInstance(new GMacExpertEncoding);
    GStandardEncoding::SetInstance(new GStandardEncoding);
    GUTF8Encoding::SetInstance(new GUTF8Encoding);
    GWinAnsiEncoding::SetInstance(new GWinAnsiEncoding);
    GProgressCenter::SetInstance(new GDefaultProgressCenter);  // the previous centre dies with the result
    GTrace::SetInstance(new GTrace);
}

void GBasicFrameworkCoreLayer::FinalizeSingletons() {
    GTrace::SetInstance(nullptr);
    GProgressCenter::SetInstance(nullptr);
    GUnicodeEncoding::Finalize();
    GWinAnsiEncoding::SetInstance(nullptr);
    GUTF8Encoding::SetInstance(nullptr);
    GUnicodeEncoding::SetInstance(nullptr);
    GStandardEncoding::SetInstance(nullptr);
    GPDFDocEncoding::SetInstance(nullptr);
    GMacRomanEncoding::SetInstance(nullptr);
    GMacExpertEncoding::SetInstance(nullptr);
    GASCIIEncoding::SetInstance(nullptr);
}

void GBasicFrameworkCoreLayer::InitializeStrings() {
    GStringPool::Initialize();
    GLanguageInfoCache::SetInstance(new GLanguageInfoCache);
    GDateTime::Initialize();
    GUnitSupport::Initialize();
    sUnitsStarted = true;
    GException::Initialize();
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", kEnglishTexts,
                                          static_cast<int>(sizeof kEnglishTexts / sizeof kEnglishTexts[0]), false);
}

void GBasicFrameworkCoreLayer::FinalizeStrings() {
    std::exception_ptr failure;
    try {
        WriteLanguageInfoCache();
    } catch (...) {
        failure = std::current_exception();
    }
    GLanguageInfoCache::SetInstance(nullptr);
    GStringPool::Finalize();
    if (failure)
        std::rethrow_exception(failure);
}

uint32_t GBasicFrameworkCoreLayer::GetInitCount() {
    GMutexLocker lock(sLock);
    return sInitialized;
}

void GBasicFrameworkCoreLayer::SetStepHook(StepHook hook) {
    GMutexLocker lock(sLock);
    sStepHook = hook;
}
