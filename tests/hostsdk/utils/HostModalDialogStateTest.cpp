#include "hostsdk/utils/HostModalDialogState.h"

#include "hostsdk/HostSdkTest.h"

namespace {

using namespace hostsdktest;

class HostModalDialogStateTest : public HostSdkTest {
protected:
    HostModalDialogState mState;
};

TEST_F(HostModalDialogStateTest, NestedStatesReleasedInReverseOrder) {
    void* outer = mState.Acquire();
    void* inner = mState.Acquire();
    EXPECT_NE(outer, nullptr);
    EXPECT_NE(inner, outer);
    EXPECT_EQ(mState.Depth(), 2u);
    mState.Release(inner);
    mState.Release(outer);
    EXPECT_EQ(mState.Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 0);
}

TEST_F(HostModalDialogStateTest, OutOfOrderUnknownAndNullReleasesAreBrokenRules) {
    void* outer = mState.Acquire();
    void* inner = mState.Acquire();
    mState.Release(outer);
    EXPECT_EQ(HostCallLog::Violations(), 1);
    EXPECT_EQ(mState.Depth(), 1u);
    mState.Release(outer);
    mState.Release(nullptr);
    EXPECT_EQ(HostCallLog::Violations(), 3);
    mState.Release(inner);
    EXPECT_EQ(mState.Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 3);
}

}  // namespace
