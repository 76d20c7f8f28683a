// The plug-in's document export of a 100-page document through its action (the Trovelor's job
// options and adjustments, the front document, the page list, the font check, the host's PDF
// export command with its boxes, the unique PDF path). Peer: the same pages drawn by QPdfWriter
// alone into the file. And the book's font check over 50 chapters: the book action stops at a
// missing font in the last chapter after opening, checking and closing every chapter; peer: the
// same 50 sample files read and their fonts looked at directly. PDFs are removed outside the
// timing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "HostPdfBenchPages.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/host/StandInHost.h"
#include "plugin-host/export/GIDCSPExportBookAction.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/strings/GStringPoolSupport.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/PrivateSandbox.h"
#include "ui/layer/GQUILayerStrings.h"

namespace {

using preftest::T;

constexpr int kPages = 100;
constexpr int kChapters = 50;

// The sandbox with the Trovelor "Press" registered, and the plug-in's texts.
PrivateSandbox& Sandbox() {
    static PrivateSandbox* sandbox = [] {
        auto* made = new PrivateSandbox;
        StartFoundation();
        for (int id : {-8, -4, -2, 22, 35, 53})
            GFileSystem::RemoveSpecialPath(id);
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTZARidizoToolsLayer::GetStringPoolData(),
                                              GCPTZARidizoToolsLayer::kStringCount, false);
        GQUILayerStrings::Register();
        GPPTrovelorPackageWriter writer;
        writer.AddPrinterFile("press.joboptions", "bleedTop = 9\nbleedBottom = 9\n");
        GPrefMemoryModule prefs;
        writer.AddProjectPrefs(prefs);
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-Press"));
        std::string error;
        if (!writer.Write(package, error) || !GPPTrovelorPackageWriter::Register(T("Press"), package, 7, T("Press")))
            std::abort();
        return made;
    }();
    return *sandbox;
}

void Ours(benchmark::State& state) {
    benchpdf::Application();
    std::string const folder = Sandbox().Root() + "/out";
    StandInHost host;
    HostDocumentRecord document = benchpdf::Document(kPages);
    document.saved = true;
    document.path = Sandbox().Root() + "/Bench.indd";
    host.Documents().OpenDocument(document);
    GIDCSPSaveAsAction action;
    GCPTSaveAsProperties const request(T("Press"));
    for (auto _ : state) {
        if (!action.SaveAsPDF(request, GPathName(T(folder)))) {
            state.SkipWithError("the export failed");
            break;
        }
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
}

void Peer(benchmark::State& state) {
    benchpdf::Application();
    std::string const folder = Sandbox().Root() + "/peer";
    HostDocumentRecord const document = benchpdf::Document(kPages);
    for (auto _ : state) {
        std::filesystem::create_directories(folder);
        benchpdf::PeerWrite(document, folder + "/Bench.pdf");
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
}

// The chapters' sample files; the last one misses a font.
std::vector<std::string> const& Chapters() {
    static std::vector<std::string> const chapters = [] {
        std::vector<std::string> files;
        for (int i = 1; i <= kChapters; ++i) {
            HostDocumentRecord chapter = benchpdf::Document(4);
            chapter.name = "Chapter" + std::to_string(i) + ".indd";
            chapter.fonts.push_back({i == kChapters ? "Missing Sans" : "DejaVu Serif", i == kChapters});
            files.push_back(Sandbox().Root() + "/" + chapter.name + ".json");
            std::string error;
            if (!HostDocumentFile::WriteFile(files.back(), HostDocumentFile::FormatDocument(chapter), error))
                std::abort();
        }
        return files;
    }();
    return chapters;
}

void OursFontCheck(benchmark::State& state) {
    StandInHost host;
    HostBookRecord book;
    book.name = "Catalogue.indb";
    book.path = Sandbox().Root() + "/Catalogue.indb";
    book.chapters = Chapters();
    host.Documents().OpenBook(book);
    GIDCSPExportBookAction action;
    GCPTSaveAsProperties const request(T("Press"));
    for (auto _ : state) {
        if (action.SaveAsPDF(request, GPathName(T(Sandbox().Root() + "/book")))) {
            state.SkipWithError("the missing font was not found");
            break;
        }
    }
}

void PeerFontCheck(benchmark::State& state) {
    for (auto _ : state) {
        int missing = 0;
        for (std::string const& file : Chapters()) {
            HostDocumentRecord chapter;
            std::string error;
            if (!HostDocumentFile::ReadDocument(file, chapter, error))
                std::abort();
            for (HostFontRecord const& font : chapter.fonts)
                missing += font.missing ? 1 : 0;
        }
        benchmark::DoNotOptimize(missing);
    }
}

BENCHMARK(Ours)->Name(TROVEL_BENCH_NAME("ExportAction100Pages", "ours"))->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Peer)
    ->Name(TROVEL_BENCH_NAME("ExportAction100Pages", "QPdfWriter"))
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(OursFontCheck)
    ->Name(TROVEL_BENCH_NAME("BookFontCheck50Chapters", "ours"))
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(PeerFontCheck)
    ->Name(TROVEL_BENCH_NAME("BookFontCheck50Chapters", "direct read"))
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);

}  // namespace
