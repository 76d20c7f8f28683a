#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "core/base/GAbortException.h"
#include "services/progress/GDefaultProgressCenter.h"
#include "support/Watchdog.h"

namespace {

class CountingProgressor : public GProgressor {
public:
    int mValueChanges = 0;
    int mMaximumChanges = 0;
    int mTextChanges = 0;
    bool* mDeleted = nullptr;
    ~CountingProgressor() override {
        if (mDeleted != nullptr)
            *mDeleted = true;
    }

protected:
    void ValueChangedSelf() override { ++mValueChanges; }
    void MaximumChangedSelf() override { ++mMaximumChanges; }
    void SetTextSelf() override { ++mTextChanges; }
};

// The centre installed before (the foundation's, when an earlier case of the process started it)
// stands aside for the scope, which works on an empty slot, and is put back at its end.
class EmptyCenterSlot {
public:
    EmptyCenterSlot() : mInstalled(GProgressCenter::SetInstance(nullptr).Release()) {}
    ~EmptyCenterSlot() { GProgressCenter::SetInstance(mInstalled); }
    EmptyCenterSlot(EmptyCenterSlot const&) = delete;
    EmptyCenterSlot& operator=(EmptyCenterSlot const&) = delete;

private:
    GProgressCenter* mInstalled;
};

}  // namespace

TEST(GProgressor, ValueOnlyRisesUnlessForced) {
    CountingProgressor p;
    EXPECT_EQ(p.GetValue(), -1);
    EXPECT_EQ(p.GetMaximum(), -1);
    p.SetValue(10);
    p.SetValue(10);
    p.SetValue(5);
    EXPECT_EQ(p.GetValue(), 10);
    EXPECT_EQ(p.mValueChanges, 1);
    p.ForceValue(5);
    p.ForceValue(5);
    EXPECT_EQ(p.GetValue(), 5);
    EXPECT_EQ(p.mValueChanges, 3);
    p.SetMaximum(50);
    p.SetMaximum(50);
    EXPECT_EQ(p.mMaximumChanges, 1);
    p.SetToMaximum();
    p.SetToMaximum();
    EXPECT_EQ(p.GetValue(), 50);
    EXPECT_EQ(p.mValueChanges, 4);
    p.ResetValue();
    EXPECT_EQ(p.GetValue(), -1);
    p.SetText(GString("Exporting"));
    p.SetText(GString("Exporting"));
    EXPECT_EQ(p.mTextChanges, 1);
}

TEST(GDefaultProgressCenter, NoOpenStepIsComplete) {
    GDefaultProgressCenter centre;
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);
    centre.Stop();  // nothing open: nothing happens
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);
}

TEST(GDefaultProgressCenter, NestedStepsFoldIntoTheProgressor) {
    GDefaultProgressCenter centre;
    auto* p = new CountingProgressor;
    p->SetMaximum(200);
    centre.SetProgressor(p);
    centre.Start(1.0);
    centre.Start(0.5);
    centre.Stop();
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 0.5);
    EXPECT_EQ(p->GetValue(), 100);
    centre.Start(0.25);
    centre.Start(0.5);
    centre.Stop();  // half of a quarter
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), (0.5 * 0.25 + 0.5) * 1.0);
    centre.Stop();
    EXPECT_EQ(p->GetValue(), 150);
    centre.Stop();
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);
    EXPECT_EQ(p->GetValue(), 200);
}

TEST(GDefaultProgressCenter, DonePartNeverExceedsOne) {
    GDefaultProgressCenter centre;
    centre.Start(1.0);
    for (int i = 0; i < 3; ++i) {
        centre.Start(0.6);
        centre.Stop();
    }
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);
    centre.Stop();
}

TEST(GDefaultProgressCenter, ValueGoesDownOnlyWhenForced) {
    GDefaultProgressCenter centre;
    auto* p = new CountingProgressor;
    p->SetMaximum(100);
    p->SetValue(90);
    centre.SetProgressor(p);
    centre.Start(1.0);
    centre.Start(0.5);
    centre.Stop();
    EXPECT_EQ(p->GetValue(), 90);
    centre.SetForceValues(true);
    centre.Start(0.1);
    centre.Stop();
    EXPECT_EQ(p->GetValue(), 60);
    centre.Stop();
}

TEST(GDefaultProgressCenter, FractionsThatAreNotNumbersShowNothingNew) {
    GDefaultProgressCenter centre;
    auto* p = new CountingProgressor;
    p->SetMaximum(100);
    centre.SetProgressor(p);
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
        centre.Start(bad);
        centre.Start(1.0);
        centre.Stop();
        EXPECT_LE(p->GetValue(), 100) << bad;
        centre.Stop();
        EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0) << bad;  // every step closed
        EXPECT_EQ(p->GetValue(), 100);
    }
}

TEST(GDefaultProgressCenter, AbortThrowsOnceAtTheNextStart) {
    GDefaultProgressCenter centre;
    centre.NotifyAbort();
    EXPECT_TRUE(centre.IsAbortPending());
    EXPECT_THROW(centre.Start(1.0), GAbortException);
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);  // the step was not opened
    EXPECT_NO_THROW(centre.Start(1.0));
    EXPECT_NO_THROW(centre.ThrowIfAborted());
    centre.Stop();
    try {
        centre.NotifyAbort();
        centre.ThrowIfAborted();
        FAIL() << "no exception";
    } catch (GAbortException const& e) {
        EXPECT_EQ(e.GetExceptionID(), 2459);
    }
}

TEST(GDefaultProgressCenter, OwnershipOfTheProgressor) {
    bool firstDeleted = false, secondDeleted = false;
    {
        GDefaultProgressCenter centre;
        auto* first = new CountingProgressor;
        first->mDeleted = &firstDeleted;
        centre.SetProgressor(first);
        centre.SetProgressor(first);  // the same one again stays alive
        EXPECT_FALSE(firstDeleted);
        auto* second = new CountingProgressor;
        second->mDeleted = &secondDeleted;
        centre.SetProgressor(second);
        EXPECT_TRUE(firstDeleted);
    }
    EXPECT_TRUE(secondDeleted);
    CountingProgressor kept;
    bool keptDeleted = false;
    kept.mDeleted = &keptDeleted;
    {
        GDefaultProgressCenter centre;
        centre.SetTakeProgressorOwnerShip(false);
        centre.SetProgressor(&kept);
        kept.SetMaximum(10);
        centre.Reset();
    }
    EXPECT_FALSE(keptDeleted);
    kept.mDeleted = nullptr;
}

TEST(GDefaultProgressCenter, SetInstanceHandsBackThePrevious) {
    EmptyCenterSlot slot;
    auto* first = new GDefaultProgressCenter;
    GAutoPtr<GProgressCenter> none = GProgressCenter::SetInstance(first);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(GProgressCenter::GetInstance(), first);
    EXPECT_EQ(GProgressCenter::SetInstance(first).Get(), nullptr);  // same one: not handed back
    GAutoPtr<GProgressCenter> back = GProgressCenter::SetInstance(nullptr);
    EXPECT_EQ(back.Get(), first);
    EXPECT_EQ(GProgressCenter::GetInstance(), nullptr);
}

TEST(GDefaultProgressCenterThreads, EachThreadHasItsOwnSteps) {
    Watchdog watchdog(std::chrono::seconds(20), "progress threads");
    GDefaultProgressCenter centre;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const double fraction = 0.1 * (t + 1);
            for (int i = 0; i < 2000; ++i) {
                centre.Start(1.0);
                centre.Start(fraction);
                centre.Stop();
                if (std::fabs(centre.GetTotalProgress() - fraction) > 1e-12)
                    ++wrong;
                centre.Stop();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_DOUBLE_EQ(centre.GetTotalProgress(), 1.0);
}

TEST(GDefaultProgressCenterThreads, CancelFromAnotherThreadStopsAWorker) {
    Watchdog watchdog(std::chrono::seconds(20), "progress cancel");
    GDefaultProgressCenter centre;
    std::atomic<bool> aborted{false};
    std::thread worker([&] {
        try {
            for (int i = 0; i < 20000000; ++i) {
                centre.Start(0.5);
                centre.Stop();
            }
        } catch (GAbortException const&) {
            aborted = true;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    centre.NotifyAbort();
    worker.join();
    EXPECT_TRUE(aborted.load());
}
