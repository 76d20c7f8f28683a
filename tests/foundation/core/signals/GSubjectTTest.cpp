// Subjects and observers: priority order, re-attaching, changes during Notify, and what each side
// holds after the other goes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/signals/GObserverT.h"
#include "core/signals/GSubjectT.h"

namespace {

using Log = std::vector<std::string>;

class Watcher : public GObserverT<> {
public:
    Watcher(std::string name, Log* log, bool* deleted = nullptr)
        : mName(std::move(name)), mLog(log), mDeleted(deleted) {}
    ~Watcher() override {
        if (mDeleted != nullptr)
            *mDeleted = true;
    }

    void Update(GSubjectT<>* subject) override {
        mLog->push_back(mName);
        lastSubject = subject;
        if (action)
            action();
    }

    std::function<void()> action;
    GSubjectT<>* lastSubject = nullptr;

private:
    std::string mName;
    Log* mLog;
    bool* mDeleted;
};

// Keeps the message instead of falling back to Update(subject).
class MessageWatcher : public GObserverT<> {
public:
    using GObserverT<>::Update;
    void Update(GSubjectT<>*, int message) override { messages.push_back(message); }
    std::vector<int> messages;
};

std::vector<std::unique_ptr<Watcher>> MakeWatchers(int n, Log* log) {
    std::vector<std::unique_ptr<Watcher>> watchers;
    for (int i = 0; i < n; ++i)
        watchers.push_back(std::make_unique<Watcher>(std::to_string(i), log));
    return watchers;
}

struct AttachOrder {
    std::vector<int> priorities;
    Log notified;
};

class GSubjectTOrderTest : public ::testing::TestWithParam<AttachOrder> {};

TEST_P(GSubjectTOrderTest, HigherPrioritiesFirstEqualOnesInAttachOrder) {
    Log log;
    auto watchers = MakeWatchers(static_cast<int>(GetParam().priorities.size()), &log);
    GSubjectT<> subject;
    for (size_t i = 0; i < watchers.size(); ++i)
        subject.Attach(watchers[i].get(), GetParam().priorities[i]);
    subject.Notify();
    EXPECT_EQ(log, GetParam().notified);
    for (int i = 1; i < subject.GetObserverCount(); ++i)
        EXPECT_GE(subject.GetPriorityAt(i - 1), subject.GetPriorityAt(i));
}

INSTANTIATE_TEST_SUITE_P(Sequences, GSubjectTOrderTest,
                         ::testing::Values(AttachOrder{{5, 10, 5}, {"1", "0", "2"}},
                                           AttachOrder{{1, 2, 3}, {"2", "1", "0"}},
                                           AttachOrder{{3, 2, 1}, {"0", "1", "2"}},
                                           AttachOrder{{0, 0, 0, 0}, {"0", "1", "2", "3"}},
                                           AttachOrder{{-1, 0, -1, 7, 0}, {"3", "1", "4", "0", "2"}},
                                           AttachOrder{{2, 1, 2, 1, 3}, {"4", "0", "2", "1", "3"}},
                                           AttachOrder{{7}, {"0"}}));

TEST(GSubjectTTest, ReattachingMovesOnlyWhenThePriorityChanges) {
    Log log;
    auto w = MakeWatchers(3, &log);
    GSubjectT<> subject;
    subject.Attach(w[0].get(), 5);
    subject.Attach(w[1].get(), 5);
    subject.Attach(w[2].get(), 5);

    subject.Attach(w[0].get(), 5);
    subject.Notify();
    EXPECT_EQ(log, (Log{"0", "1", "2"}));
    EXPECT_EQ(w[0]->GetSubjectCount(), 1);

    log.clear();
    subject.Attach(w[2].get(), 9);
    subject.Attach(w[0].get(), 1);
    subject.Notify();
    EXPECT_EQ(log, (Log{"2", "1", "0"}));
    EXPECT_EQ(subject.GetObserverCount(), 3);
    EXPECT_EQ(w[2]->GetSubjectCount(), 1);
}

TEST(GSubjectTTest, DetachForgetsBothSides) {
    Log log;
    auto w = MakeWatchers(2, &log);
    GSubjectT<> subject;
    subject.Attach(w[0].get(), 0);
    subject.Attach(w[1].get(), 0);
    subject.Detach(w[0].get());
    EXPECT_FALSE(w[0]->HasSubject(&subject));
    subject.Detach(w[0].get());
    subject.Detach(nullptr);
    subject.Notify();
    EXPECT_EQ(log, (Log{"1"}));
}

TEST(GSubjectTTest, ADestroyedSubjectLeavesNoObserverHoldingIt) {
    Log log;
    auto w = MakeWatchers(4, &log);
    GSubjectT<> other;
    other.Attach(w[0].get(), 0);
    {
        GSubjectT<> subject;
        for (auto& watcher : w)
            subject.Attach(watcher.get(), 0);
        EXPECT_EQ(w[0]->GetSubjectCount(), 2);
    }
    for (auto& watcher : w)
        EXPECT_EQ(watcher->GetSubjectCount(), watcher == w[0] ? 1 : 0);
    EXPECT_TRUE(w[0]->HasSubject(&other));
}

TEST(GSubjectTTest, ADestroyedObserverLeavesEverySubject) {
    Log log;
    GSubjectT<> a, b;
    Watcher stays("stays", &log);
    a.Attach(&stays, 0);
    {
        Watcher goes("goes", &log);
        a.Attach(&goes, 1);
        b.Attach(&goes, 1);
    }
    EXPECT_EQ(a.GetObserverCount(), 1);
    EXPECT_EQ(b.GetObserverCount(), 0);
    a.Notify();
    b.Notify();
    EXPECT_EQ(log, (Log{"stays"}));
}

TEST(GSubjectTTest, NotificationOffCallsNobody) {
    Log log;
    Watcher w("w", &log);
    GSubjectT<> subject;
    subject.Attach(&w, 0);
    subject.SetNotificationOff(true);
    subject.Notify();
    subject.Notify(3);
    EXPECT_TRUE(log.empty());
    subject.SetNotificationOff(false);
    subject.Notify(3);
    EXPECT_EQ(log, (Log{"w"}));
    EXPECT_EQ(w.lastSubject, &subject);
}

TEST(GSubjectTTest, MessagesReachTheMessageUpdate) {
    MessageWatcher m;
    GSubjectT<> subject;
    subject.Attach(&m, 0);
    subject.Notify(4);
    subject.Notify(7);
    subject.Notify();
    EXPECT_EQ(m.messages, (std::vector<int>{4, 7}));
}

TEST(GSubjectTTest, ObserversMayDetachOrDeleteDuringNotify) {
    Log log;
    GSubjectT<> subject;
    auto w = MakeWatchers(4, &log);
    for (auto& watcher : w)
        subject.Attach(watcher.get(), 0);
    // 0 detaches 1 ahead of its turn, 2 deletes itself, 3 is still reached once.
    w[0]->action = [&] { subject.Detach(w[1].get()); };
    w[2]->action = [&w] {
        std::unique_ptr<Watcher>& self = w[2];
        self.reset();
    };
    subject.Notify();
    EXPECT_EQ(log, (Log{"0", "2", "3"}));
    EXPECT_EQ(subject.GetObserverCount(), 2);
}

TEST(GSubjectTTest, AnObserverMayDeleteTheSubjectDuringNotify) {
    Log log;
    auto subject = std::make_unique<GSubjectT<>>();
    auto w = MakeWatchers(3, &log);
    for (auto& watcher : w)
        subject->Attach(watcher.get(), 0);
    w[1]->action = [&subject] { subject.reset(); };
    subject->Notify();
    EXPECT_EQ(log, (Log{"0", "1"}));
    for (auto& watcher : w)
        EXPECT_EQ(watcher->GetSubjectCount(), 0);
}

TEST(GSubjectTTest, AdoptedObserversGoWithTheSubject) {
    Log log;
    bool firstDeleted = false, secondDeleted = false;
    {
        GSubjectT<> subject;
        auto* first = new Watcher("first", &log, &firstDeleted);
        auto* second = new Watcher("second", &log, &secondDeleted);
        subject.AdoptObserver(first);
        subject.AdoptObserver(second);
        subject.Attach(second, 0);
        subject.Notify();
    }
    EXPECT_EQ(log, (Log{"second"}));
    EXPECT_TRUE(firstDeleted);
    EXPECT_TRUE(secondDeleted);
}

TEST(GSubjectTTest, ANullObserverIsRefused) {
    GSubjectT<> subject;
    try {
        subject.Attach(nullptr, 0);
        FAIL() << "no exception";
    } catch (const GSimpleException& e) {
        EXPECT_EQ(e.GetExceptionID(), GSubjectT<>::kNullObserver);
    }
    EXPECT_EQ(subject.GetObserverCount(), 0);
}

} // namespace
