// Eight threads use the shared state of the foundation at once, as a busy plug-in does: pooled
// blocks freed on other threads, platform conversions, interned names, signals whose receivers
// leave and rejoin inside Receive while their owners re-subscribe, and one const string that all
// of them read. Run under ThreadSanitizer in CI; a watchdog turns a stall into a failure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/memory/GAllocator.h"
#include "core/memory/GSharedObject.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GName.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncoding.h"
#include "standin/StandinStringEncoding.h"
#include "support/FoundationStartup.h"
#include "support/Watchdog.h"

namespace {

constexpr int cThreads = 8;
constexpr int cSignalId = 7301;
constexpr auto cRunTime = std::chrono::milliseconds(1500);
constexpr auto cStallLimit = std::chrono::seconds(60);

// Blocks handed from one thread to the next, freed by the thread that takes them.
class BlockExchange {
public:
    struct Block {
        void* data;
        unsigned long size;
    };
    void Put(int to, Block block) {
        std::lock_guard<std::mutex> lock(mMutex);
        mQueues[to].push_back(block);
    }
    bool Take(int of, Block& block) {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mQueues[of].empty())
            return false;
        block = mQueues[of].front();
        mQueues[of].pop_front();
        return true;
    }

private:
    std::mutex mMutex;
    std::deque<Block> mQueues[cThreads];
};

// How many receivers may still leave and rejoin inside the Send under way on this thread: one
// that rejoins is called again in the same Send, so an unbounded number would never end it.
thread_local int tBouncesLeft = 0;

// Leaves its signal inside Receive now and then and comes back at once; its owner thread also
// re-subscribes it while other threads send.
class RestlessReceiver : public GReceiver<int> {
public:
    ~RestlessReceiver() override { UnSubscribeAll(); }
    void Receive(int id, const int& message) override {
        mReceived.fetch_add(1, std::memory_order_relaxed);
        if (message % 3 == 0 && tBouncesLeft > 0) {
            --tBouncesLeft;
            UnSubscribe(id);
            Subscribe(id);
        }
    }
    long Received() const { return mReceived.load(std::memory_order_relaxed); }

private:
    std::atomic<long> mReceived{0};
};

TEST(FoundationStress, EightThreadsShareTheFoundation) {
    StartFoundationWithPlatformEncodings();
    GSignalBase::Initialize();
    GSignal<int>::GetSignal(cSignalId);
    GEncoding const* utf8 = GUTF8Encoding::GetInstance();
    GSharedObject<PMacPlatformEncoding> shiftJIS(new PMacPlatformEncoding(StandinStringEncoding::kMacJapanese));
    // Text that Mac Japanese holds whole: ASCII, kanji, katakana.
    const std::string sharedText = "Trovelor \xE6\x97\xA5\xE6\x9C\xAC \xE3\x82\xAB\xE3\x82\xBF\xE3\x83\xAD\xE3\x82\xB0 100";
    const GString shared(GBuffer(reinterpret_cast<unsigned char const*>(sharedText.data()),
                                 static_cast<int>(sharedText.size())),
                         utf8);
    const GBuffer sharedUTF16 = shared.GetBuffer(GUnicodeEncoding::GetInstance());

    BlockExchange exchange;
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::unique_ptr<RestlessReceiver>> receivers;
    for (int t = 0; t < cThreads; ++t)
        receivers.push_back(std::make_unique<RestlessReceiver>());
    {
        Watchdog watchdog(cStallLimit, "the stress run");
        std::vector<std::thread> threads;
        for (int t = 0; t < cThreads; ++t) {
            threads.emplace_back([&, t] {
                std::mt19937 random(static_cast<unsigned>(t) * 7919u + 1u);
                GAllocator* allocator = GAllocator::GetInstance();
                RestlessReceiver& own = *receivers[static_cast<std::size_t>(t)];
                own.Subscribe(cSignalId);
                for (int round = 0; !stop.load(std::memory_order_relaxed); ++round) {
                    // Pooled blocks of every small size, freed by the next thread.
                    const unsigned long size = 1 + random() % 600;
                    void* block = allocator->Alloc(size);
                    static_cast<unsigned char*>(block)[0] = static_cast<unsigned char>(round);
                    exchange.Put((t + 1) % cThreads, {block, size});
                    BlockExchange::Block taken;
                    while (exchange.Take(t, taken))
                        allocator->Free(taken.data, taken.size);

                    // Everybody reads the one const string.
                    if (shared.GetBuffer(GUnicodeEncoding::GetInstance()) != sharedUTF16)
                        failures.fetch_add(1);
                    GBuffer sjis;
                    if (shared.GetBuffer(sjis, shiftJIS.Get()) != GEncoding::kConvertOK)
                        failures.fetch_add(1);
                    if (!(GString(sjis, shiftJIS.Get()) == shared))
                        failures.fetch_add(1);

                    GName name(("name-" + std::to_string(random() % 64)).c_str());
                    if (GName(name.GetBuffer()) != name)
                        failures.fetch_add(1);

                    tBouncesLeft = 2;
                    GSignal<int>::GetSignal(cSignalId)->Send(round);
                    if (round % 5 == 0) {
                        own.UnSubscribe(cSignalId);
                        own.Subscribe(cSignalId);
                    }
                }
                own.UnSubscribe(cSignalId);
                BlockExchange::Block taken;
                while (exchange.Take(t, taken))
                    allocator->Free(taken.data, taken.size);
            });
        }
        std::this_thread::sleep_for(cRunTime);
        stop.store(true);
        for (std::thread& thread : threads)
            thread.join();
    }
    // Blocks put after their taker's last look.
    BlockExchange::Block taken;
    for (int t = 0; t < cThreads; ++t)
        while (exchange.Take(t, taken))
            GAllocator::GetInstance()->Free(taken.data, taken.size);
    EXPECT_EQ(failures.load(), 0);
    for (auto const& receiver : receivers)
        EXPECT_GT(receiver->Received(), 0);
    receivers.clear();
    GSignalBase::Finalize();
}

}  // namespace
