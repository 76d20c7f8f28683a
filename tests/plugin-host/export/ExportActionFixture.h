#pragma once
// What the export-action tests share: a private user with a registered Trovelor whose package
// carries job options, the plug-in's texts in English, a stand-in host with sample documents and
// books, and the checks that every host reference the plug-in took is given back.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostFaults.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/strings/GStringPoolSupport.h"
#include "ui/layer/GQUILayerStrings.h"

namespace exporttest {

using namespace preftest;

// A document of `pages` pages, page i showing "Page i", with the fonts given (a name beginning
// with "!" is missing).
inline HostDocumentRecord Document(std::string const& name, int pages, std::vector<std::string> const& fonts = {}) {
    HostDocumentRecord record;
    record.name = name;
    record.pages.clear();
    for (int i = 1; i <= pages; ++i) {
        HostPageRecord page;
        page.text.push_back("Page " + std::to_string(i));
        record.pages.push_back(page);
    }
    for (std::string const& font : fonts)
        record.fonts.push_back(HostFontRecord{font[0] == '!' ? font.substr(1) : font, font[0] == '!'});
    return record;
}

class ExportActionFixture : public plugintest::PluginPrefs {
protected:
    void SetUp() override {
        PluginPrefs::SetUp();
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTZARidizoToolsLayer::GetStringPoolData(),
                                              GCPTZARidizoToolsLayer::kStringCount, false);
        GQUILayerStrings::Register();
        MakeTrovelor("bleedTop = 2\n");
        mFolder = mSandbox.Root() + "/out";
        mHost = std::make_unique<StandInHost>();
        mHost->SetSaveFolder(mSandbox.Root());
        HostFaults::Reset();
        HostCallLog::Clear();
    }
    void TearDown() override {
        HostFaults::Reset();
        mHost.reset();
        PluginPrefs::TearDown();
    }

    // Registers the Trovelor "Press" with a package holding `jobOptions`.
    static void MakeTrovelor(std::string const& jobOptions) {
        GPPTrovelorPackageWriter writer;
        writer.AddPrinterFile("press.joboptions", jobOptions);
        GPrefMemoryModule prefs;
        GGPCPluginCSSettings settings(prefs);
        settings.SetMarkWeight(GGPCPluginCSSettings::kMarkWeight025);
        ASSERT_TRUE(writer.AddProjectPrefs(prefs));
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-Press"));
        std::string error;
        ASSERT_TRUE(writer.Write(package, error)) << error;
        ASSERT_TRUE(GPPTrovelorPackageWriter::Register(T("Press"), package, 7, T("Press")));
    }

    // A saved document: its sample file in the sandbox.
    std::string WriteDocument(HostDocumentRecord record) {
        record.saved = true;
        record.path = mSandbox.Root() + "/" + record.name + ".json";
        std::string error;
        EXPECT_TRUE(HostDocumentFile::WriteFile(record.path, HostDocumentFile::FormatDocument(record), error)) << error;
        return record.path;
    }
    void OpenSaved(HostDocumentRecord const& record) {
        std::string error;
        ASSERT_NE(nullptr, mHost->Documents().OpenDocumentFile(WriteDocument(record), error)) << error;
    }
    // A book of the chapters (written as sample files), with the selection given.
    void OpenBook(std::string const& name, std::vector<HostDocumentRecord> const& chapters,
                  std::vector<int> const& selection = {}) {
        HostBookRecord book;
        book.name = name;
        book.path = mSandbox.Root() + "/" + name;
        for (HostDocumentRecord const& chapter : chapters)
            book.chapters.push_back(WriteDocument(chapter));
        book.selection = selection;
        std::string error;
        ASSERT_TRUE(HostDocumentFile::WriteFile(book.path, HostDocumentFile::FormatBook(book), error)) << error;
        mHost->Documents().OpenBook(book);
    }

    GPathName Folder() const { return GPathName(T(mFolder)); }
    static std::string Native(GPathName const& path) { return U8(path.GetNativePathString()); }
    // The host's own references (to its open documents and books) before an export: the plug-in
    // must leave none of its own after it.
    void MarkReferences() { mReferences = HostBoss::OutstandingReferences(); }
    void ExpectNoReferenceLeft() const { EXPECT_EQ(mReferences, HostBoss::OutstandingReferences()); }
    static std::string ReadAll(std::string const& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Listing(std::string const& folder) const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (auto const& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
            names.push_back(entry.path().string().substr(folder.size() + 1));
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string mFolder;
    std::unique_ptr<StandInHost> mHost;
    std::int64_t mReferences = 0;
};

}  // namespace exporttest
