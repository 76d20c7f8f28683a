#pragma once
// What the host SDK's tests share: a fresh call log and no armed faults for each test, test
// interfaces with their implementations, and a check that every reference, object and boss a
// test made is gone again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/boss/HostMemory.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostFaults.h"
#include "hostsdk/trace/HostInterfaceNames.h"

namespace hostsdktest {

class ITestA : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x5001;
    static constexpr const char* kInterfaceName = "ITestA";
    virtual int Value() const = 0;
};

class ITestB : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x5002;
    static constexpr const char* kInterfaceName = "ITestB";
};

// Writes its name into `events` when it goes.
class TestA : public CPMUnknown<ITestA> {
public:
    TestA(IPMUnknown* boss, std::vector<std::string>* events = nullptr, int value = 1)
        : CPMUnknown<ITestA>(boss), mEvents(events), mValue(value) {}
    ~TestA() override {
        if (mEvents != nullptr)
            mEvents->push_back("~TestA");
    }
    int Value() const override { return mValue; }

private:
    std::vector<std::string>* mEvents;
    int mValue;
};

class TestB : public CPMUnknown<ITestB> {
public:
    explicit TestB(IPMUnknown* boss, std::vector<std::string>* events = nullptr) : CPMUnknown<ITestB>(boss), mEvents(events) {}
    ~TestB() override {
        if (mEvents != nullptr)
            mEvents->push_back("~TestB");
    }

private:
    std::vector<std::string>* mEvents;
};

class HostSdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostFaults::Reset();
        HostCallLog::Clear();
        HostInterfaceNames::Register<ITestA>();
        HostInterfaceNames::Register<ITestB>();
        mReferences = HostBoss::OutstandingReferences();
        mObjects = HostMemory::Outstanding();
        mBosses = HostBoss::LiveBosses();
    }

    void ExpectAllReleased() const {
        EXPECT_EQ(HostBoss::OutstandingReferences(), mReferences);
        EXPECT_EQ(HostMemory::Outstanding(), mObjects);
        EXPECT_EQ(HostBoss::LiveBosses(), mBosses);
    }

    std::int64_t mReferences = 0;
    std::int64_t mObjects = 0;
    std::int64_t mBosses = 0;
};

}  // namespace hostsdktest
