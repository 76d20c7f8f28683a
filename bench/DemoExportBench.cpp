// The whole export of the demo, between real processes: the stand-in host (trovel-host) loads the
// built plug-in bundle, opens a 10-page document and drives the export dialog offscreen (the
// Trovelor, a 3 mm bleed, the file package, OK; no pause between the steps), and the stand-in
// PrinterProcessor, polling its queue every 10 ms, takes the PDF notice and then the package
// notice. One sample is one host run, timed from the dialog opening (the host's modal state
// acquired) to the second notice appearing in the receiver's output; the host's lines are
// timestamped as they arrive on a pipe, the receiver's output is watched with inotify.
// Counters: p50/p99 of that time, and the medians of its parts: dialog_ (the opening to OK),
// pdf_ (OK to the PDF written), handoff_ (the PDF written to the last notice: the package, both
// notices and the receiver's polls), and run_ (the host process from start to exit).
// Peer: the same 10 pages drawn by QPdfWriter alone, then two POSIX message-queue round trips
// with a forked echo child (the notices' bytes there and back), all in this process.
// The sides are sampled in alternation and each reports the median of its samples.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <glob.h>
#include <mqueue.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchChild.h"
#include "BenchRatio.h"
#include "HostPdfBenchPages.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "support/PrivateSandbox.h"
#include "support/ScopedEnvironment.h"
#include "support/SpawnedProgram.h"

namespace {

constexpr int kPages = 10;
constexpr int kSamples = 100;
constexpr int kNotices = 2;
constexpr int kRunBoundMs = 60000;
constexpr const char* kTrovelor = "Proof Press";
constexpr const char* kScript =
    "choose Press Quality\n"
    "expand Options\n"
    "check Bleed:\n"
    "type bleedAmount 3mm\n"
    "check Include File Package\n"
    "button OK\n";

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Percentile(std::vector<double> samples, int percent) {
    if (samples.empty())
        return -1;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() * static_cast<std::size_t>(percent) / 100];
}

struct Samples {
    std::vector<double> ours;  // ms, the dialog opening to the last notice; negative when it failed
    std::vector<double> dialog;
    std::vector<double> pdf;
    std::vector<double> handoff;
    std::vector<double> run;
    std::vector<double> peer;  // ms
};

std::size_t NoticesIn(const std::string& output) {
    std::ifstream in(output, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
}

// A sandbox with two Trovelors made as the demo makes them, a running receiver, the 10-page
// document and the dialog's script.
class DemoSandbox {
public:
    DemoSandbox() {
        mEnvironment.Set("QT_QPA_PLATFORM", "offscreen");
        mEnvironment.Set("XDG_CACHE_HOME", mSandbox.Root() + "/data");
        mEnvironment.Set("TROVEL_SHM_PREFIX", mPrefix);
        mEnvironment.Set("LANG", "C.UTF-8");
        mEnvironment.Set("LC_ALL", "C.UTF-8");
        mEnvironment.Unset("LANGUAGE");
        const std::string samples = TROVEL_SAMPLES;
        if (!Make({"--make-trovelor", kTrovelor, "--job-options", samples + "/Press.joboptions", "--guid", "bench-press",
                   "--pdf-settings", "Press Quality", "--setting", "UserSettings=true", "--setting",
                   "IncludeFilePackage=false"}) ||
            !Make({"--make-trovelor", "Screen Proof", "--job-options", samples + "/Press.joboptions", "--guid",
                   "bench-screen", "--pdf-settings", "Smallest File Size"}))
            return;
        HostDocumentRecord document = benchpdf::Document(kPages);
        document.saved = true;
        document.path = "Bench.indd";
        mDocument = mSandbox.Root() + "/Bench.json";
        std::string error;
        if (!HostDocumentFile::WriteFile(mDocument, HostDocumentFile::FormatDocument(document), error))
            return;
        mScript = mSandbox.Root() + "/dialog.txt";
        std::ofstream(mScript) << kScript;
        mNotices = mSandbox.Out() + "/notices.txt";
        std::string ready;
        mReady = mReceiver.Start(TROVEL_PRINTER_PROCESSOR, {"--output", mNotices, "--folder", mSandbox.Root() + "/tmp"}) &&
                 mReceiver.ReadLine(ready, 15000) && ready.compare(0, 6, "ready ") == 0;
    }
    ~DemoSandbox() {
        mReceiver.Signal(SIGTERM);
        if (mReceiver.Wait(5000) < 0)
            mReceiver.Signal(SIGKILL);
        glob_t found{};
        if (glob(("/dev/shm/" + mPrefix + "*").c_str(), 0, nullptr, &found) == 0)
            for (std::size_t i = 0; i < found.gl_pathc; ++i)
                unlink(found.gl_pathv[i]);
        globfree(&found);
    }
    bool Ready() const { return mReady; }

    // One export; false when it did not end with both notices.
    bool Export(Samples& samples) {
        // Each export starts as the demo's first: no PDF or package of an earlier one in the way.
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(mSandbox.Root() + "/tmp", ignored))
            if (entry.path().filename().string().rfind("TrovelPluginTemp-", 0) == 0)
                for (const auto& output : std::filesystem::directory_iterator(entry.path(), ignored))
                    if (output.path().filename().string().rfind("Output-", 0) == 0)
                        std::filesystem::remove_all(output.path() / kTrovelor, ignored);
        const std::size_t before = NoticesIn(mNotices);
        const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watch < 0 || inotify_add_watch(watch, mSandbox.Out().c_str(), IN_MODIFY | IN_CLOSE_WRITE) < 0) {
            if (watch >= 0)
                close(watch);
            return false;
        }
        const double start = NowMs();
        SpawnedProgram host;
        const bool started = host.Start("/usr/bin/stdbuf", {"-oL", TROVEL_HOST, "--document", mDocument, "--script",
                                                            mScript, "--pace", "0", "--run", "0x198C04",
                                                            TROVEL_EXPORT_BUNDLE});
        double opened = -1, ok = -1, written = -1, last = -1;
        bool hostEnded = !started;
        while ((!hostEnded || last < 0) && NowMs() - start < kRunBoundMs) {
            pollfd ready[2] = {{watch, POLLIN, 0}, {hostEnded ? -1 : host.Out(), POLLIN, 0}};
            poll(ready, 2, 50);
            std::array<char, 4096> events{};
            if (read(watch, events.data(), events.size()) > 0 && last < 0 && NoticesIn(mNotices) >= before + kNotices)
                last = NowMs();
            if (hostEnded || (ready[1].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            std::vector<std::string> lines;
            hostEnded = !host.ReadLines(lines);
            const double at = NowMs();
            for (const std::string& line : lines) {
                if (line.rfind("host: modal state 1 acquired", 0) == 0 && opened < 0)
                    opened = at;
                else if (line.find(": button OK") != std::string::npos && ok < 0)
                    ok = at;
                else if (line.rfind("host: PDF \"", 0) == 0 && line.find("\" written") != std::string::npos)
                    written = at;
            }
        }
        close(watch);
        const int status = hostEnded ? host.Wait(kRunBoundMs) : -1;
        samples.run.push_back(NowMs() - start);
        if (status != 0 || opened < 0 || ok < 0 || written < 0 || last < 0)
            return false;
        samples.ours.push_back(last - opened);
        samples.dialog.push_back(ok - opened);
        samples.pdf.push_back(written - ok);
        samples.handoff.push_back(last - written);
        return true;
    }

private:
    bool Make(const std::vector<std::string>& arguments) {
        SpawnedProgram program;
        return program.Start(TROVEL_PRINTER_PROCESSOR, arguments) && program.Wait(30000) == 0;
    }

    PrivateSandbox mSandbox;
    ScopedEnvironment mEnvironment;
    std::string mPrefix = "trvdemobench" + std::to_string(getpid()) + "_";
    std::string mDocument;
    std::string mScript;
    std::string mNotices;
    SpawnedProgram mReceiver;
    bool mReady = false;
};

// The peer's side: the pages drawn by QPdfWriter, then the two notices there and back through a
// POSIX message queue with an echo child.
class PeerSide {
public:
    PeerSide() {
        benchpdf::Application();
        const std::string base = "/trvdemobench" + std::to_string(getpid()) + "_mq";
        mq_attr attr{};
        attr.mq_maxmsg = 4;
        attr.mq_msgsize = kMessage;
        mOut = mq_open((base + "there").c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attr);
        mIn = mq_open((base + "back").c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attr);
        mq_unlink((base + "there").c_str());
        mq_unlink((base + "back").c_str());
        if (mOut == static_cast<mqd_t>(-1) || mIn == static_cast<mqd_t>(-1))
            return;
        mChild = fork();
        if (mChild == 0) {
            std::vector<char> message(kMessage);
            for (;;) {
                const ssize_t n = mq_receive(mOut, message.data(), message.size(), nullptr);
                if (n <= 0 || mq_send(mIn, message.data(), static_cast<std::size_t>(n), 0) != 0)
                    _exit(0);
            }
        }
    }
    ~PeerSide() {
        if (mChild > 0) {
            kill(mChild, SIGKILL);
            waitpid(mChild, nullptr, 0);
        }
        if (mOut != static_cast<mqd_t>(-1))
            mq_close(mOut);
        if (mIn != static_cast<mqd_t>(-1))
            mq_close(mIn);
    }
    bool Ready() const { return mChild > 0; }

    double Export() {
        const double start = NowMs();
        benchpdf::PeerWrite(mDocument, mFolder / "Bench.pdf");
        // About the size of a notice: the user, the path, the Trovelor, the port.
        std::vector<char> message(600, 'n');
        for (int i = 0; i < kNotices; ++i) {
            if (mq_send(mOut, message.data(), message.size(), 0) != 0 ||
                mq_receive(mIn, message.data(), kMessage, nullptr) <= 0)
                return -1;
        }
        return NowMs() - start;
    }

private:
    static constexpr std::size_t kMessage = 1024;
    ScopedTempFolder mFolder;
    HostDocumentRecord mDocument = benchpdf::Document(kPages);
    mqd_t mOut = static_cast<mqd_t>(-1);
    mqd_t mIn = static_cast<mqd_t>(-1);
    pid_t mChild = -1;
};

const Samples& PairedSamples() {
    static const Samples fSamples = [] {
        Samples samples;
        DemoSandbox demo;
        PeerSide peer;
        if (!demo.Ready() || !peer.Ready())
            return samples;
        for (int i = 0; i < kSamples; ++i) {
            if (!demo.Export(samples))
                samples.ours.push_back(-1);
            samples.peer.push_back(peer.Export());
        }
        return samples;
    }();
    return fSamples;
}

std::vector<double> Seconds(const std::vector<double>& ms) {
    std::vector<double> seconds;
    for (double value : ms)
        seconds.push_back(value < 0 ? value : value / 1e3);
    return seconds;
}

void Counters(benchmark::State& state, const char* name, const std::vector<double>& ms, bool p99) {
    state.counters[std::string(name) + "p50_ms"] = Percentile(ms, 50);
    if (p99)
        state.counters[std::string(name) + "p99_ms"] = Percentile(ms, 99);
}

void DemoExportOurs(benchmark::State& state) {
    static std::size_t fNext = 0;
    const Samples& samples = PairedSamples();
    static const std::vector<double> fSeconds = Seconds(samples.ours);
    BenchChild::RunOnNextSample(state, fSeconds, fNext, "an export did not end with both notices");
    Counters(state, "", samples.ours, true);
    Counters(state, "dialog_", samples.dialog, false);
    Counters(state, "pdf_", samples.pdf, false);
    Counters(state, "handoff_", samples.handoff, false);
    Counters(state, "run_", samples.run, false);
}

void DemoExportPeer(benchmark::State& state) {
    static std::size_t fNext = 0;
    const Samples& samples = PairedSamples();
    static const std::vector<double> fSeconds = Seconds(samples.peer);
    BenchChild::RunOnNextSample(state, fSeconds, fNext, "the peer failed");
    Counters(state, "", samples.peer, true);
}

}  // namespace

BENCHMARK(DemoExportOurs)
    ->Name(TROVEL_BENCH_NAME("DemoExport10Pages", "ours"))
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kSamples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DemoExportPeer)
    ->Name(TROVEL_BENCH_NAME("DemoExport10Pages", "qpdfwriter+mq"))
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kSamples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
