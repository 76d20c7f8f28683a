// The stand-in host's PDF export of a 100-page document, through its PDF export command as a
// plug-in runs it (page list, export data, pages drawn with QPdfWriter, boxes set with libqpdf,
// the file written beside the target and renamed). Peer: the same pages drawn by QPdfWriter
// alone into the file, without boxes. Both draw the same text lines and rectangle per page in
// DejaVu Sans on the offscreen platform.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchRatio.h"
#include "HostPdfBenchPages.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/host/StandInHost.h"
#include "support/ScopedTempFolder.h"

namespace {

constexpr int kPages = 100;

using benchpdf::Application;
HostDocumentRecord Document() { return benchpdf::Document(kPages); }

void Ours(benchmark::State& state) {
    Application();
    ScopedTempFolder folder;
    StandInHost host;
    HostDocument* document = host.Documents().OpenDocument(Document());
    const std::string pdf = folder / "Bench.pdf";
    for (auto _ : state) {
        InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x2505));
        InterfacePtr<ISysFileData> file(command.get(), ISysFileData::kDefaultIID);
        InterfacePtr<IPDFExportData> data(command.get(), IPDFExportData::kDefaultIID);
        InterfacePtr<IPageList> pageList(document, IPageList::kDefaultIID);
        file->Set(IDFile(PMString(pdf)));
        UIDList pages(document->GetDocDataBase());
        for (std::int32_t i = 0; i < pageList->GetPageCount(); ++i)
            pages.Append(pageList->GetNthPageUID(i));
        data->SetPageUIDList(pages, false);
        if (CmdUtils::ProcessCommand(command.get()) != kSuccess)
            state.SkipWithError("the export failed");
    }
}

void Peer(benchmark::State& state) {
    Application();
    ScopedTempFolder folder;
    const HostDocumentRecord document = Document();
    const std::string pdf = folder / "Bench.pdf";
    for (auto _ : state)
        benchpdf::PeerWrite(document, pdf);
}

BENCHMARK(Ours)->Name(TROVEL_BENCH_NAME("HostPdfExport100Pages", "ours"))->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Peer)
    ->Name(TROVEL_BENCH_NAME("HostPdfExport100Pages", "QPdfWriter"))
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);

}  // namespace
