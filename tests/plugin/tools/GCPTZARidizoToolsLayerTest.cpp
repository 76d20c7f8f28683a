// The tools layer: its nesting, the language it picks from the user's languages, the string files
// and Qt translations it loads from the strings folder, and the plug-in's message texts.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QObject>

#include <string>

#include "core/text/GLngString.h"
#include "core/text/GStringPool.h"
#include "plugin/locale/GCPTApplicationLocale.h"
#include "plugin/locale/GCVLocale.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "support/ChildCheck.h"
#include "support/ScopedEnvironment.h"

using namespace plugintest;

namespace {

class ToolsLayer : public PluginPrefs {
protected:
    void SetUp() override {
        PluginPrefs::SetUp();
        for (char const* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            mLanguages.Unset(name);
        UseStringsFolder(TROVEL_PLUGIN_STRINGS_DIR);
    }
    void TearDown() override {
        while (GCPTZARidizoToolsLayer::GetInitCount() > 0)
            GCPTZARidizoToolsLayer::Finalize();
        GStringPool::SetLanguage(GStringPool::GetEnglish());
        PluginPrefs::TearDown();
    }
    static void UseStringsFolder(std::string const& folder) { GFileSystem::AddSpecialPath(22, GPathName(T(folder))); }
    void PreferLanguage(char const* language) { mLanguages.Set("LANGUAGE", language); }
    static std::string PoolText(int id) { return Text(GStringPool::GetString(id)); }
    static QString Menu() { return QObject::tr("Export to Trovelor..."); }

    ScopedEnvironment mLanguages;
};

}  // namespace

TEST_F(ToolsLayer, NestedStartsCountAndOnlyTheBalancingStopEnds) {
    int const printerProcessor = GPPPrinterProcessorLayer::GetInitializeCount();
    GCPTZARidizoToolsLayer::Initialize();
    GCPTApplicationLocale* const locale = GCPTZARidizoToolsLayer::GetApplicationLocale();
    ASSERT_NE(nullptr, locale);
    EXPECT_EQ(printerProcessor + 1, GPPPrinterProcessorLayer::GetInitializeCount());
    GCPTZARidizoToolsLayer::Initialize();
    EXPECT_EQ(2, GCPTZARidizoToolsLayer::GetInitCount());
    EXPECT_EQ(locale, GCPTZARidizoToolsLayer::GetApplicationLocale()) << "a second start changes nothing";
    EXPECT_EQ(printerProcessor + 1, GPPPrinterProcessorLayer::GetInitializeCount());
    GCPTZARidizoToolsLayer::Finalize();
    EXPECT_EQ(locale, GCPTZARidizoToolsLayer::GetApplicationLocale());
    GCPTZARidizoToolsLayer::Finalize();
    EXPECT_EQ(0, GCPTZARidizoToolsLayer::GetInitCount());
    EXPECT_EQ(nullptr, GCPTZARidizoToolsLayer::GetApplicationLocale());
    EXPECT_EQ(printerProcessor, GPPPrinterProcessorLayer::GetInitializeCount());
}

TEST_F(ToolsLayer, TheLanguageIsTheFirstSupportedOneTheUserPrefers) {
    GTable<GBuffer> codes;
    codes.AddItem(GBuffer("kept"));
    GCVLocale::GetSupportedLangCodes(codes);
    ASSERT_EQ(10, codes.GetCount());
    EXPECT_EQ("kept", S(codes[0]));
    EXPECT_EQ("jaJA", S(codes[7]));
    EXPECT_EQ("zhCN", S(codes[9]));

    struct Case {
        char const* languages;
        char const* code;
    };
    for (Case c : {Case{"fr_CA", "frFR"}, Case{"ja", "jaJA"}, Case{"ja_JP", "jaJA"}, Case{"pt_BR", "enUS"},
                   Case{"de_AT", "deDE"}, Case{"pt_BR:nl", "nlNL"}, Case{"zh_TW", "zhCN"}, Case{"", "enUS"}}) {
        PreferLanguage(c.languages);
        EXPECT_EQ(c.code, Text(GCVLocale::GetCurrentLanguage())) << c.languages;
    }
}

TEST_F(ToolsLayer, TheMessageTextsAreRegisteredInEnglish) {
    GCPTZARidizoToolsLayer::Initialize();
    EXPECT_EQ("Can't acquire plug-in", PoolText(30060000));
    EXPECT_EQ("No current book.", PoolText(30060023));
    EXPECT_TRUE(GStringPool::GetString(30060024).IsEmpty());
    GString error = GStringPool::GetString(30060005);
    error.SubstituteParams(T("Pages"));
    EXPECT_EQ("Plug-in Error: Pages", Text(error));
    GLngString message(30060005);
    message.AddString(T("Pages"));
    EXPECT_EQ("Plug-in Error: Pages", Text(message.GetReadableString()));
    EXPECT_EQ(QString("Export to Trovelor..."), Menu()) << "no English translation changes a text";
}

TEST_F(ToolsLayer, GermanTextsComeFromTheStringFilesAndTheQtTranslation) {
    PreferLanguage("de_DE");
    GCPTZARidizoToolsLayer::Initialize();
    GCPTApplicationLocale const* locale = GCPTZARidizoToolsLayer::GetApplicationLocale();
    EXPECT_EQ("deDE", Text(locale->GetLanguage()));
    EXPECT_TRUE(locale->HasTranslation());
    EXPECT_EQ("deDE", Text(GStringPool::GetLanguage()));
    EXPECT_EQ("Plug-in-Fehler: %1", PoolText(30060005));
    EXPECT_EQ("Kein aktuelles Buch.", PoolText(30060023));
    EXPECT_EQ(QString::fromUtf8("Nach Trovelor exportieren..."), Menu());
    GCPTZARidizoToolsLayer::Finalize();
    EXPECT_EQ(QString("Export to Trovelor..."), Menu()) << "the translator leaves with the layer";
}

TEST_F(ToolsLayer, ATranslationIsLoadedOnlyWhenItsFileIsThere) {
    // A strings folder holding a French translation file (the German one under the French name).
    std::string const folder = mSandbox.Root() + "/Strings";
    mkdir(folder.c_str(), 0700);
    UseStringsFolder(folder);
    PreferLanguage("fr_CA");
    {
        GCPTApplicationLocale locale;
        EXPECT_EQ("frFR", Text(locale.GetLanguage()));
        EXPECT_FALSE(locale.HasTranslation());
        EXPECT_EQ(QString("Export to Trovelor..."), Menu());
    }
    ASSERT_TRUE(QFile::copy(TROVEL_PLUGIN_STRINGS_DIR "/Plugin_deDE.qm", QString::fromStdString(folder + "/Plugin_frFR.qm")));
    {
        GCPTApplicationLocale locale;
        EXPECT_TRUE(locale.HasTranslation());
        EXPECT_EQ(QString::fromUtf8("Nach Trovelor exportieren..."), Menu());
    }
    EXPECT_EQ(QString("Export to Trovelor..."), Menu());

    PreferLanguage("pt_BR");
    GCPTApplicationLocale english;
    EXPECT_EQ("enUS", Text(english.GetLanguage()));
    EXPECT_EQ("enUS", Text(GStringPool::GetLanguage()));
}

TEST_F(ToolsLayer, AMissingStringsFolderLeavesEnglish) {
    // The pool tries a language's files once per process, and keeps what it read: the case runs
    // in a child, so neither the German texts an earlier case read nor the failed read here reach
    // the cases after.
    ExpectPassesInChild([&] {
        GStringPool::DeleteLanguage(GString("deDE"));
        UseStringsFolder(mSandbox.Root() + "/no such folder");
        PreferLanguage("de");
        GCPTZARidizoToolsLayer::Initialize();
        EXPECT_FALSE(GCPTZARidizoToolsLayer::GetApplicationLocale()->HasTranslation());
        EXPECT_EQ("Plug-in Error: %1", PoolText(30060005));
        EXPECT_EQ(QString("Export to Trovelor..."), Menu());
        GCPTZARidizoToolsLayer::Finalize();
    });
}
