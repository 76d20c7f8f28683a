#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/base/ObjScopeGuardImpl0.h"
#include "core/base/ObjScopeGuardImpl1.h"
#include "core/memory/GAutoPtr.h"
#include "core/memory/GSharedObject.h"
#include "core/memory/GSmartPtr.h"
#include "core/memory/GThreadSafeRefCount.h"

namespace {

struct Tracked {
    static int sDeleted;
    explicit Tracked(int v = 0) : value(v) {}
    virtual ~Tracked() { ++sDeleted; }
    int value;
};
int Tracked::sDeleted = 0;

struct DerivedTracked : Tracked {};

struct Counted : GThreadSafeRefCount {
    static std::atomic<int> sDeleted;
    ~Counted() override { ++sDeleted; }
};
std::atomic<int> Counted::sDeleted{0};

class Ownership : public ::testing::Test {
protected:
    void SetUp() override {
        Tracked::sDeleted = 0;
        Counted::sDeleted = 0;
    }
};

} // namespace

TEST_F(Ownership, AutoPtrCopyTakesOverAndDeletesOnce) {
    {
        GAutoPtr<Tracked> source(new Tracked(1));
        {
            GAutoPtr<Tracked> copy(source);
            EXPECT_FALSE(source.IsOwner());
            EXPECT_TRUE(copy.IsOwner());
            EXPECT_EQ(source.Get(), copy.Get());
        }
        EXPECT_EQ(Tracked::sDeleted, 1);
    }
    EXPECT_EQ(Tracked::sDeleted, 1);
}

TEST_F(Ownership, AutoPtrAssignmentDeletesWhatItOwnedBefore) {
    GAutoPtr<Tracked> a(new Tracked(1));
    GAutoPtr<Tracked> b(new Tracked(2));
    a = b;
    EXPECT_EQ(Tracked::sDeleted, 1);
    EXPECT_EQ(a->value, 2);
    EXPECT_TRUE(a.IsOwner());
    EXPECT_FALSE(b.IsOwner());
    GAutoPtr<Tracked>& self = a;
    a = self;
    EXPECT_TRUE(a.IsOwner());
    b = a; // both hold the same object: handing it over must not delete it
    a = b;
    EXPECT_EQ(Tracked::sDeleted, 1);
    EXPECT_TRUE(a.IsOwner());
    GAutoPtr<DerivedTracked> derived(new DerivedTracked);
    a = derived;
    EXPECT_EQ(Tracked::sDeleted, 2);
    EXPECT_FALSE(derived.IsOwner());
}

TEST_F(Ownership, AutoPtrReleaseHandsTheObjectOut) {
    Tracked* object = nullptr;
    {
        GAutoPtr<Tracked> ptr(new Tracked);
        object = ptr.Release();
        EXPECT_EQ(ptr.Get(), object);
        EXPECT_FALSE(GAutoPtr<Tracked>().IsOwner());
    }
    EXPECT_EQ(Tracked::sDeleted, 0);
    delete object;
}

TEST_F(Ownership, SmartPtrDeletesWhenTheLastHolderGoes) {
    auto* first = new GSmartPtr<Tracked>(new Tracked);
    auto* second = new GSmartPtr<Tracked>(*first);
    auto* third = new GSmartPtr<Tracked>(*second);
    auto* fourth = new GSmartPtr<Tracked>(*third);
    EXPECT_EQ(fourth->GetRefCount(), 4);
    delete second;
    delete first;
    delete fourth;
    EXPECT_EQ(Tracked::sDeleted, 0);
    EXPECT_EQ(third->GetRefCount(), 1);
    delete third;
    EXPECT_EQ(Tracked::sDeleted, 1);
}

TEST_F(Ownership, SmartPtrAssignment) {
    GSmartPtr<Tracked> a(new Tracked(1));
    GSmartPtr<Tracked> b(new Tracked(2));
    GSmartPtr<Tracked>& self = a;
    a = self;
    EXPECT_EQ(a.GetRefCount(), 1);
    EXPECT_EQ(a->value, 1);
    a = b;
    EXPECT_EQ(Tracked::sDeleted, 1);
    EXPECT_EQ(b.GetRefCount(), 2);
    // Letting go by hand leaves nothing for the destructor to let go again.
    a.DecrRefCount();
    EXPECT_EQ(a.Get(), nullptr);
    EXPECT_EQ(b.GetRefCount(), 1);
    a.DecrRefCount();
    EXPECT_EQ(b.GetRefCount(), 1);
    EXPECT_EQ(Tracked::sDeleted, 1);
}

TEST_F(Ownership, RefCountStartsAtZeroAndTheLastReleaseDeletes) {
    const Counted* object = new Counted;
    EXPECT_EQ(object->GetRefCount(), 0);
    object->Acquire();
    object->Acquire();
    EXPECT_EQ(object->GetRefCount(), 2);
    object->Release();
    EXPECT_EQ(Counted::sDeleted, 0);
    object->Release();
    EXPECT_EQ(Counted::sDeleted, 1);
}

TEST_F(Ownership, RefCountHoldsUnderConcurrentAcquireAndRelease) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    Counted* object = new Counted;
    object->Acquire();
    for (int i = 0; i < kThreads; ++i)
        object->Acquire();
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([object] {
            for (int round = 0; round < kRounds; ++round) {
                GSharedObject<Counted> holder(object);
                object->Acquire();
                object->Release();
            }
            object->Release();
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(object->GetRefCount(), 1);
    EXPECT_EQ(Counted::sDeleted, 0);
    object->Release();
    EXPECT_EQ(Counted::sDeleted, 1);

    // The last release may come from any thread; exactly one deletes.
    Counted* shared = new Counted;
    for (int i = 0; i < kThreads; ++i)
        shared->Acquire();
    threads.clear();
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([shared] { shared->Release(); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(Counted::sDeleted, 2);
}

TEST_F(Ownership, SharedObjectHoldsAndLetsGo) {
    Counted* object = new Counted;
    {
        GSharedObject<Counted> holder(object);
        EXPECT_EQ(object->GetRefCount(), 1);
        holder = object;
        EXPECT_EQ(object->GetRefCount(), 1);
        GSharedObject<Counted>& self = holder;
        holder = self;
        EXPECT_EQ(object->GetRefCount(), 1);
        {
            GSharedObject<Counted> copy(holder);
            EXPECT_EQ(object->GetRefCount(), 2);
            GSharedObject<Counted> other(new Counted);
            other = holder;
            EXPECT_EQ(Counted::sDeleted, 1);
            EXPECT_EQ(object->GetRefCount(), 3);
        }
        EXPECT_EQ(object->GetRefCount(), 1);
        GSharedObject<const Counted> readOnly(object);
        holder = nullptr;
        EXPECT_EQ(Counted::sDeleted, 1);
    }
    EXPECT_EQ(Counted::sDeleted, 2);
}

namespace {

struct Closer {
    int calls = 0;
    int last = 0;
    void Close() { ++calls; }
    void Fail() {
        ++calls;
        throw std::runtime_error("cannot close");
    }
    void CloseWith(int code) {
        ++calls;
        last = code;
    }
};

} // namespace

TEST(ObjScopeGuard, CallsAtScopeEndUnlessDismissed) {
    Closer closer;
    {
        ObjScopeGuardImpl0 guard(closer, &Closer::Close);
    }
    EXPECT_EQ(closer.calls, 1);
    {
        ObjScopeGuardImpl0 guard(closer, &Closer::Close);
        guard.Dismiss();
    }
    EXPECT_EQ(closer.calls, 1);
    {
        ObjScopeGuardImpl1 guard(closer, &Closer::CloseWith, 42);
    }
    EXPECT_EQ(closer.calls, 2);
    EXPECT_EQ(closer.last, 42);
    {
        ObjScopeGuardImpl1 guard(closer, &Closer::CloseWith, 7);
        guard.Dismiss();
    }
    EXPECT_EQ(closer.last, 42);
}

TEST(ObjScopeGuard, AThrowingCallLetsTheScopeEndNormally) {
    Closer closer;
    bool ended = false;
    EXPECT_NO_THROW({
        {
            ObjScopeGuardImpl0 guard(closer, &Closer::Fail);
        }
        ended = true;
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(closer.calls, 1);
}
