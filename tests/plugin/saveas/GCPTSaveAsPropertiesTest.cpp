// The export request: what an empty or unreadable request holds, and copies that carry the
// adjustments made after the request was built.
#include <filesystem>
#include <memory>

#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "plugin/saveas/SaveAsFixture.h"

using namespace saveastest;
using namespace preftest;

namespace {

using Settings = GGPCPluginCSSettings;

class SaveAsProperties : public SaveAsFixture {
protected:
    static void ExpectEmpty(GCPTSaveAsProperties const& request) {
        EXPECT_TRUE(request.GetJobOptions().IsEmpty());
        EXPECT_EQ(0, request.GetBuildNumber());
        EXPECT_EQ(0, request.GetHasRange());
        EXPECT_TRUE(request.GetRange().IsEmpty());
        GTable<GBuffer> groups;
        request.GetProjectPreferences().GetGroupNames(groups);
        EXPECT_EQ(0, groups.GetCount());
        Settings const& settings = *request.GetPluginSettings();
        EXPECT_EQ(Settings::kBleedNotSet, settings.GetBleedChoice());
        EXPECT_FALSE(settings.IsUserSettingEnabled());
        EXPECT_FALSE(settings.IsFilePackageIncluded());
        EXPECT_EQ(Settings::kMarkWeight025, settings.GetMarkWeight());
    }
};

}  // namespace

TEST_F(SaveAsProperties, EmptyAndUnknownTrovelorsGiveAnEmptyRequest) {
    RegisterTrovelor("Known");
    for (char const* name : {"", "Nobody", "known"}) {
        GCPTSaveAsProperties const request(T(name));
        EXPECT_EQ(name, U8(request.GetName()));
        ExpectEmpty(request);
    }
}

TEST_F(SaveAsProperties, ARegistryThatCannotBeReadLeavesTheRequestEmptyWithoutThrowing) {
    // A file where the registry's folder belongs: opening the registry throws.
    GPathName const folder = GPPActorRegistry::GetRegistryPath().GetBranch();
    std::filesystem::create_directories(U8(folder.GetBranch().GetNativePathString()));
    WriteFile(U8(folder.GetNativePathString()));
    ASSERT_ANY_THROW(GPPActorRegistry());
    std::unique_ptr<GCPTSaveAsProperties> request;
    ASSERT_NO_THROW(request.reset(new GCPTSaveAsProperties(T("Press"))));
    EXPECT_EQ("Press", U8(request->GetName()));
    ExpectEmpty(*request);
}

TEST_F(SaveAsProperties, ACopyCarriesTheAdjustmentsAndRangeAndIsIndependent) {
    GCPTSaveAsProperties request(T("Press"));
    request.GetPluginSettings()->SetUserSettingEnable(true);
    request.GetPluginSettings()->SetBleedChoice(Settings::kBleedUseGivenValue);
    request.GetPluginSettings()->SetBleedTopValue(9.5);
    request.GetPluginSettings()->IncludeFilePackage(true);
    request.SetPageRange(T("1-3, 5"));

    GCPTSaveAsProperties copy(request);
    EXPECT_EQ("Press", U8(copy.GetName()));
    EXPECT_EQ(1, copy.GetHasRange());
    EXPECT_EQ("1-3, 5", U8(copy.GetRange()));
    EXPECT_NE(request.GetPluginSettings(), copy.GetPluginSettings());
    EXPECT_TRUE(*copy.GetPluginSettings() == *request.GetPluginSettings());
    EXPECT_TRUE(copy.GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_DOUBLE_EQ(9.5, copy.GetPluginSettings()->GetBleedTopValue());

    // A copy of a copy still carries them; a change to a copy stays there.
    GCPTSaveAsProperties const second(copy);
    copy.GetPluginSettings()->IncludeFilePackage(false);
    EXPECT_TRUE(request.GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_TRUE(second.GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_EQ(Settings::kBleedUseGivenValue, second.GetPluginSettings()->GetBleedChoice());
}

TEST_F(SaveAsProperties, ACopyOutlivesItsSource) {
    std::unique_ptr<GCPTSaveAsProperties> source(new GCPTSaveAsProperties(T("Press")));
    source->GetPluginSettings()->SetPrinterMarkAllow(true);
    GCPTSaveAsProperties const copy(*source);
    source.reset();
    EXPECT_TRUE(copy.GetPluginSettings()->IsPrinterMarksAllowed());
    EXPECT_EQ("Press", U8(copy.GetName()));
}
