// The stand-in's --make-trovelor: the real program writes and registers a Trovelor, and the
// plug-in's readers find it in the same sandboxed user's registry.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "plugin/tools/ZARidizoTools.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

std::string Utf8(const GString& text) {
    const GBuffer bytes = text.GetBuffer(GEncodingFallback::Get<GUTF8Encoding>());
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the program to its end; its exit status, and its first output line in line.
int RunToEnd(const std::vector<std::string>& arguments, std::string& line) {
    SpawnedProgram program;
    if (!program.Start(TROVEL_PRINTER_PROCESSOR, arguments))
        return -1;
    line.clear();
    program.ReadLine(line, 15000);
    return program.Wait(15000);
}

}  // namespace

TEST(MakeTrovelor, ThePluginReadsWhatTheStandInMade) {
    const Watchdog watchdog(std::chrono::seconds(60), "make trovelor");
    Sandbox sandbox;
    const std::string jobOptions = sandbox.WriteJob("Press Quality.joboptions", "<< /Resolution 2400 >>\n");
    std::string line;
    ASSERT_EQ(0, RunToEnd({"--make-trovelor", "Press Ü", "--job-options", jobOptions, "--setting", "MarkOffset=2.500000",
                      "--setting", "PrinterMarks=true", "--build", "42", "--guid", "G-1", "--pdf-settings",
                      "High Quality"},
                     line));
    const std::string package = sandbox.Root() + "/data/Kelvora/Trovelor/Cache/Settings/G-1/Package.trovelor";
    EXPECT_EQ("trovelor " + package, line);

    LayerScope layer;
    ASSERT_TRUE(layer.Started());
    GTable<GString> names;
    ASSERT_TRUE(ZARidizoTools::GetPluginTrovelors(names));
    ASSERT_EQ(1, names.GetCount());
    EXPECT_EQ("Press Ü", Utf8(names[0]));
    GString text;
    ASSERT_TRUE(ZARidizoTools::GetPDFSettingsName(Text("Press Ü"), text));
    EXPECT_EQ("High Quality", Utf8(text));
    ASSERT_TRUE(ZARidizoTools::GetGUID(Text("Press Ü"), text));
    EXPECT_EQ("G-1", Utf8(text));

    GPrefMemoryModule prefs;
    GPathName extracted;
    int build = 0;
    ZARidizoTools::ExtractedFolder folder;
    ASSERT_TRUE(ZARidizoTools::GetProjectProperties(Text("Press Ü"), extracted, prefs, build, folder));
    EXPECT_EQ(42, build);
    EXPECT_EQ("2.500000", Utf8(prefs.Get(GBuffer("PluginSettings"), GBuffer("MarkOffset"))));
    EXPECT_EQ("true", Utf8(prefs.Get(GBuffer("PluginSettings"), GBuffer("PrinterMarks"))));
    const std::string path = Utf8(extracted.GetNativePathString());
    EXPECT_EQ("/PrinterFiles/Press Quality.joboptions", path.substr(path.rfind("/PrinterFiles/")));
    EXPECT_EQ(ReadBytes(jobOptions), ReadBytes(path));
}

TEST(MakeTrovelor, AJobOptionsFileThatCannotBeReadMakesNothing) {
    const Watchdog watchdog(std::chrono::seconds(60), "make trovelor");
    Sandbox sandbox;
    std::string line;
    EXPECT_EQ(1, RunToEnd({"--make-trovelor", "Press", "--job-options", sandbox.Out() + "/missing.joboptions"}, line));
    EXPECT_EQ("", line);
    std::ifstream registry(sandbox.Root() + "/config/Kelvora Prefs Folder/Printer Processor/KelvoraPrinterProcessor.prefs");
    std::string records((std::istreambuf_iterator<char>(registry)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::string::npos, records.find("P\0r\0e\0s\0s", 0, 9));
}
