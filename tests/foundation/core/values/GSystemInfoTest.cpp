#include <gtest/gtest.h>

#include "core/values/GSystemInfo.h"

// The core knows path names only by name; this program holds no other definition.
class GPathName {};

namespace {

int sDeleted = 0;
GSystemInfo* sInstalledWhileDeleting = nullptr;

class FakeSystemInfo : public GSystemInfo {
public:
    ~FakeSystemInfo() override {
        ++sDeleted;
        sInstalledWhileDeleting = GSystemInfo::GetInstance();
    }
    void AddProcessorInfo(GString&) override {}
    void AddOSVersionInfo(GString&) override {}
    void AddMemoryInfo(GString&) override {}
    GPathName FindDLL(GPathName const&, GString const&) override { return GPathName(); }
    GString GetDLLVersion(GPathName const&) override { return GString(); }
    void GetMemoryInfo(MemoryInfo& info) override { info.mPhysicalMemory = 1024; }
    int GetNumberOfProcessors() override { return 4; }
};

class SystemInfo : public ::testing::Test {
protected:
    void SetUp() override {
        GSystemInfo::SetInstance(nullptr);
        sDeleted = 0;
    }
    void TearDown() override { GSystemInfo::SetInstance(nullptr); }
};

}  // namespace

TEST_F(SystemInfo, SetInstanceOwnsAndReplacesTheInstance) {
    EXPECT_EQ(GSystemInfo::GetInstance(), nullptr);
    auto* first = new FakeSystemInfo;
    GSystemInfo::SetInstance(first);
    EXPECT_EQ(GSystemInfo::GetInstance(), first);
    EXPECT_EQ(GSystemInfo::GetInstance()->GetNumberOfProcessors(), 4);

    auto* second = new FakeSystemInfo;
    GSystemInfo::SetInstance(second);
    EXPECT_EQ(sDeleted, 1);
    EXPECT_EQ(GSystemInfo::GetInstance(), second);
    // Callers asking while the old one goes already find the new one.
    EXPECT_EQ(sInstalledWhileDeleting, second);

    GSystemInfo::SetInstance(nullptr);
    EXPECT_EQ(sDeleted, 2);
    EXPECT_EQ(GSystemInfo::GetInstance(), nullptr);
    GSystemInfo::SetInstance(nullptr);
    EXPECT_EQ(sDeleted, 2);
}

TEST_F(SystemInfo, InstallingTheSameInstanceAgainKeepsIt) {
    auto* info = new FakeSystemInfo;
    GSystemInfo::SetInstance(info);
    GSystemInfo::SetInstance(info);
    EXPECT_EQ(sDeleted, 0);
    GSystemInfo::MemoryInfo memory;
    GSystemInfo::GetInstance()->GetMemoryInfo(memory);
    EXPECT_EQ(memory.mPhysicalMemory, 1024);
}
