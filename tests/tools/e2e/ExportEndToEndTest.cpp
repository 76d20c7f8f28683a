// The whole road of an export with the real programs, as a user meets it: the printer-processor
// makes and registers Trovelors and serves, the stand-in host loads the built plug-in, opens the
// sample document or book and drives the export dialog, and the PDF, the file package, the
// notices the receiver took and the plug-in's remembered choices are what comes out. Receivers
// that are dead, stopped or never read, and a damaged package, end with the system's message.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <set>

#include "support/TrovelorPackages.h"
#include "support/Watchdog.h"
#include "tools/host/HostRun.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

constexpr const char* kDocumentAction = "0x198C04";
constexpr const char* kBookAction = "0x198C06";
constexpr const char* kTrovelor = "Proof Press";
constexpr const char* kGUID = "e2e-press";
constexpr const char* kLaunchManually =
    "message \"Export to Trovelor error\": Unable to automatically launch Trovelor. Launch the Trovelor manually and "
    "try again.";
// The dialog as a user fills it for a document: the Trovelor, pages 1-3 and 5, a 3 mm bleed, the
// file package, OK.
constexpr const char* kWholeDialog =
    "choose Press Quality\n"
    "check Range:\n"
    "type rangeEdit 1-3,5\n"
    "expand Options\n"
    "check Bleed:\n"
    "type bleedAmount 3mm\n"
    "check Include File Package\n"
    "button OK\n";

std::string Sample(const std::string& leaf) { return std::string(TROVEL_SAMPLES) + "/" + leaf; }

std::string Shell(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char chunk[4096];
    std::size_t n = 0;
    while (pipe && (n = fread(chunk, 1, sizeof chunk, pipe.get())) > 0)
        out.append(chunk, n);
    return out;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The PDFs the host wrote, in the order it wrote them.
std::vector<std::string> PdfsWritten(const HostResult& result) {
    std::vector<std::string> pdfs;
    const std::regex written("\nhost: PDF \"([^\"]+)\" written");
    const std::string out = "\n" + result.out;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), written); it != std::sregex_iterator(); ++it)
        pdfs.push_back((*it)[1]);
    return pdfs;
}

// A UTF-16LE preference file read as its ASCII characters.
std::string ReadUTF16AsASCII(const std::string& path) {
    const std::string bytes = packagetest::ReadBytes(path);
    std::string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        if (bytes[i + 1] == 0)
            text += bytes[i] == '\r' ? '\n' : bytes[i];
    return text;
}

// One host run after another in one sandbox, each with the built bundle, offscreen.
class ExportEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        mEnvironment.Set("QT_QPA_PLATFORM", "offscreen");
        mEnvironment.Set("XDG_CACHE_HOME", mSandbox.Root() + "/data");
        MakeTrovelor(kTrovelor, kGUID, "Press Quality", {"UserSettings=true", "IncludeFilePackage=false"});
        MakeTrovelor("Screen Proof", "e2e-screen", "Smallest File Size", {});
    }

    static void MakeTrovelor(const std::string& name, const std::string& guid, const std::string& settingsName,
                             const std::vector<std::string>& settings) {
        std::vector<std::string> arguments{"--make-trovelor", name, "--job-options", Sample("Press.joboptions"),
                                           "--guid", guid, "--pdf-settings", settingsName};
        for (const std::string& setting : settings) {
            arguments.push_back("--setting");
            arguments.push_back(setting);
        }
        SpawnedProgram program;
        ASSERT_TRUE(program.Start(TROVEL_PRINTER_PROCESSOR, arguments));
        ASSERT_EQ(0, program.Wait(30000)) << name;
    }

    std::string Package(const std::string& guid) const {
        return mSandbox.Root() + "/data/Kelvora/Trovelor/Cache/Settings/" + guid + "/Package.trovelor";
    }

    // The Trovelor's own output folder, where its PDFs go.
    std::string OutputOf(const std::string& trovelor) const {
        const passwd* user = getpwuid(getuid());
        return mSandbox.Root() + "/tmp/TrovelPluginTemp-" + std::to_string(getuid()) + "/Output-" + user->pw_name +
               "/" + trovelor;
    }

    // A receiver that takes jobs from anywhere in the sandbox's temporary folder.
    bool StartReceiver(StandIn& receiver, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments{"--folder", mSandbox.Root() + "/tmp"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return receiver.Start(mSandbox.Out() + "/notices-" + std::to_string(++mReceivers) + ".txt", arguments);
    }

    // Ends a receiver as the system does, and gives its exit status.
    static int Stop(StandIn& receiver) {
        receiver.Program().Signal(SIGTERM);
        return receiver.Program().Wait();
    }

    static std::vector<std::string> HostArguments(const std::string& open, const std::string& file,
                                                  const std::string& scriptFile, const std::vector<std::string>& actions) {
        std::vector<std::string> arguments{open, file, "--script", scriptFile};
        for (const std::string& action : actions) {
            arguments.push_back("--run");
            arguments.push_back(action);
        }
        arguments.push_back(TROVEL_EXPORT_BUNDLE);
        return arguments;
    }

    HostResult Export(const std::string& open, const std::string& file, const std::string& script,
                      const std::vector<std::string>& actions) {
        return mHost.Run(HostArguments(open, file, mHost.Write("script.txt", script), actions));
    }

    HostResult ExportDocument(const std::string& script) {
        return Export("--document", Sample("Brochure.json"), script, {kDocumentAction});
    }

    // A receiver that never takes a notice costs each send of the host this bound, not the
    // product's 3.3 s. Only the host gets it: this process reads the bound once, at its first send,
    // and keeps it for the cases that follow.
    HostResult ExportDocumentWithShortWait(const std::string& script) {
        ScopedEnvironment wait;
        wait.Set("TROVEL_NOTICE_WAIT_MS", "300");
        return ExportDocument(script);
    }

    // The host let go of everything, and no folder of a package read is left in the plug-in's
    // temporary folder.
    void ExpectClean(const HostResult& result) const {
        EXPECT_TRUE(result.Printed("references left: 0")) << result.out;
        EXPECT_TRUE(result.Printed("objects left: 0")) << result.out;
        EXPECT_TRUE(result.Printed("modal states held: 0")) << result.out;
        EXPECT_TRUE(result.Printed("broken rules: 0")) << result.out;
        const std::string temporary = mSandbox.Root() + "/tmp/TrovelPluginTemp-" + std::to_string(getuid());
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(temporary, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            EXPECT_NE(0u, it->path().filename().string().rfind("Package", 0)) << it->path();
        }
    }

    static void ExpectNotice(const Line& line, const std::string& job, const std::string& detail) {
        ASSERT_GT(line.size(), static_cast<std::size_t>(kDetail)) << job;
        EXPECT_EQ("accepted", line[kVerdict]) << job;
        EXPECT_EQ(job, line[kJobPath]);
        EXPECT_EQ(kTrovelor, line[kPrinter]);
        EXPECT_EQ("10987", line[kPort]);
        EXPECT_EQ("1", line[kCopies]);
        if (!detail.empty()) {
            EXPECT_EQ(detail, line[kDetail]) << job;
        }
    }

    // The export that a dead, stopped or silent receiver could not take: the PDF stays and the
    // user is asked to launch the Trovelor.
    void ExpectLaunchManually(const HostResult& result) {
        EXPECT_EQ(0, result.exit) << result.out << result.errors;
        EXPECT_TRUE(result.Printed(kLaunchManually)) << result.out;
        EXPECT_TRUE(IsFile(OutputOf(kTrovelor) + "/Brochure.pdf")) << result.out;
        ExpectClean(result);
    }

    const Watchdog mWatchdog{std::chrono::seconds(240), "export end to end"};
    Sandbox mSandbox;
    ScopedEnvironment mEnvironment;
    HostRun mHost;
    int mReceivers = 0;
};

TEST_F(ExportEndToEnd, TheWholeDialogGivesThePdfThePackageBothNoticesAndRemembersTheChoices) {
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const HostResult result = ExportDocument(kWholeDialog);
    ASSERT_EQ(0, result.exit) << result.out << result.errors;
    EXPECT_EQ(std::string::npos, result.out.find("(not possible)")) << result.out;
    EXPECT_EQ(std::string::npos, result.out.find("message ")) << result.out;
    EXPECT_TRUE(result.Printed("script: line 3: type rangeEdit 1-3,5 -> \"1-3,5\"")) << result.out;
    // The dialog and nothing else held the host's modal state, once.
    EXPECT_TRUE(result.Printed("host: modal state 1 acquired, depth 1")) << result.out;
    EXPECT_TRUE(result.Printed("host: modal state 1 released, depth 0")) << result.out;
    ExpectClean(result);

    const std::string pdf = OutputOf(kTrovelor) + "/Brochure.pdf";
    const std::string package = OutputOf(kTrovelor) + "/Brochure Folder";
    EXPECT_TRUE(result.Printed("host: PDF \"" + pdf + "\" written, 4 pages")) << result.out;
    // The boxes as poppler reads them: the trim is the page, the bleed 3 mm (8.50 pt) beyond it.
    const std::string boxes = Shell("pdfinfo -box -f 1 -l 4 '" + pdf + "' 2>&1");
    EXPECT_TRUE(std::regex_search(boxes, std::regex("\nPages: +4\n"))) << boxes;
    std::smatch trim;
    std::smatch bleed;
    ASSERT_TRUE(std::regex_search(boxes, trim, std::regex(R"(Page    4 TrimBox: +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9.]+))")))
        << boxes;
    ASSERT_TRUE(std::regex_search(boxes, bleed, std::regex(R"(Page    4 BleedBox: +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9.]+))")))
        << boxes;
    EXPECT_NEAR(595.0, std::stod(trim[3]) - std::stod(trim[1]), 0.01);
    EXPECT_NEAR(842.0, std::stod(trim[4]) - std::stod(trim[2]), 0.01);
    for (int edge : {1, 2})
        EXPECT_NEAR(8.50, std::stod(trim[edge]) - std::stod(bleed[edge]), 0.01) << boxes;
    for (int edge : {3, 4})
        EXPECT_NEAR(8.50, std::stod(bleed[edge]) - std::stod(trim[edge]), 0.01) << boxes;
    EXPECT_TRUE(IsFile(package + "/Fonts.txt"));
    EXPECT_TRUE(IsFile(package + "/Report.txt"));

    const std::vector<Line> lines = receiver.AwaitLines(2);
    ASSERT_EQ(2u, lines.size());
    ExpectNotice(lines[0], pdf, "");
    ExpectNotice(lines[1], package, "folder");
    EXPECT_EQ(lines[0][kSender], lines[1][kSender]);
    EXPECT_EQ(std::to_string(receiver.Registration()), lines[0][kRegistration]);

    // The plug-in's preference file keeps the Trovelor picked and the package choice for its GUID.
    const std::string prefs = ReadUTF16AsASCII(mSandbox.Root() +
                                               "/config/Kelvora Prefs Folder/Trovel_DO2024_InDesign/TrovelPlugins.pref");
    EXPECT_TRUE(std::regex_search(prefs, std::regex(R"("ZARidizoUI"\n#BEGINDICT\n[^#]*"LastSelectedPDFSetting" "Proof Press"\n)")))
        << prefs;
    EXPECT_TRUE(std::regex_search(prefs, std::regex(R"("e2e-press"\n#BEGINDICT\n[^#]*"IncludeFilePackageChecked" "true"\n)")))
        << prefs;
    EXPECT_EQ(0, Stop(receiver));
}

TEST_F(ExportEndToEnd, TheSampleBookGoesOutWholeWithItsPackage) {
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const HostResult result = Export("--book", Sample("Catalogue.json"),
                                     "choose Press Quality\ncheck Include File Package\nbutton OK\n", {kBookAction});
    ASSERT_EQ(0, result.exit) << result.out << result.errors;
    EXPECT_EQ(std::string::npos, result.out.find("message ")) << result.out;
    // A book has no page range: the range controls cannot be used.
    const std::string pdf = OutputOf(kTrovelor) + "/Catalogue.pdf";
    EXPECT_TRUE(result.Printed("host: PDF \"" + pdf + "\" written, 3 chapters, 5 pages")) << result.out;
    EXPECT_TRUE(result.Printed("session PDF preferences: unchanged")) << result.out;
    ExpectClean(result);
    const std::vector<Line> lines = receiver.AwaitLines(2);
    ASSERT_EQ(2u, lines.size());
    ExpectNotice(lines[0], pdf, "");
    ExpectNotice(lines[1], OutputOf(kTrovelor) + "/Catalogue Folder", "folder");
    EXPECT_EQ(0, Stop(receiver));
}

TEST_F(ExportEndToEnd, EscapeExportsNothing) {
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const HostResult result = ExportDocument("choose Press Quality\nkey Escape\n");
    ASSERT_EQ(0, result.exit) << result.out << result.errors;
    EXPECT_TRUE(PdfsWritten(result).empty()) << result.out;
    EXPECT_FALSE(IsFolder(OutputOf(kTrovelor))) << result.out;
    ExpectClean(result);
    // Every notice is taken before its send returns: none can still be on its way.
    EXPECT_TRUE(receiver.Lines().empty());
    EXPECT_EQ(0, Stop(receiver));
}

// Two exports in one session: the second dialog preselects the Trovelor and shows the package
// choice remembered from the first, which the user takes back.
TEST_F(ExportEndToEnd, TwoExportsInARowKeepBothPdfs) {
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const HostResult result = Export("--document", Sample("Brochure.json"),
                                     "choose Press Quality\ncheck Include File Package\nbutton OK\n"
                                     "uncheck Include File Package\nbutton OK\n",
                                     {kDocumentAction, kDocumentAction});
    ASSERT_EQ(0, result.exit) << result.out << result.errors;
    EXPECT_EQ(std::string::npos, result.out.find("(not possible)")) << result.out;
    ExpectClean(result);
    const std::vector<std::string> pdfs = PdfsWritten(result);
    ASSERT_EQ(2u, pdfs.size()) << result.out;
    const std::string output = OutputOf(kTrovelor);
    EXPECT_EQ(output + "/Brochure.pdf", pdfs[0]);
    // The second goes into a new folder beside the first, which stays.
    EXPECT_EQ(output.size() + 1 + 5 + 1 + std::string("Brochure.pdf").size(), pdfs[1].size()) << pdfs[1];
    EXPECT_EQ(output + "/", pdfs[1].substr(0, output.size() + 1)) << pdfs[1];
    EXPECT_EQ("/Brochure.pdf", pdfs[1].substr(output.size() + 6)) << pdfs[1];
    EXPECT_TRUE(IsFile(pdfs[0]));
    EXPECT_TRUE(IsFile(pdfs[1]));
    EXPECT_TRUE(IsFolder(output + "/Brochure Folder"));
    EXPECT_FALSE(IsFolder(pdfs[1].substr(0, output.size() + 6) + "/Brochure Folder")) << "the package was unchecked";
    const std::vector<Line> lines = receiver.AwaitLines(3);
    ASSERT_EQ(3u, lines.size());
    ExpectNotice(lines[0], pdfs[0], "");
    ExpectNotice(lines[1], output + "/Brochure Folder", "folder");
    ExpectNotice(lines[2], pdfs[1], "");
    EXPECT_EQ(0, Stop(receiver));
}

// Two hosts export at the same moment to one receiver: each notice arrives, and only once.
TEST_F(ExportEndToEnd, TwoHostsExportingAtOnceReachOneReceiver) {
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const std::string script = mHost.Write("script.txt", "choose Press Quality\ncheck Include File Package\nbutton OK\n");
    SpawnedProgram document;
    SpawnedProgram book;
    ASSERT_TRUE(document.Start(TROVEL_HOST, HostArguments("--document", Sample("Brochure.json"), script, {kDocumentAction})));
    ASSERT_TRUE(book.Start(TROVEL_HOST, HostArguments("--book", Sample("Catalogue.json"), script, {kBookAction})));
    std::set<std::string> senders;
    for (SpawnedProgram* host : {&document, &book}) {
        std::string out;
        for (std::string line; host->ReadLine(line, 60000);)
            out += line + "\n";
        EXPECT_EQ(0, host->Wait(60000)) << out;
        EXPECT_NE(std::string::npos, out.find("modal states held: 0\n")) << out;
        EXPECT_EQ(std::string::npos, out.find("message ")) << out;
        senders.insert(std::to_string(host->Pid()));
    }
    const std::vector<Line> lines = receiver.AwaitLines(4);
    ASSERT_EQ(4u, lines.size());
    std::multiset<std::string> jobs;
    for (const Line& line : lines) {
        EXPECT_EQ("accepted", line[kVerdict]) << line[kJobPath];
        EXPECT_EQ(1u, senders.count(line[kSender])) << line[kSender];
        jobs.insert(line[kJobPath]);
    }
    const std::string output = OutputOf(kTrovelor);
    EXPECT_EQ((std::multiset<std::string>{output + "/Brochure.pdf", output + "/Brochure Folder",
                                          output + "/Catalogue.pdf", output + "/Catalogue Folder"}),
              jobs);
    EXPECT_EQ(0, Stop(receiver));
}

TEST_F(ExportEndToEnd, WithoutAListeningReceiverTheUserIsAskedToLaunchTheTrovelor) {
    // Dead: killed outright, its registration still in the table.
    {
        StandIn receiver;
        ASSERT_TRUE(StartReceiver(receiver));
        receiver.Program().Signal(SIGKILL);
        ASSERT_EQ(100 + SIGKILL, receiver.Program().Wait());
        ExpectLaunchManually(ExportDocumentWithShortWait(kWholeDialog));
        EXPECT_TRUE(receiver.Lines().empty());
        EXPECT_TRUE(RemoveLeftoversOfKilled(receiver.Pid(), receiver.Registration()).empty());
    }
    // Stopped: the notice it did not take in time is taken back, so it never arrives late.
    {
        StandIn receiver;
        ASSERT_TRUE(StartReceiver(receiver));
        receiver.Program().Signal(SIGSTOP);
        ExpectLaunchManually(ExportDocumentWithShortWait("choose Press Quality\nbutton OK\n"));
        receiver.Program().Signal(SIGCONT);
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        // Message 146 comes after anything still queued: the receiver reads it all.
        EXPECT_EQ(0, receiver.Terminate());
        EXPECT_TRUE(receiver.Lines().empty());
    }
    // Running but never reading.
    {
        StandIn receiver;
        ASSERT_TRUE(StartReceiver(receiver, {"--no-read"}));
        ExpectLaunchManually(ExportDocumentWithShortWait("choose Press Quality\nbutton OK\n"));
        EXPECT_EQ(0, Stop(receiver));
        EXPECT_TRUE(receiver.Lines().empty());
    }
}

TEST_F(ExportEndToEnd, ADamagedPackageExportsNothingAndSaysWhy) {
    packagetest::DamageEntry(Package(kGUID), "PrinterFiles/Press.joboptions");
    StandIn receiver;
    ASSERT_TRUE(StartReceiver(receiver));
    const HostResult result = ExportDocument("choose Press Quality\nbutton OK\n");
    EXPECT_EQ(0, result.exit) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("message \"Export to Trovelor error\": Unable to retrieve PDF setting: Proof Press"))
        << result.out;
    EXPECT_TRUE(PdfsWritten(result).empty()) << result.out;
    ExpectClean(result);
    EXPECT_TRUE(receiver.Lines().empty());
    EXPECT_EQ(0, Stop(receiver));
}

}  // namespace
