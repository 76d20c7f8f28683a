#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/paths/PMacNativePath.h"
#include "services/system/PMacXSystemInfo.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

std::string Text(GString const& s) {
    std::string out;
    PMacNativePath::ToUTF8(s, out);
    return out;
}

GPathName PathOf(std::string const& native) {
    GString text;
    PMacNativePath::FromUTF8(native, text);
    GPathName path;
    path.SetNativePathString(text);
    return path;
}

class PMacXSystemInfoTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    PMacXSystemInfo mInfo;
};

}  // namespace

TEST_F(PMacXSystemInfoTest, ProcessorReportHasItsLinesInOrder) {
    GString report("start\n");
    mInfo.AddProcessorInfo(report);
    const std::string text = Text(report);
    size_t at = 0;
    for (char const* label : {"start\n", "Mach kernel version: \t", "Processors physically available: \t",
                              "Processors logically available: \t", "Processor type: \t", "Memory available: \t"}) {
        const size_t found = text.find(label, at);
        ASSERT_NE(found, std::string::npos) << label << " in\n" << text;
        at = found;
    }
    EXPECT_NE(text.find(" MB\n\n"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(PMacXSystemInfoTest, VersionLineFollowsTheStandInVersion) {
    ScopedEnvironment env;
    env.Set("TROVEL_MACOS_VERSION", "10.15.7");
    GString report;
    mInfo.AddOSVersionInfo(report);
    EXPECT_EQ(Text(report), "SystemVersion: \t10.15.7\n");
    mInfo.AddMemoryInfo(report);
    EXPECT_EQ(Text(report), "SystemVersion: \t10.15.7\n");
}

TEST_F(PMacXSystemInfoTest, MemoryAndProcessors) {
    GSystemInfo::MemoryInfo memory;
    mInfo.GetMemoryInfo(memory);
    EXPECT_GT(memory.mPhysicalMemory, 0);
    EXPECT_LT(memory.mPhysicalMemory, 1LL << 30);  // MiB, not bytes
    EXPECT_GE(mInfo.GetNumberOfProcessors(), 1);
}

TEST_F(PMacXSystemInfoTest, FindDLLOnlyForAnExistingFile) {
    ScopedTempFolder folder;
    std::ofstream(folder / "libtrovel.so") << "x";
    mkdir((folder / "sub").c_str(), 0700);
    const GPathName base = PathOf(folder.Path());
    EXPECT_EQ(Text(mInfo.FindDLL(base, GString("libtrovel.so")).GetNativePathString()), folder / "libtrovel.so");
    EXPECT_TRUE(mInfo.FindDLL(base, GString("missing.so")).IsEmpty());
    EXPECT_TRUE(mInfo.FindDLL(base, GString("sub")).IsEmpty());  // a folder is no library
}

TEST_F(PMacXSystemInfoTest, BundleVersionFromItsInfoList) {
    ScopedTempFolder folder;
    const std::string bundle = folder / "Trovel.plugin";
    mkdir(bundle.c_str(), 0700);
    mkdir((bundle + "/Contents").c_str(), 0700);
    EXPECT_TRUE(mInfo.GetDLLVersion(PathOf(bundle)).IsEmpty());  // no Info.plist
    std::ofstream(bundle + "/Contents/Info.plist")
        << "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>\n"
           "<key>CFBundleShortVersionString</key><string>4.2.1</string>\n</dict></plist>\n";
    EXPECT_EQ(Text(mInfo.GetDLLVersion(PathOf(bundle))), "4.2.1");
    EXPECT_TRUE(mInfo.GetDLLVersion(GPathName()).IsEmpty());
}

TEST_F(PMacXSystemInfoTest, InstalledThroughTheSystemInfo) {
    GSystemInfo::SetInstance(new PMacXSystemInfo);
    ASSERT_NE(GSystemInfo::GetInstance(), nullptr);
    EXPECT_GE(GSystemInfo::GetInstance()->GetNumberOfProcessors(), 1);
    GSystemInfo::SetInstance(nullptr);
    EXPECT_EQ(GSystemInfo::GetInstance(), nullptr);
}
