#include "hostsdk/boss/HostBoss.h"

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/base/InterfacePtr.h"

namespace {

using namespace hostsdktest;

class HostBossTest : public HostSdkTest {};

TEST_F(HostBossTest, InterfacesShareOneCountAndGoLastAddedFirst) {
    std::vector<std::string> events;
    HostBoss* boss = HostBoss::Create(0x6000);
    boss->Add<TestA>(&events, 5);
    boss->Add<TestB>(&events);
    EXPECT_EQ(HostBoss::OutstandingReferences(), mReferences + 1);
    EXPECT_EQ(HostMemory::Outstanding(), mObjects + 2);
    {
        InterfacePtr<ITestA> a(boss, ITestA::kDefaultIID);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->Value(), 5);
        InterfacePtr<ITestB> b(a.get(), ITestB::kDefaultIID);
        ASSERT_TRUE(b);
        EXPECT_EQ(boss->ReferenceCount(), 3);
        boss->Release();
        EXPECT_TRUE(events.empty());
    }
    EXPECT_EQ(events, (std::vector<std::string>{"~TestB", "~TestA"}));
    ExpectAllReleased();
}

TEST_F(HostBossTest, InterfacePtrCountsCopiesNotMovesAndGivesNullForAMissingOrWrongInterface) {
    HostBoss* boss = HostBoss::Create(0x6000);
    boss->Add<TestA>();
    {
        InterfacePtr<ITestA> a(boss, ITestA::kDefaultIID);
        InterfacePtr<ITestA> copy(a);
        EXPECT_EQ(boss->ReferenceCount(), 3);
        InterfacePtr<ITestA> moved(std::move(copy));
        EXPECT_FALSE(copy);
        EXPECT_EQ(boss->ReferenceCount(), 3);
        EXPECT_FALSE((InterfacePtr<ITestB>(boss, ITestB::kDefaultIID)));
        // The interface of that ID is an ITestA: asking for it as an ITestB gives null, no count.
        EXPECT_FALSE((InterfacePtr<ITestB>(boss, ITestA::kDefaultIID)));
        EXPECT_FALSE((InterfacePtr<ITestA>(nullptr, ITestA::kDefaultIID)));
        EXPECT_EQ(boss->ReferenceCount(), 3);
        ITestA* kept = moved.forget();
        EXPECT_EQ(boss->ReferenceCount(), 3);
        kept->Release();
    }
    boss->Release();
    ExpectAllReleased();
}

TEST_F(HostBossTest, QueryInterfaceFailsByInterfaceNameAndCallNumber) {
    HostBoss* boss = HostBoss::Create(0x6000);
    boss->Add<TestA>();
    HostFaults::Arm("ITestA", 2);
    EXPECT_TRUE((InterfacePtr<ITestA>(boss, ITestA::kDefaultIID)));
    EXPECT_FALSE((InterfacePtr<ITestA>(boss, ITestA::kDefaultIID)));
    EXPECT_TRUE((InterfacePtr<ITestA>(boss, ITestA::kDefaultIID)));
    EXPECT_EQ(HostCallLog::Calls(),
              (std::vector<std::string>{"ITestA queried", "ITestA queried -> injected failure", "ITestA queried"}));
    boss->Release();
    ExpectAllReleased();
}

// Takes a reference to its own boss while it goes, and gives it back (or keeps it).
class SelfReferencing : public CPMUnknown<ITestB> {
public:
    SelfReferencing(IPMUnknown* boss, bool keep) : CPMUnknown<ITestB>(boss), mKeep(keep) {}
    ~SelfReferencing() override {
        InterfacePtr<ITestA> a(fBoss, ITestA::kDefaultIID);
        if (mKeep)
            a.forget();
    }

private:
    bool mKeep;
};

TEST_F(HostBossTest, ReferencesTakenWhileTheBossGoesDoNotEndItTwice) {
    HostBoss* boss = HostBoss::Create(0x6000);
    boss->Add<TestA>();
    boss->Add<SelfReferencing>(false);
    boss->Release();
    EXPECT_EQ(HostCallLog::Violations(), 0);
    ExpectAllReleased();
}

TEST_F(HostBossTest, AReferenceKeptWhileTheBossGoesIsABrokenRule) {
    HostBoss* boss = HostBoss::Create(0x6000);
    boss->Add<TestA>();
    boss->Add<SelfReferencing>(true);
    boss->Release();
    EXPECT_EQ(HostCallLog::Violations(), 1);
    EXPECT_EQ(HostBoss::OutstandingReferences(), mReferences + 1);
    EXPECT_EQ(HostBoss::LiveBosses(), mBosses);
}

}  // namespace
