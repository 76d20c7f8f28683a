#include "hostsdk/trace/HostFaults.h"

#include <gtest/gtest.h>

#include "hostsdk/trace/HostCallLog.h"

namespace {

class HostFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostFaults::Reset();
        HostCallLog::Clear();
    }
};

TEST_F(HostFaultsTest, ReadsNameAndCallNumber) {
    struct Case {
        const char* spec;
        bool valid;
    };
    const Case cases[] = {{"IMenuManager", true}, {"IActionManager::AddAction#2", true}, {"A#1000000000", true},
                          {"", false},           {"#2", false},                        {"A#", false},
                          {"A#0", false},        {"A#-1", false},                      {"A#2x", false},
                          {"A#1000000001", false}, {"A#99999999999999999999", false}};
    for (const Case& c : cases)
        EXPECT_EQ(HostFaults::Arm(c.spec), c.valid) << c.spec;
}

TEST_F(HostFaultsTest, FailsTheNthCallOrEveryCallOfAName) {
    ASSERT_TRUE(HostFaults::Arm("A#2"));
    ASSERT_TRUE(HostFaults::Arm("B"));
    EXPECT_FALSE(HostFaults::ShouldFail("A"));
    EXPECT_TRUE(HostFaults::ShouldFail("A"));
    EXPECT_FALSE(HostFaults::ShouldFail("A"));
    EXPECT_TRUE(HostFaults::ShouldFail("B"));
    EXPECT_TRUE(HostFaults::ShouldFail("B"));
    EXPECT_FALSE(HostFaults::ShouldFail("C"));
    HostFaults::Reset();
    EXPECT_FALSE(HostFaults::ShouldFail("B"));
}

TEST_F(HostFaultsTest, TheLogKeepsCallsInOrderAndSaysWhichFailed) {
    HostFaults::Arm("Second", 1);
    std::vector<std::string> echoed;
    HostCallLog::SetEcho([&](const HostCallEntry& entry) { echoed.push_back(entry.text); });
    EXPECT_FALSE(HostCallLog::Enter("First", "0x1"));
    EXPECT_TRUE(HostCallLog::Enter("Second"));
    HostCallLog::Notice("shown");
    HostCallLog::Violation("broken");
    HostCallLog::Record("Into the plug-in");
    HostCallLog::SetEcho(nullptr);
    EXPECT_EQ(HostCallLog::Calls(),
              (std::vector<std::string>{"First 0x1", "Second -> injected failure", "Into the plug-in"}));
    EXPECT_EQ(echoed.size(), 5u);
    EXPECT_EQ(HostCallLog::Violations(), 1);
    HostCallLog::Clear();
    EXPECT_TRUE(HostCallLog::Entries().empty());
    EXPECT_EQ(HostCallLog::Violations(), 0);
}

}  // namespace
