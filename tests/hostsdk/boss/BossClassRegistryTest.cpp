#include "hostsdk/boss/BossClassRegistry.h"

#include <stdexcept>

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/boss/InterfaceFactory.h"
#include "hostsdk/boss/InterfaceFactoryRegistry.h"
#include "hostsdk/boss/PlugIn.h"

namespace {

using namespace hostsdktest;

class Throwing : public CPMUnknown<ITestB> {
public:
    explicit Throwing(IPMUnknown* boss) : CPMUnknown<ITestB>(boss) { throw std::runtime_error("no"); }
};

class BossClassRegistryTest : public HostSdkTest {};

TEST_F(BossClassRegistryTest, AnnouncedFactoriesRegisterTogetherAndWithdrawWhenTheyGo) {
    std::string error;
    {
        InterfaceFactory<TestA> a(0x7001);
        InterfaceFactory<TestB> b(0x7002);
        EXPECT_EQ(InterfaceFactoryRegistry::Find(0x7001), nullptr);
        ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error)) << error;
        EXPECT_EQ(InterfaceFactoryRegistry::Find(0x7001), &a.Record());
        EXPECT_EQ(InterfaceFactoryRegistry::Find(0x7002)->sizeOf(), sizeof(TestB));
    }
    EXPECT_EQ(InterfaceFactoryRegistry::Find(0x7001), nullptr);
    EXPECT_EQ(InterfaceFactoryRegistry::Count(), 0u);
}

TEST_F(BossClassRegistryTest, ATakenOrIncompleteFactoryRegistersNothing) {
    std::string error;
    InterfaceFactory<TestA> first(0x7001);
    ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    {
        InterfaceFactory<TestB> other(0x7003);
        InterfaceFactory<TestB> taken(0x7001);
        EXPECT_FALSE(InterfaceFactoryRegistry::RegisterAnnounced(error));
        EXPECT_EQ(error, "implementation 0x7001 is registered twice");
        EXPECT_EQ(InterfaceFactoryRegistry::Find(0x7003), nullptr);
    }
    InterfaceFactoryRecord incomplete{0x7004, nullptr, nullptr, nullptr};
    InterfaceFactoryRegistry::Announce(&incomplete);
    EXPECT_FALSE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    EXPECT_EQ(error, "factory 0x7004 lacks a create, destroy or size-of function");
    EXPECT_EQ(InterfaceFactoryRegistry::Count(), 1u);
}

TEST_F(BossClassRegistryTest, MakesObjectsOfAPlugInsClasses) {
    std::string error;
    InterfaceFactory<TestA> a(0x7001);
    InterfaceFactory<TestB> b(0x7002);
    ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    const PlugIn plugIn(0x7000, "Test", {{0x7100, ITestA::kDefaultIID, 0x7001}, {0x7100, ITestB::kDefaultIID, 0x7002},
                                         {0x7101, ITestB::kDefaultIID, 0x7002}});
    ASSERT_TRUE(BossClassRegistry::Add(plugIn, error)) << error;
    EXPECT_EQ(BossClassRegistry::ClassesWith(ITestB::kDefaultIID), (std::vector<ClassID>{0x7100, 0x7101}));
    HostBoss* boss = BossClassRegistry::CreateBoss(0x7100, error);
    ASSERT_NE(boss, nullptr) << error;
    EXPECT_TRUE((InterfacePtr<ITestA>(boss, ITestA::kDefaultIID)));
    EXPECT_TRUE((InterfacePtr<ITestB>(boss, ITestB::kDefaultIID)));
    boss->Release();
    EXPECT_EQ(BossClassRegistry::CreateBoss(0x7102, error), nullptr);
    EXPECT_EQ(error, "class 0x7102 is unknown");
    EXPECT_FALSE(BossClassRegistry::Add(plugIn, error));
    EXPECT_EQ(error, "class 0x7100 is known already");
    BossClassRegistry::Remove(plugIn);
    EXPECT_TRUE(BossClassRegistry::ClassesWith(ITestB::kDefaultIID).empty());
    ExpectAllReleased();
}

TEST_F(BossClassRegistryTest, RefusesClassesItCannotMake) {
    std::string error;
    InterfaceFactory<TestA> a(0x7001);
    ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    EXPECT_FALSE(BossClassRegistry::Add(PlugIn(0x7000, "Test", {{0x7100, ITestA::kDefaultIID, 0x7009}}), error));
    EXPECT_EQ(error, "class 0x7100: no factory for implementation 0x7009");
    EXPECT_FALSE(BossClassRegistry::Add(
        PlugIn(0x7000, "Test", {{0x7100, ITestA::kDefaultIID, 0x7001}, {0x7100, ITestA::kDefaultIID, 0x7001}}), error));
    EXPECT_EQ(error, "class 0x7100 lists interface ITestA twice");
    EXPECT_TRUE(BossClassRegistry::ClassesWith(ITestA::kDefaultIID).empty());
}

TEST_F(BossClassRegistryTest, AThrowingConstructorLeavesNothingBehind) {
    std::string error;
    std::vector<std::string> events;
    InterfaceFactory<TestA> a(0x7001);
    InterfaceFactory<Throwing> throwing(0x7002);
    ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    const PlugIn plugIn(0x7000, "Test", {{0x7100, ITestA::kDefaultIID, 0x7001}, {0x7100, ITestB::kDefaultIID, 0x7002}});
    ASSERT_TRUE(BossClassRegistry::Add(plugIn, error));
    EXPECT_THROW(BossClassRegistry::CreateBoss(0x7100, error), std::runtime_error);
    BossClassRegistry::Remove(plugIn);
    ExpectAllReleased();
}

TEST_F(BossClassRegistryTest, AnInjectedFailureToCreateIsReported) {
    std::string error;
    InterfaceFactory<TestA> a(0x7001);
    ASSERT_TRUE(InterfaceFactoryRegistry::RegisterAnnounced(error));
    const PlugIn plugIn(0x7000, "Test", {{0x7100, ITestA::kDefaultIID, 0x7001}});
    ASSERT_TRUE(BossClassRegistry::Add(plugIn, error));
    HostFaults::Arm("create", 1);
    EXPECT_EQ(BossClassRegistry::CreateBoss(0x7100, error), nullptr);
    EXPECT_EQ(error, "creating implementation 0x7001 failed");
    BossClassRegistry::Remove(plugIn);
    ExpectAllReleased();
}

}  // namespace
