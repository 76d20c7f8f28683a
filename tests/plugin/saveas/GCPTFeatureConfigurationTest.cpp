// The export dialog's feature table: its defaults, values outside the table, and changes.
#include <gtest/gtest.h>

#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "support/FoundationStartup.h"

namespace {

using Config = GCPTFeatureConfiguration;

class FeatureConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

TEST_F(FeatureConfigurationTest, NewTableOffersOnlyThePageRange) {
    Config config;
    for (int f = Config::cFeatureIncludeSlugArea; f <= Config::cFeatureIncludeFilePackage; ++f)
        EXPECT_FALSE(config.IsFeatureAvailable(static_cast<Config::Feature>(f))) << f;
    EXPECT_TRUE(config.IsFeatureAvailable(Config::cFeaturePageRange));
}

TEST_F(FeatureConfigurationTest, ValuesOutsideTheTableAreNotAvailable) {
    Config config;
    EXPECT_FALSE(config.IsFeatureAvailable(static_cast<Config::Feature>(6)));
    EXPECT_FALSE(config.IsFeatureAvailable(static_cast<Config::Feature>(-1)));
}

TEST_F(FeatureConfigurationTest, SettingReplacesOrAdds) {
    Config config;
    config.SetFeatureAvailable(Config::cFeaturePageRange, false);
    config.SetFeatureAvailable(Config::cFeatureIncludeFilePackage, true);
    EXPECT_FALSE(config.IsFeatureAvailable(Config::cFeaturePageRange));
    EXPECT_TRUE(config.IsFeatureAvailable(Config::cFeatureIncludeFilePackage));
    config.SetFeatureAvailable(static_cast<Config::Feature>(9), true);
    EXPECT_TRUE(config.IsFeatureAvailable(static_cast<Config::Feature>(9)));
}

}  // namespace
