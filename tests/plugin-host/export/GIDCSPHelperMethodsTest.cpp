// The helpers of the document and book exports against the stand-in host: the export preferences
// from job options and adjustments, the missing-font report, the failure text and the conversions.
#include "plugin-host/export/GIDCSPHelperMethods.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/text/encodings/GUTF8Encoding.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/HostPDFExportPrefs.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostFaults.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/strings/GStringPoolSupport.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

namespace {

GString Text(std::string const& utf8) { return GString(utf8.c_str(), GUTF8Encoding::GetInstance()); }

std::string UTF8(GString const& text) {
    GBuffer const bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
}

class GIDCSPHelperMethodsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTZARidizoToolsLayer::GetStringPoolData(),
                                              GCPTZARidizoToolsLayer::kStringCount, false);
        HostFaults::Reset();
        HostCallLog::Clear();
        std::ofstream(mFolder / "good.joboptions") << "cropMarks = true\nmarksOffset = 9\nbleedTop = 2\n";
        std::ofstream(mFolder / "bad.joboptions") << "cropMarks = maybe\n";
    }

    InterfacePtr<IPDFExportPrefs> Prefs() {
        mCommand.reset(CmdUtils::CreateCommand(0x2505));
        return InterfacePtr<IPDFExportPrefs>(mCommand.get(), IPDFExportPrefs::kDefaultIID);
    }
    static HostPdfSettings const& SettingsOf(InterfacePtr<IPDFExportPrefs> const& prefs) {
        return dynamic_cast<HostPDFExportPrefs&>(*prefs.get()).Settings();
    }
    // The calls to the preferences after the job options were read.
    static std::vector<std::string> Setters() {
        std::vector<std::string> setters;
        for (std::string const& call : HostCallLog::Calls())
            if (call.rfind("IPDFExportPrefs::Set", 0) == 0)
                setters.push_back(call);
        return setters;
    }
    GPathName Path(std::string const& leaf) const {
        GPathName path;
        path.SetNativePathString(Text(mFolder / leaf));
        return path;
    }

    ScopedTempFolder mFolder;
    StandInHost mHost;
    InterfacePtr<ICommand> mCommand;
    GPrefMemoryModule mStore;
    GGPCPluginCSSettings mSettings{mStore};
};

TEST_F(GIDCSPHelperMethodsTest, SettingsThatAreOffLeaveTheJobOptionsButTheMarkWeightIsAlwaysSet) {
    InterfacePtr<IPDFExportPrefs> prefs = Prefs();
    int errorId = 0;
    ASSERT_TRUE(GIDCSPHelperMethods::ToExportPrefs(Path("good.joboptions"), mSettings, prefs, errorId));
    EXPECT_EQ(Setters(), (std::vector<std::string>{"IPDFExportPrefs::SetMarksWeight 0.25"}));
    EXPECT_TRUE(SettingsOf(prefs).cropMarks);
    EXPECT_EQ(SettingsOf(prefs).marksOffset, 9);
    EXPECT_EQ(SettingsOf(prefs).bleed.top, 2);
}

TEST_F(GIDCSPHelperMethodsTest, GivenBleedValuesAndMarksAreAppliedInOrder) {
    mSettings.SetBleedChoice(GGPCPluginCSSettings::kBleedUseGivenValue);
    mSettings.SetBleedTopValue(1);
    mSettings.SetBleedInsideValue(2);
    mSettings.SetBleedOutsideValue(3);
    mSettings.SetBleedBottomValue(4);
    mSettings.SetIncludeSlugArea(true);
    mSettings.SetMarkBleedAllow(true);
    mSettings.SetMarkPageInfoAllow(true);
    mSettings.SetMarkOffset(0);
    mSettings.SetMarkWeight(GGPCPluginCSSettings::kMarkWeight050);
    InterfacePtr<IPDFExportPrefs> prefs = Prefs();
    int errorId = 0;
    ASSERT_TRUE(GIDCSPHelperMethods::ToExportPrefs(Path("good.joboptions"), mSettings, prefs, errorId));
    EXPECT_EQ(Setters(), (std::vector<std::string>{
                             "IPDFExportPrefs::SetUseDocumentBleed 0", "IPDFExportPrefs::SetBleedTop 1",
                             "IPDFExportPrefs::SetBleedInside 2", "IPDFExportPrefs::SetBleedOutside 3",
                             "IPDFExportPrefs::SetBleedBottom 4", "IPDFExportPrefs::SetIncludeSlug 1",
                             "IPDFExportPrefs::SetBleedMarks 1", "IPDFExportPrefs::SetPageInformation 1",
                             "IPDFExportPrefs::SetMarksWeight 0.5"}));
    // The job options' offset stands when the settings give none.
    EXPECT_EQ(SettingsOf(prefs).marksOffset, 9);
    EXPECT_EQ(SettingsOf(prefs).bleed, (HostEdges{1, 4, 2, 3}));
    // The document's bleed, the thinnest weight.
    mSettings.SetBleedChoice(GGPCPluginCSSettings::kBleedUseDocSettings);
    mSettings.SetMarkWeight(GGPCPluginCSSettings::kMarkWeight0125);
    prefs = Prefs();
    ASSERT_TRUE(GIDCSPHelperMethods::ToExportPrefs(Path("good.joboptions"), mSettings, prefs, errorId));
    EXPECT_TRUE(SettingsOf(prefs).useDocumentBleed);
    EXPECT_EQ(SettingsOf(prefs).marksWeight, 0.125);
}

TEST_F(GIDCSPHelperMethodsTest, JobOptionsThatDoNotLoadChangeNothing) {
    mSettings.SetMarkTrimAllow(true);
    int errorId = 0;
    EXPECT_FALSE(GIDCSPHelperMethods::ToExportPrefs(Path("good.joboptions"), mSettings,
                                                    InterfacePtr<IPDFExportPrefs>(), errorId));
    EXPECT_EQ(errorId, 30060008);
    for (char const* leaf : {"bad.joboptions", "absent.joboptions"}) {
        InterfacePtr<IPDFExportPrefs> prefs = Prefs();
        errorId = 0;
        EXPECT_FALSE(GIDCSPHelperMethods::ToExportPrefs(Path(leaf), mSettings, prefs, errorId));
        EXPECT_EQ(errorId, 30060009);
        EXPECT_TRUE(Setters().empty());
        EXPECT_EQ(SettingsOf(prefs), HostPdfSettings());
    }
}

TEST_F(GIDCSPHelperMethodsTest, MissingFontsAreCountedAndListed) {
    HostDocumentRecord record;
    record.name = "Brochure.indd";
    record.fonts = {{"DejaVu Sans", false}, {"Minion Pro", true}};
    InterfacePtr<IDocument> document(
        InterfaceCast<IDocument>(mHost.Documents().OpenDocument(record)->QueryInterface(IDocument::kDefaultIID)));
    int errorId = 0;
    GString text = Text("old");
    EXPECT_EQ(GIDCSPHelperMethods::GetMissingFontsInfo(document.get(), errorId, text), 1);
    EXPECT_EQ(errorId, 30060011);
    EXPECT_EQ(UTF8(text), "\n    1. Minion Pro\n");
    GString rendered;
    GIDCSPHelperMethods::ToLocaleString(errorId, text, rendered);
    EXPECT_EQ(UTF8(rendered),
              "Plug-in Error: Font is Missing! Correct the following font and try again:\n    1. Minion Pro\n");

    record.fonts = {{"Gill Sans", true}, {"DejaVu Sans", false}, {"Minion Pro", true}};
    InterfacePtr<IDocument> two(
        InterfaceCast<IDocument>(mHost.Documents().OpenDocument(record)->QueryInterface(IDocument::kDefaultIID)));
    EXPECT_EQ(GIDCSPHelperMethods::GetMissingFontsInfo(two.get(), errorId, text), 2);
    EXPECT_EQ(errorId, 30060012);
    EXPECT_EQ(UTF8(text), "\n    1. Gill Sans\n    2. Minion Pro\n");

    errorId = 0;
    HostFaults::Arm("IDocumentFontUsage", 0);
    EXPECT_EQ(GIDCSPHelperMethods::GetMissingFontsInfo(two.get(), errorId, text), 0);
    EXPECT_EQ(errorId, 30060013);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(GIDCSPHelperMethods::GetMissingFontsInfo(nullptr, errorId, text), 0);
}

TEST_F(GIDCSPHelperMethodsTest, FailuresRenderInTheTemplate) {
    GString out;
    GIDCSPHelperMethods::ToLocaleString(30060007, GString(), out);
    EXPECT_EQ(UTF8(out), "Plug-in Error: Unable to execute PDF Export command");
    GIDCSPHelperMethods::ToLocaleString(30060022, Text(" (detail)"), out);
    EXPECT_EQ(UTF8(out), "Plug-in Error: Book is either empty or invalid. (detail)");
}

TEST_F(GIDCSPHelperMethodsTest, ConversionsKeepTheText) {
    for (std::string const& text : {std::string(), std::string("Brochure.indd"), std::string("Grüße 日本 \xF0\x9F\x93\x84")}) {
        PMString host;
        GIDCSConvertMethods::ConvertToPMString(Text(text), host);
        EXPECT_EQ(host.GetUTF8String(), text);
        EXPECT_FALSE(host.GetTranslatable());
        GString back;
        GIDCSConvertMethods::ConvertToGString(host, back);
        EXPECT_EQ(UTF8(back), text);
    }
    // The host's code units come over as they are, a lone surrogate included.
    GString lone;
    GIDCSConvertMethods::ConvertToGString(PMString(std::u16string{u'a', char16_t(0xD800)}), lone);
    EXPECT_EQ(lone.GetEncodedBuffer().GetLength(), 4);
    IDFile const file = GIDCSConvertMethods::ConvertToIDFile(Path("Brochure Folder/Brochure.pdf"));
    EXPECT_EQ(file.GetString().GetUTF8String(), mFolder / "Brochure Folder/Brochure.pdf");
    EXPECT_EQ(file.GetFileName(), PMString("Brochure.pdf"));
}

}  // namespace
