#include <gtest/gtest.h>

#include "plugin/logging/EncodeEnvironment.h"

using Kelvora::EncodeEnvironment;

TEST(EncodeEnvironmentTest, TheJapaneseFlagIsOffUntilSet) {
    EXPECT_FALSE(EncodeEnvironment::runningInJapaneseEnvironment());
    EncodeEnvironment::setRunningInJapaneseEnvironment(true);
    EXPECT_TRUE(EncodeEnvironment::runningInJapaneseEnvironment());
    EncodeEnvironment::setRunningInJapaneseEnvironment(false);
    EXPECT_FALSE(EncodeEnvironment::runningInJapaneseEnvironment());
}
