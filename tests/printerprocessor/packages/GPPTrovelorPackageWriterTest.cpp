// The package writer: what it writes, read back with plain libzip, and the actor it registers.
#include <zip.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "printerprocessor/actors/ActorTestSupport.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/preferences/GPrefMemoryModule.h"

using namespace actortest;

namespace {

std::string ReadBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ReadEntry {
    std::string name;
    bool traditional = false;
    bool deflated = false;
    bool readsWithout = false;
    std::string bytes;  // with the password
};

std::vector<ReadEntry> ReadWithLibzip(std::string const& path, std::string const& password) {
    std::vector<ReadEntry> entries;
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (zip == nullptr)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, zip_uint64_t(i), 0, &st);
        ReadEntry entry;
        entry.name = st.name;
        entry.traditional = st.encryption_method == ZIP_EM_TRAD_PKWARE;
        entry.deflated = st.comp_method == ZIP_CM_DEFLATE;
        zip_file_t* plain = zip_fopen_index(zip, zip_uint64_t(i), 0);
        entry.readsWithout = plain != nullptr;
        if (plain != nullptr)
            zip_fclose(plain);
        zip_file_t* file = zip_fopen_index_encrypted(zip, zip_uint64_t(i), 0, password.c_str());
        std::string bytes(st.size, '\0');
        if (file != nullptr && zip_fread(file, bytes.data(), st.size) == zip_int64_t(st.size) && zip_fclose(file) == 0)
            entry.bytes = bytes;
        entries.push_back(entry);
    }
    zip_discard(zip);
    return entries;
}

}  // namespace

TEST(GPPTrovelorPackage, ThePasswordIsKeptScrambled) {
    StartFoundation();
    GPPTrovelorPackage::Password const password;
    std::string const& plain = password.Get();
    ASSERT_EQ(29u, plain.size());
    for (char c : plain)
        EXPECT_TRUE(c > 0x20 && c < 0x7F);
    GBuffer const scrambled = GStringSupport::Scramble(T(plain)).GetBuffer(GASCIIEncoding::GetInstance());
    EXPECT_EQ(GPPTrovelorPackage::cScrambledZipPassword, S(scrambled));
}

class PackageWriter : public SandboxedUser {};

TEST_F(PackageWriter, WritesTheEntriesInOrderUnderThePackagePassword) {
    GPrefMemoryModule prefs;
    prefs.Set(B("PluginSettings"), B("MarkOffset"), T("2.500000"));
    GPPTrovelorPackageWriter writer;
    ASSERT_TRUE(writer.AddProjectPrefs(prefs));
    writer.AddPrinterFile("job.joboptions", "<< /Job 1 >>");
    writer.AddEntry("Other/ü.txt", "other");
    GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-1"));
    std::string error;
    ASSERT_TRUE(writer.Write(package, error)) << error;

    std::string const path = U8(package.GetNativePathString());
    EXPECT_EQ(CacheFolder() + "/Settings/GUID-1/Package.trovelor", path);
    GPPTrovelorPackage::Password const password;
    std::vector<ReadEntry> const entries = ReadWithLibzip(path, password.Get());
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("Project/Project.prefs", entries[0].name);
    EXPECT_EQ("PrinterFiles/job.joboptions", entries[1].name);
    EXPECT_EQ("Other/ü.txt", entries[2].name);
    for (ReadEntry const& entry : entries) {
        EXPECT_TRUE(entry.traditional) << entry.name;
        EXPECT_TRUE(entry.deflated) << entry.name;
        EXPECT_FALSE(entry.readsWithout) << entry.name;
    }
    EXPECT_EQ("<< /Job 1 >>", entries[1].bytes);
    GString text;
    ASSERT_TRUE(GStringSupport::AssignEncoding(B(entries[0].bytes), text));
    EXPECT_EQ("2.500000", U8(GPrefMemoryModule(text).Get(B("PluginSettings"), B("MarkOffset"))));
    EXPECT_EQ(std::string::npos, ReadBytes(path).find(password.Get()));
}

TEST_F(PackageWriter, RegistersOneOfferedActorPerName) {
    GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-2"));
    ASSERT_TRUE(GPPTrovelorPackageWriter::Register(T("Press"), package, 1234, T("High Quality")));
    ASSERT_TRUE(GPPTrovelorPackageWriter::Register(T("Press"), package, 1235, T("Smallest")));
    GTable<GString> names;
    ASSERT_TRUE(GPPActorRegistry().GetActorList(names));
    ASSERT_EQ(1, names.GetCount());
    GPPSettings settings;
    ASSERT_TRUE(GPPActorRegistry().GetActor(T("Press"), settings));
    EXPECT_TRUE(settings.IsPlugin);
    EXPECT_EQ("Smallest", U8(settings.PDFSettings));
    EXPECT_EQ("Press", U8(settings.TrovelorName));
    EXPECT_EQ(U8(package.GetNativePathString()), U8(settings.ContextFilePath.GetNativePathString()));
    EXPECT_EQ(1235, GPPSettings::GetBuildNumber(settings));
    GString guid;
    ASSERT_TRUE(GPPSettings::GetGUID(settings, guid));
    EXPECT_EQ("GUID-2", U8(guid));
}

TEST_F(PackageWriter, AFailedWriteLeavesNoPackage) {
    std::string const blocker = mTemp / "blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    GPathName package;
    package.SetNativePathString(T(blocker + "/GUID/Package.trovelor"));
    GPPTrovelorPackageWriter writer;
    writer.AddPrinterFile("job.joboptions", "x");
    std::string error;
    EXPECT_FALSE(writer.Write(package, error));
    EXPECT_NE(std::string::npos, error.find(blocker)) << error;
    GPPTrovelorPackage::Password const password;
    EXPECT_EQ(std::string::npos, error.find(password.Get()));
}

// The other shapes a package may arrive in: a stored entry, a name in its own bytes without the
// UTF-8 flag, a link; each still under the password.
TEST_F(PackageWriter, EntryOptionsStoreKeepRawNamesAndWriteLinks) {
    GPPTrovelorPackageWriter::EntryOptions stored;
    stored.store = true;
    GPPTrovelorPackageWriter::EntryOptions raw;
    raw.rawName = true;
    GPPTrovelorPackageWriter::EntryOptions link;
    link.link = true;
    GPPTrovelorPackageWriter writer;
    writer.AddEntry("stored.txt", "stored bytes", stored);
    writer.AddEntry("Qualit\x8At.txt", "raw", raw);
    writer.AddEntry("link", "../target", link);
    GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-2"));
    std::string error;
    ASSERT_TRUE(writer.Write(package, error)) << error;
    std::string const path = U8(package.GetNativePathString());
    GPPTrovelorPackage::Password const password;
    std::vector<ReadEntry> const entries = ReadWithLibzip(path, password.Get());
    ASSERT_EQ(3u, entries.size());
    EXPECT_FALSE(entries[0].deflated);
    EXPECT_EQ("stored bytes", entries[0].bytes);
    EXPECT_TRUE(entries[1].deflated);
    EXPECT_EQ("../target", entries[2].bytes);
    for (ReadEntry const& entry : entries) {
        EXPECT_TRUE(entry.traditional) << entry.name;
        EXPECT_FALSE(entry.readsWithout) << entry.name;
    }

    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    ASSERT_NE(nullptr, zip);
    EXPECT_STREQ("Qualit\x8At.txt", zip_get_name(zip, 1, ZIP_FL_ENC_RAW));
    std::uint32_t const modes[] = {0100644, 0100644, 0120777};
    for (zip_uint64_t i = 0; i < 3; ++i) {
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        ASSERT_EQ(0, zip_file_get_external_attributes(zip, i, 0, &system, &attributes));
        EXPECT_EQ(ZIP_OPSYS_UNIX, system);
        EXPECT_EQ(modes[i], attributes >> 16) << i;
    }
    zip_discard(zip);
    // No central record carries the UTF-8 flag (bit 11) for the raw name.
    std::string const bytes = ReadBytes(path);
    for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4)) {
        if (bytes.compare(at + 46, 13, "Qualit\x8At.txt") == 0) {
            EXPECT_EQ(0, uint8_t(bytes[at + 9]) & 0x08);
        }
    }
}
