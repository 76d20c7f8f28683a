#include "services/framework/GBasicFrameworkCoreLayer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/idle/GIdleTimeManager.h"
#include "core/memory/GAllocator.h"
#include "core/signals/GBasicSignals.h"
#include "core/signals/GAllocatorIdler.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/GStringPool.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/values/GProcessInfo.h"
#include "core/values/GSystemInfo.h"
#include "services/filesystem/GFileSystem.h"
#include "services/filetypes/GFileType.h"
#include "services/framework/PMacXBasicFrameworkCoreLayer.h"
#include "services/messages/GUserMessageHandler.h"
#include "services/preferences/GPreferences.h"
#include "services/progress/GProgressCenter.h"
#include "services/strings/GLanguageInfoCache.h"
#include "services/tracing/GTrace.h"
#include "services/units/GUnitSupport.h"
#include "support/ChildCheck.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

using Layer = GBasicFrameworkCoreLayer;

// The layer counts per process: each case runs in a child, which first stops whatever this test
// process started, so that it begins at a count of 0, in a sandbox of its own.
void InFreshProcess(std::function<void()> const& body) {
    ExpectPassesInChild([&] {
        ScopedTempFolder sandbox;
        ScopedEnvironment environment;
        for (char const* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"})
            environment.Set(name, sandbox.Path());
        StopFoundationInChild();
        body();
        Layer::SetStepHook(nullptr);
    });
}

GString Pool(int id) { return GStringPool::GetString(GString("enUS"), id); }

// What each teardown step removes, seen from outside; null where nothing outside shows it.
struct Probe {
    Layer::Step step;
    char const* name;
    bool (*up)();
};

const GPathName& ProbePath() {
    static const GPathName path(GString("/trovel-probe/path"));
    return path;
}

bool SpecialPathKept() {
    try {
        return GFileSystem::GetSpecialPath(36) == ProbePath();
    } catch (...) {
        return false;
    }
}

const Probe kProbes[] = {
    {Layer::kStopUserMessages, "user messages", [] { return GUserMessageHandler::GetInstance() != nullptr; }},
    {Layer::kStopPreferences, "preferences", [] { return GPreferences::GetEncoding() != nullptr; }},
    {Layer::kStopIdleTime, "idle time", [] { return GIdleTimeManager::GetInstance() != nullptr; }},
    {Layer::kStopFileTypes, "file types", [] { return GFileType::GetDefault() != nullptr; }},
    {Layer::kStopSpecialPaths, "special paths", &SpecialPathKept},
    {Layer::kStopAllocatorIdler, "allocator idler", [] { return GAllocatorIdler::GetInstance() != nullptr; }},
    {Layer::kStopStringPoolSupport, "string-pool support", nullptr},
    {Layer::kStopSignals, "signals", nullptr},
    {Layer::kStopUnits, "units", nullptr},
    {Layer::kStopStrings, "strings", [] { return !Pool(GLanguageInfoCache::cNameRomanScriptID).IsEmpty(); }},
    {Layer::kStopSingletons, "singletons",
     [] { return GASCIIEncoding::GetInstance() != nullptr || GProgressCenter::GetInstance() != nullptr; }},
    {Layer::kStopPlatformLayer, "platform layer", [] { return GProcessInfo::GetInstance() != nullptr; }},
    {Layer::kStopPlatform, "platform", nullptr},
};

// Everything a start makes is there.
void ExpectStarted() {
    EXPECT_NE(GProcessInfo::GetInstance(), nullptr);
    EXPECT_NE(GSystemInfo::GetInstance(), nullptr);
    EXPECT_NE(GPlatformEncodingFactory::GetInstance(), nullptr);
    EXPECT_NE(GASCIIEncoding::GetInstance(), nullptr);
    EXPECT_NE(GUnicodeEncoding::GetInstance(), nullptr);
    EXPECT_NE(GUnicodeEncoding::GetInstance()->GetCharCodes(), nullptr);
    EXPECT_NE(GProgressCenter::GetInstance(), nullptr);
    EXPECT_NE(GTrace::GetInstance(), nullptr);
    EXPECT_NE(GAllocatorIdler::GetInstance(), nullptr);
    EXPECT_NE(GLanguageInfoCache::GetInstance(), nullptr);
    EXPECT_NE(GIdleTimeManager::GetInstance(), nullptr);
    EXPECT_NE(GUserMessageHandler::GetInstance(), nullptr);
    EXPECT_NE(GFileType::GetDefault(), nullptr);
    EXPECT_EQ(Pool(GLanguageInfoCache::cNameRomanScriptID), GString("English"));
    // Texts of the units, of the dates and of the exceptions.
    EXPECT_FALSE(Pool(GUnitSupport::kPluralNameBase).IsEmpty());
    EXPECT_FALSE(Pool(2451).IsEmpty());
}

// Nothing a start makes is left.
void ExpectStopped() {
    EXPECT_EQ(GProcessInfo::GetInstance(), nullptr);
    EXPECT_EQ(GSystemInfo::GetInstance(), nullptr);
    EXPECT_EQ(GPlatformEncodingFactory::GetInstance(), nullptr);
    EXPECT_EQ(GASCIIEncoding::GetInstance(), nullptr);
    EXPECT_EQ(GUnicodeEncoding::GetInstance(), nullptr);
    EXPECT_EQ(GProgressCenter::GetInstance(), nullptr);
    EXPECT_EQ(GTrace::GetInstance(), nullptr);
    EXPECT_EQ(GLanguageInfoCache::GetInstance(), nullptr);
    for (Probe const& probe : kProbes) {
        if (probe.up != nullptr) {
            EXPECT_FALSE(probe.up()) << probe.name;
        }
    }
}

TEST(GBasicFrameworkCoreLayer, NestedStartsStartOnceAndStopAtTheLastFinalize) {
    InFreshProcess([] {
        ExpectStopped();
        ASSERT_TRUE(Layer::Initialize());
        GProcessInfo* const first = GProcessInfo::GetInstance();
        ExpectStarted();
        EXPECT_TRUE(Layer::Initialize());
        EXPECT_TRUE(Layer::Initialize());
        // Only counted: the instances are the first start's.
        EXPECT_EQ(GProcessInfo::GetInstance(), first);
        EXPECT_EQ(Layer::GetInitCount(), 3u);
        Layer::Finalize();
        Layer::Finalize();
        EXPECT_EQ(GProcessInfo::GetInstance(), first);
        EXPECT_EQ(Layer::GetInitCount(), 1u);
        Layer::Finalize();
        EXPECT_EQ(Layer::GetInitCount(), 0u);
        ExpectStopped();
        // A start after the stop makes everything again.
        ASSERT_TRUE(Layer::Initialize());
        ExpectStarted();
        Layer::Finalize();
        ExpectStopped();
    });
}

TEST(GBasicFrameworkCoreLayer, AnObjectStartsAndStopsWithItsScope) {
    InFreshProcess([] {
        {
            Layer layer;
            EXPECT_EQ(Layer::GetInitCount(), 1u);
            ExpectStarted();
        }
        EXPECT_EQ(Layer::GetInitCount(), 0u);
        ExpectStopped();
    });
}

TEST(GBasicFrameworkCoreLayer, FinalizeWithoutInitializeStopsNothingAndReleasesTheFreeLists) {
    InFreshProcess([] {
        // What a host might have set up without the layer stays.
        GProcessInfo* const own = GProcessInfo::GetInstance();
        GAllocator* const allocator = GAllocator::GetInstance();
        void* block = allocator->Alloc(1000);
        allocator->Free(block, 1000);
#ifndef GALLOCATOR_USE_HEAP
        EXPECT_GT(allocator->CountFreeListBlocks(1000), 0u);
#endif
        Layer::Finalize();
        Layer::Finalize();
        EXPECT_EQ(Layer::GetInitCount(), 0u);
        EXPECT_EQ(GProcessInfo::GetInstance(), own);
        EXPECT_EQ(allocator->CountFreeListBlocks(1000), 0u);
        // The count did not go below 0: one start is stopped by one stop.
        ASSERT_TRUE(Layer::Initialize());
        Layer::Finalize();
        ExpectStopped();
    });
}

TEST(GBasicFrameworkCoreLayer, EnglishNamesTheEnglishLanguageInBothScripts) {
    InFreshProcess([] {
        ASSERT_TRUE(Layer::Initialize());
        GString const english("enUS");
        EXPECT_EQ(GStringPool::GetString(english, GLanguageInfoCache::cNameRomanScriptID), GString("English"));
        EXPECT_EQ(GStringPool::GetString(english, GLanguageInfoCache::cNameJapaneseScriptID), GString("English"));
        Layer::Finalize();
    });
}

TEST(GBasicFrameworkCoreLayer, StartRaisesTheSoftOpenFileLimitToTheProcessMaximum) {
    InFreshProcess([] {
        rlimit limits{};
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
        // Start from a low soft limit, so that the raise is seen.
        limits.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limits), 0);
        ASSERT_TRUE(Layer::Initialize());
        ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
        rlim_t expected = limits.rlim_max;
        if (expected == RLIM_INFINITY) {
            unsigned long long nrOpen = 0;
            if (std::FILE* file = std::fopen("/proc/sys/fs/nr_open", "r")) {
                EXPECT_EQ(std::fscanf(file, "%llu", &nrOpen), 1);
                std::fclose(file);
            }
            expected = static_cast<rlim_t>(nrOpen);
        }
        EXPECT_EQ(limits.rlim_cur, expected);
        EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetMaxFilesOpenForThisProcess(), static_cast<uint32_t>(expected));
        Layer::Finalize();
    });
}

TEST(GBasicFrameworkCoreLayer, IdleSliceMayEndTheLastStart) {
    // A plug-in's idle work stops the framework it started: the manager serving it goes with it.
    InFreshProcess([] {
        struct LastStop : GIdleTimeClient {
            int slices = 0;
            bool DoIdleTime() override {
                ++slices;
                Layer::Finalize();
                return true;
            }
        } client;
        ASSERT_TRUE(Layer::Initialize());
        GIdleTimeManager::GetInstance()->RegisterClient(&client);
        std::this_thread::sleep_for(std::chrono::duration<double>(GIdleTimeManager::cPassInterval + 0.02));
        GBasicSignals::DevoteTimeToRepeaters();
        EXPECT_EQ(client.slices, 1);
        EXPECT_EQ(Layer::GetInitCount(), 0u);
        ExpectStopped();
        GBasicSignals::DevoteTimeToRepeaters();
        EXPECT_EQ(client.slices, 1);
    });
}

// How an injected failure shows: the step reports failure, or it throws (a framework exception
// or any other).
enum class Failure { kReported, kThrown };

std::atomic<int> sFailingStep{-1};
std::atomic<int> sFailure{0};
std::atomic<int> sHookCalls{0};

bool FailingStep(Layer::Step step) {
    sHookCalls.fetch_add(1);
    if (step != sFailingStep.load())
        return true;
    if (sFailure.load() == static_cast<int>(Failure::kThrown))
        throw std::runtime_error("injected");
    return false;
}

void InjectFailure(Layer::Step step, Failure failure) {
    sFailingStep = step;
    sFailure = static_cast<int>(failure);
    Layer::SetStepHook(&FailingStep);
}

TEST(GBasicFrameworkCoreLayer, FailedStartAtAnyStepReportsFalseUntilTheCountIsBackToZero) {
    const Layer::Step steps[] = {Layer::kStartPlatform,          Layer::kStartPlatformLayer, Layer::kStartUnicodeTables,
                                 Layer::kStartSignals,           Layer::kStartStringPoolSupport,
                                 Layer::kStartSingletons,        Layer::kStartStrings,       Layer::kStartServices};
    for (Layer::Step step : steps) {
        for (Failure failure : {Failure::kReported, Failure::kThrown}) {
            SCOPED_TRACE("step " + std::to_string(step) + (failure == Failure::kThrown ? ", thrown" : ", reported"));
            InFreshProcess([step, failure] {
                InjectFailure(step, failure);
                EXPECT_FALSE(Layer::Initialize());
                // Undone at once: nothing half-started is left to use.
                ExpectStopped();
                EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitCount(), 0u);
                // The count stays raised, and the nested starts do not pretend success.
                EXPECT_EQ(Layer::GetInitCount(), 1u);
                Layer::SetStepHook(nullptr);
                EXPECT_FALSE(Layer::Initialize());
                ExpectStopped();
                Layer::Finalize();
                Layer::Finalize();
                EXPECT_EQ(Layer::GetInitCount(), 0u);
                // Back at 0, the next start is a clean one.
                ASSERT_TRUE(Layer::Initialize());
                ExpectStarted();
                Layer::Finalize();
                ExpectStopped();
            });
        }
    }
}

TEST(GBasicFrameworkCoreLayer, FailingTeardownStepDoesNotKeepTheRestFromStopping) {
    for (Probe const& failing : kProbes) {
        for (Failure failure : {Failure::kReported, Failure::kThrown}) {
            SCOPED_TRACE(std::string(failing.name) + (failure == Failure::kThrown ? ", thrown" : ", reported"));
            InFreshProcess([&failing, failure] {
                ASSERT_TRUE(Layer::Initialize());
                GFileSystem::AddSpecialPath(36, ProbePath());
                InjectFailure(failing.step, failure);
                sHookCalls = 0;
                // Through the object's destructor: a throw there would end the process.
                { Layer adopted; }
                EXPECT_EQ(Layer::GetInitCount(), 1u);
                Layer::Finalize();
                EXPECT_EQ(Layer::GetInitCount(), 0u);
                // Every step was reached.
                EXPECT_EQ(sHookCalls.load(), static_cast<int>(sizeof kProbes / sizeof kProbes[0]));
                for (Probe const& probe : kProbes) {
                    if (probe.up == nullptr)
                        continue;
                    if (&probe == &failing)
                        EXPECT_TRUE(probe.up()) << probe.name << " was skipped, so it is still there";
                    else
                        EXPECT_FALSE(probe.up()) << probe.name;
                }
                Layer::SetStepHook(nullptr);
                EXPECT_TRUE(Layer::Initialize());
                Layer::Finalize();
            });
        }
    }
}

TEST(GBasicFrameworkCoreLayer, FirstTeardownFailureIsTraced) {
    InFreshProcess([] {
        ASSERT_TRUE(Layer::Initialize());
        GBuffer written;
        GTrace::SetInstance(new GTrace(GAutoPtr<GOutStream, GDeletePtr>(new GMemoryOutStream(written))));
        InjectFailure(Layer::kStopIdleTime, Failure::kThrown);
        Layer::Finalize();
        std::string const text(reinterpret_cast<char const*>(written.GetPtr()), static_cast<size_t>(written.GetLength()));
        EXPECT_NE(text.find("Framework teardown failed: injected"), std::string::npos) << text;
    });
}

// The language cache writes its file when it goes; a write that fails must not end the process.
TEST(GBasicFrameworkCoreLayer, UnwritableLanguageCacheDoesNotEndTheTeardown) {
    InFreshProcess([] {
        ScopedTempFolder folder;
        std::FILE* blocker = std::fopen((folder / "file").c_str(), "w");
        ASSERT_NE(blocker, nullptr);
        std::fclose(blocker);
        ASSERT_TRUE(Layer::Initialize());
        // Its folder is a file: the write fails.
        GLanguageInfoCache::GetInstance()->SetCacheFile(GPathName(GString((folder / "file/languages.cache").c_str())));
        Layer::Finalize();
        ExpectStopped();
    });
}

TEST(GBasicFrameworkCoreLayerThread, ConcurrentStartsAndStopsKeepTheCount) {
    InFreshProcess([] {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&failures] {
                for (int i = 0; i < 10; ++i) {
                    if (!Layer::Initialize() || GProcessInfo::GetInstance() == nullptr)
                        failures.fetch_add(1);
                    Layer::Finalize();
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(failures.load(), 0);
        EXPECT_EQ(Layer::GetInitCount(), 0u);
        ExpectStopped();
    });
}

}  // namespace
