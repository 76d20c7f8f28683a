#include <gtest/gtest.h>

#include "core/values/GProcessInfo.h"
#include "support/ChildCheck.h"
#include "support/FoundationStartup.h"

namespace {

// Counts its deletions; answers nothing.
class FakeProcessInfo : public GProcessInfo {
public:
    explicit FakeProcessInfo(int& deleted) : mDeleted(deleted) {}
    ~FakeProcessInfo() override { ++mDeleted; }
    void GetProcessID(GString const&, GTable<int>& ids, bool) override { ids.Resize(0); }
    void GetProcessList(GTable<GString>& names, bool) override { names.Resize(0); }
    int GetCurrentProcessID() override { return 1; }
    bool IsRunning(int) override { return false; }
    GTable<int> GetChildProcessIDs(int) override { return GTable<int>(); }

private:
    int& mDeleted;
};

}  // namespace

// The instance is process-wide and a replaced one is deleted: the case runs in a child, so the
// foundation's instance (when an earlier case started it) stays with this process.
TEST(GProcessInfo, SetInstanceDeletesThePreviousOne) {
    ExpectPassesInChild([] {
        StopFoundationInChild();
        int deleted = 0;
        EXPECT_EQ(GProcessInfo::GetInstance(), nullptr);
        auto* first = new FakeProcessInfo(deleted);
        GProcessInfo::SetInstance(first);
        GProcessInfo::SetInstance(first);  // the same one stays alive
        EXPECT_EQ(deleted, 0);
        auto* second = new FakeProcessInfo(deleted);
        GProcessInfo::SetInstance(second);
        EXPECT_EQ(deleted, 1);
        EXPECT_EQ(GProcessInfo::GetInstance(), second);
        GProcessInfo::SetInstance(nullptr);
        EXPECT_EQ(deleted, 2);
        EXPECT_EQ(GProcessInfo::GetInstance(), nullptr);
    });
}
