#include "plugin/logging/EncodeEnvironment.h"
#include "plugin/logging/ILogInterface.h"
#include "plugin/zip/ZipArchive.h"

#include "support/ForkedChild.h"
#include "support/Sanitizers.h"
#include "support/ScopedTempFolder.h"
#include "support/ZipTestArchives.h"

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using Kelvora::ZipArchive;
using ziptest::RawEntry;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string Nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C).toStdString();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Everything below a folder, never following links: files with their bytes, folders as "x/"
// with no bytes, links as "x@" with their target. Names in composed form.
void List(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out) {
    DIR* d = opendir(folder.c_str());
    if (d == nullptr)
        return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "/" + name;
        std::string rel = prefix + Nfc(QString::fromUtf8(name.c_str()));
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = readlink(path.c_str(), target, sizeof target);
            out[rel + "@"] = std::string(target, n > 0 ? size_t(n) : 0);
        } else if (S_ISDIR(st.st_mode)) {
            out[rel + "/"] = "";
            List(path, rel + "/", out);
        } else {
            out[rel] = ReadAll(path);
        }
    }
    closedir(d);
}

std::map<std::string, std::string> ListAll(const std::string& folder) {
    std::map<std::string, std::string> out;
    List(folder, "", out);
    return out;
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class JapaneseEnvironment {
public:
    explicit JapaneseEnvironment(bool on) { Kelvora::EncodeEnvironment::setRunningInJapaneseEnvironment(on); }
    ~JapaneseEnvironment() { Kelvora::EncodeEnvironment::setRunningInJapaneseEnvironment(false); }
};

// The archive lies at <root>/archive.zip, the destination is <root>/a/dest, so that a name
// escaping by one or two levels lands somewhere the listing of <root> sees.
struct Layout {
    ScopedTempFolder root;
    std::string archive = root / "archive.zip";
    std::string destination = root / "a/dest";
};

using Builder = std::function<void(const Layout&)>;

Builder Raw(std::vector<RawEntry> entries) {
    return [entries](const Layout& l) { ziptest::WriteFile(l.archive, ziptest::RawArchive(entries)); };
}

Builder Libzip(std::vector<ziptest::LibzipEntry> entries) {
    return [entries](const Layout& l) { ziptest::LibzipArchive(l.archive, entries); };
}

RawEntry Entry(std::string name, std::string data, std::string extra = "", uint32_t attributes = 0x81A40000u) {
    RawEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.extra = std::move(extra);
    e.externalAttributes = attributes;
    return e;
}

struct Expected {
    std::string name; // composed UTF-8
    bool extracted;
};

struct ExtractCase {
    const char* label;
    Builder build;
    std::string password;
    bool japanese;
    std::vector<Expected> entries;
    std::map<std::string, std::string> files; // below the destination
};

std::vector<ExtractCase> ExtractCases() {
    RawEntry encryptedFlipped = Entry("locked.txt", "the locked bytes of a package");
    encryptedFlipped.password = "secret";
    encryptedFlipped.flipDataByte = true;
    RawEntry flipped = Entry("flipped.txt", "some stored text that will be damaged");
    flipped.flipDataByte = true;
    RawEntry aes = Entry("aes.txt", std::string(40, 'x'), ziptest::AesRecord());
    aes.method = 99;
    aes.flags = 1;
    RawEntry rawEncrypted = Entry("raw-locked.txt", "locked but right");
    rawEncrypted.password = "secret";
    const std::string longText(100000, 'z');
    // Some writers set the UTF-8 flag whatever the name's bytes are.
    RawEntry flaggedMacRoman = Entry("caf\x8E.txt", "F");
    flaggedMacRoman.flags = 0x800;
    RawEntry flaggedShiftJis = Entry("\x93\xFA\x96\x7B.txt", "J");
    flaggedShiftJis.flags = 0x800;
    RawEntry flaggedUtf8 = Entry("caf\xC3\xA9.txt", "U");
    flaggedUtf8.flags = 0x800;

    return {
        {"no entries", Raw({}), "", false, {}, {}},
        {"backslash between folder and file", Raw({Entry("docs\\readme.txt", "R")}), "", false,
         {{"docs\\readme.txt", true}}, {{"docs/", ""}, {"docs/readme.txt", "R"}}},
        {"name record wins over the stored name",
         Raw({Entry("stored.txt", "N", ziptest::NameRecord("R\xC3\xA9" "al/\xC3\xB1" "ame.txt"))}), "", false,
         {{"R\xC3\xA9" "al/\xC3\xB1" "ame.txt", true}}, {{"R\xC3\xA9" "al/", ""}, {"R\xC3\xA9" "al/\xC3\xB1" "ame.txt", "N"}}},
        {"name record after another record",
         Raw({Entry("stored.txt", "N", std::string("\x01\x02\x00\x00\x00\x01Z", 7) + ziptest::NameRecord("second.txt"))}),
         "", false, {{"second.txt", true}}, {{"second.txt", "N"}}},
        {"empty name record keeps the stored name", Raw({Entry("plain.txt", "P", ziptest::NameRecord(""))}), "", false,
         {{"plain.txt", true}}, {{"plain.txt", "P"}}},
        {"record without the mark is skipped", Raw({Entry("plain.txt", "P", ziptest::NameRecord("other.txt", false))}),
         "", false, {{"plain.txt", true}}, {{"plain.txt", "P"}}},
        {"Mac Roman name", Raw({Entry("caf\x8E.txt", "M")}), "", false, {{"caf\xC3\xA9.txt", true}},
         {{"caf\xC3\xA9.txt", "M"}}},
        {"Shift-JIS name with the flag", Raw({Entry("\x93\xFA\x96\x7B.txt", "J")}), "", true,
         {{"\xE6\x97\xA5\xE6\x9C\xAC.txt", true}}, {{"\xE6\x97\xA5\xE6\x9C\xAC.txt", "J"}}},
        {"UTF-8 flag on a Mac Roman name", Raw({flaggedMacRoman, flaggedUtf8}), "", false,
         {{"caf\xC3\xA9.txt", true}, {"caf\xC3\xA9.txt", true}}, {{"caf\xC3\xA9.txt", "U"}}},
        {"UTF-8 flag on a Shift-JIS name", Raw({flaggedShiftJis}), "", true,
         {{"\xE6\x97\xA5\xE6\x9C\xAC.txt", true}}, {{"\xE6\x97\xA5\xE6\x9C\xAC.txt", "J"}}},
        {"dot-dot names", Raw({Entry("../up.txt", "x"), Entry("a/../../up2.txt", "x"), Entry("..\\up3.txt", "x"),
                               Entry("fine.txt", "F")}),
         "", false, {{"../up.txt", false}, {"a/../../up2.txt", false}, {"..\\up3.txt", false}, {"fine.txt", true}},
         {{"fine.txt", "F"}}},
        {"dot-dot name from the record", Raw({Entry("harmless.txt", "x", ziptest::NameRecord("../../up.txt"))}), "",
         false, {{"../../up.txt", false}}, {}},
        {"empty components", Raw({Entry("a//b.txt", "x"), Entry("", "x")}), "", false,
         {{"a//b.txt", false}, {"", false}}, {}},
        {"link mode makes a plain file", Raw({Entry("link", "../../../../etc/passwd", "", 0xA1FF0000u)}), "", false,
         {{"link", true}}, {{"link", "../../../../etc/passwd"}}},
        {"folder entries", Raw({Entry("sub/", ""), Entry("dos", "", "", 0x10), Entry("sub/deeper\\", "")}), "", false,
         {{"sub/", true}, {"dos", true}, {"sub/deeper\\", true}}, {{"sub/", ""}, {"dos/", ""}, {"sub/deeper/", ""}}},
        {"right password, stored and deflated",
         Libzip({{"s.txt", "stored text", false, "secret"}, {"d.txt", longText, true, "secret"}}), "secret", false,
         {{"s.txt", true}, {"d.txt", true}}, {{"s.txt", "stored text"}, {"d.txt", longText}}},
        {"traditional encryption from our own writer", Raw({rawEncrypted}), "secret", false,
         {{"raw-locked.txt", true}}, {{"raw-locked.txt", "locked but right"}}},
        {"wrong password on a stored entry", Libzip({{"s.txt", "stored text", false, "secret"}}), "wrong", false,
         {{"s.txt", false}}, {}},
        {"wrong password on a deflated entry", Libzip({{"d.txt", longText, true, "secret"}}), "wrong", false,
         {{"d.txt", false}}, {}},
        {"no password for an encrypted entry", Libzip({{"d.txt", longText, true, "secret"}}), "", false,
         {{"d.txt", false}}, {}},
        {"flipped data byte", Raw({flipped}), "", false, {{"flipped.txt", false}}, {}},
        {"flipped byte under encryption", Raw({encryptedFlipped}), "secret", false, {{"locked.txt", false}}, {}},
        {"method 99 is refused", Raw({aes, Entry("after.txt", "A")}), "secret", false,
         {{"aes.txt", false}, {"after.txt", true}}, {{"after.txt", "A"}}},
    };
}

TEST(ZipArchiveTest, ExtractionCasesStayInsideAndLeaveNothingHalfWritten) {
    for (const ExtractCase& c : ExtractCases()) {
        SCOPED_TRACE(c.label);
        Layout layout;
        c.build(layout);
        JapaneseEnvironment japanese(c.japanese);
        ZipArchive archive(Q(layout.archive));
        ASSERT_EQ(archive.StartIterate(), int(c.entries.size()));
        for (const Expected& expected : c.entries) {
            ASSERT_FALSE(archive.AtEnd());
            const QString name = archive.GetCurrentFileName();
            EXPECT_EQ(Nfc(name), expected.name);
            const bool extracted = archive.ExtractCurrentFile(Q(layout.destination), Q(c.password), 0);
            EXPECT_EQ(extracted, expected.extracted) << expected.name << ": " << archive.GetLastError().toStdString();
            if (extracted) {
                // Written under the very name that is reported, so a lookup by that name finds it.
                QString path = name;
                path.replace(QLatin1Char('\\'), QLatin1Char('/'));
                EXPECT_TRUE(QFileInfo::exists(Q(layout.destination) + "/" + path)) << expected.name;
            } else {
                EXPECT_FALSE(archive.GetLastError().isEmpty());
            }
            archive.Next();
        }
        EXPECT_TRUE(archive.AtEnd());

        // Whether the destination was made depends on how far an extraction got; nothing else may differ.
        std::map<std::string, std::string> expected{{"archive.zip", ReadAll(layout.archive)}};
        for (const auto& file : c.files)
            expected["a/dest/" + file.first] = file.second;
        std::map<std::string, std::string> found = ListAll(layout.root.Path());
        found.erase("a/");
        found.erase("a/dest/");
        EXPECT_EQ(found, expected);
    }
}

TEST(ZipArchiveTest, AbsoluteNameIsRefused) {
    Layout layout;
    const std::string outside = layout.root / "outside.txt";
    ziptest::WriteFile(layout.archive, ziptest::RawArchive({Entry(outside, "evil")}));
    ZipArchive archive(Q(layout.archive));
    ASSERT_EQ(archive.StartIterate(), 1);
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QString(), 0));
    EXPECT_EQ(archive.GetLastError(), QStringLiteral("Can't write in %1.").arg(Q(layout.destination + "/" + outside)));
    EXPECT_FALSE(QFileInfo::exists(Q(outside)));
}

TEST(ZipArchiveTest, PermissionsKeepExecuteAndNeverAddGroupOrOtherWrite) {
    struct PermissionCase {
        const char* name;
        uint32_t attributes;
        int defaults;
        mode_t present; // the file's mode before the entry's bits are added
        mode_t expected;
    };
    const PermissionCase cases[] = {
        {"world-writable mode", 0x81FF0000u, 0, 0644, 0755},
        {"executable script", 0x81ED0000u, 0, 0600, 0755},
        {"no mode bits: execute for all", 0x00000020u, 0, 0644, 0755},
        {"group write in the defaults", 0x81A40000u, int(0x00120000u), 0600, 0644},
        {"owner only", 0x81800000u, 0, 0600, 0600},
    };
    for (const PermissionCase& c : cases) {
        SCOPED_TRACE(c.name);
        Layout layout;
        ziptest::WriteFile(layout.archive, ziptest::RawArchive({Entry("f.txt", "x", "", c.attributes)}));
        const mode_t old = umask(0777 & ~c.present & 0666);
        ZipArchive archive(Q(layout.archive));
        ASSERT_EQ(archive.StartIterate(), 1);
        const bool extracted = archive.ExtractCurrentFile(Q(layout.destination), QString(), c.defaults);
        umask(old);
        ASSERT_TRUE(extracted);
        EXPECT_EQ(ModeOf(layout.destination + "/f.txt") & 07777, c.expected);
    }
}

TEST(ZipArchiveTest, WorldWritableFolderEntryGetsNoGroupOrOtherWrite) {
    Layout layout;
    ziptest::WriteFile(layout.archive, ziptest::RawArchive({Entry("open/", "", "", 0x41FF0010u)}));
    ZipArchive archive(Q(layout.archive));
    ASSERT_EQ(archive.StartIterate(), 1);
    ASSERT_TRUE(archive.ExtractCurrentFile(Q(layout.destination), QString(), 0));
    const mode_t mode = ModeOf(layout.destination + "/open");
    EXPECT_TRUE(S_ISDIR(mode));
    EXPECT_EQ(mode & (S_IWGRP | S_IWOTH), 0u);
    EXPECT_EQ(mode & S_IRWXU, mode_t(S_IRWXU));
}

TEST(ZipArchiveTest, LinksInTheDestinationAreNeverFollowed) {
    Layout layout;
    ASSERT_TRUE(QDir().mkpath(Q(layout.destination)));
    const std::string outsideFolder = layout.root / "outside";
    ASSERT_TRUE(QDir().mkpath(Q(outsideFolder)));
    ziptest::WriteFile(outsideFolder + "/victim.txt", "keep");
    // A linked folder and a linked file inside the destination, both pointing out of it.
    ASSERT_EQ(symlink(outsideFolder.c_str(), (layout.destination + "/linked").c_str()), 0);
    ASSERT_EQ(symlink((outsideFolder + "/victim.txt").c_str(), (layout.destination + "/victim.txt").c_str()), 0);
    ziptest::WriteFile(layout.archive,
                       ziptest::RawArchive({Entry("linked/victim.txt", "evil"), Entry("linked/new.txt", "evil"),
                                            Entry("victim.txt", "replaced")}));
    ZipArchive archive(Q(layout.archive));
    ASSERT_EQ(archive.StartIterate(), 3);
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QString(), 0));
    EXPECT_TRUE(archive.GetLastError().startsWith(QStringLiteral("Can't create folder ")));
    archive.Next();
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QString(), 0));
    archive.Next();
    // The link itself is replaced by the file; what it pointed at is untouched.
    EXPECT_TRUE(archive.ExtractCurrentFile(Q(layout.destination), QString(), 0));
    EXPECT_EQ(ReadAll(outsideFolder + "/victim.txt"), "keep");
    EXPECT_FALSE(QFileInfo::exists(Q(outsideFolder + "/new.txt")));
    EXPECT_TRUE(S_ISREG(ModeOf(layout.destination + "/victim.txt")));
    EXPECT_EQ(ReadAll(layout.destination + "/victim.txt"), "replaced");
}

TEST(ZipArchiveTest, FailedExtractionKeepsAnExistingFile) {
    Layout layout;
    ziptest::LibzipArchive(layout.archive, {{"d.txt", std::string(5000, 'n'), true, "secret"}});
    ASSERT_TRUE(QDir().mkpath(Q(layout.destination)));
    ziptest::WriteFile(layout.destination + "/d.txt", "old");
    ZipArchive archive(Q(layout.archive));
    ASSERT_EQ(archive.StartIterate(), 1);
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QStringLiteral("wrong"), 0));
    EXPECT_EQ(ReadAll(layout.destination + "/d.txt"), "old");
    EXPECT_TRUE(archive.ExtractCurrentFile(Q(layout.destination), QStringLiteral("secret"), 0));
    EXPECT_EQ(ReadAll(layout.destination + "/d.txt"), std::string(5000, 'n'));
}

TEST(ZipArchiveTest, LastErrorTexts) {
    Layout layout;
    // Our own writer's encryption header is fixed, so the wrong password fails its check byte
    // every time (libzip's random header lets one wrong password in 256 through to the CRC).
    RawEntry locked = Entry("dir/d.txt", "data");
    locked.password = "secret";
    ziptest::WriteFile(layout.archive, ziptest::RawArchive({locked}));
    ZipArchive archive(Q(layout.archive));
    EXPECT_EQ(archive.GetLastError(), QStringLiteral("No last error, the user should not get this message."));
    ASSERT_EQ(archive.StartIterate(), 1);
    // A file where a folder must go.
    const std::string blocked = layout.root / "blocked";
    ASSERT_TRUE(QDir().mkpath(Q(blocked)));
    ziptest::WriteFile(blocked + "/dir", "in the way");
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(blocked), QStringLiteral("secret"), 0));
    EXPECT_EQ(archive.GetLastError(), QStringLiteral("Can't create folder %1.").arg(Q(blocked + "/dir")));
    EXPECT_EQ(ReadAll(blocked + "/dir"), "in the way");
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QStringLiteral("wrong"), 0));
    EXPECT_EQ(archive.GetLastError(), QStringLiteral("Can't read file dir/d.txt from %1. %1 is probably corrupt.")
                                          .arg(Q(layout.archive)));
    // A folder where the file must go.
    ASSERT_TRUE(QDir().mkpath(Q(layout.destination + "/dir/d.txt")));
    EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), QStringLiteral("secret"), 0));
    EXPECT_EQ(archive.GetLastError(), QStringLiteral("Can't write in %1.").arg(Q(layout.destination + "/dir/d.txt")));
    EXPECT_EQ(ListAll(layout.destination), (std::map<std::string, std::string>{{"dir/", ""}, {"dir/d.txt/", ""}}));
}

struct MemoryCase {
    const char* label;
    Builder build;
    std::string password;
    bool ok;
    std::string bytes;
};

TEST(ZipArchiveTest, MemoryExtractionGivesAllBytesOrNone) {
    RawEntry flipped = Entry("flipped.txt", std::string(9000, 'f'));
    flipped.flipDataByte = true;
    RawEntry aes = Entry("aes.txt", std::string(40, 'x'), ziptest::AesRecord());
    aes.method = 99;
    aes.flags = 1;
    const std::string big(300000, 'b');
    const MemoryCase cases[] = {
        {"stored", Raw({Entry("a.txt", "alpha")}), "", true, "alpha"},
        {"empty entry", Raw({Entry("e.txt", "")}), "", true, ""},
        {"deflated with password", Libzip({{"b.bin", big, true, "pw"}}), "pw", true, big},
        {"wrong password", Libzip({{"b.bin", big, true, "pw"}}), "nope", false, ""},
        {"wrong password, stored", Libzip({{"b.bin", big, false, "pw"}}), "nope", false, ""},
        {"flipped data byte", Raw({flipped}), "", false, ""},
        {"method 99", Raw({aes}), "pw", false, ""},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.label);
        Layout layout;
        c.build(layout);
        ZipArchive archive(Q(layout.archive));
        ASSERT_EQ(archive.StartIterate(), 1);
        bool ok = !c.ok;
        const QByteArray bytes = archive.ExtractCurrentToMemory(Q(c.password), &ok);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(bytes.toStdString(), c.bytes);
    }
}

TEST(ZipArchiveTest, ExtractToMemoryFindsNamesInEitherForm) {
    Layout layout;
    // The entry's name is composed ("é" as one character) in the archive.
    ziptest::LibzipArchive(layout.archive, {{"PrinterFiles/r\xC3\xA9sum\xC3\xA9.joboptions", "job", true, "pw"},
                                            {"Project/Project.prefs", "prefs", true, "pw"}});
    ZipArchive archive(Q(layout.archive));
    const QString composed = QString::fromUtf8("PrinterFiles/r\xC3\xA9sum\xC3\xA9\\.joboptions");
    for (const QString& pattern : {composed, composed.normalized(QString::NormalizationForm_D)}) {
        bool ok = false;
        EXPECT_EQ(archive.ExtractToMemory(QRegExp(pattern), QStringLiteral("pw"), &ok), QByteArray("job"));
        EXPECT_TRUE(ok);
    }
    EXPECT_EQ(archive.ExtractToMemory(QRegExp(QStringLiteral("Project/Project.prefs")), QStringLiteral("pw")),
              QByteArray("prefs"));
    EXPECT_TRUE(archive.ExtractToMemory(QRegExp(QStringLiteral("Project")), QStringLiteral("pw")).isEmpty());
}

TEST(ZipArchiveTest, IterationOpenCloseAndUnreadableArchives) {
    Layout layout;
    ziptest::LibzipArchive(layout.archive, {{"one", "1", false, ""}, {"two/", "", false, ""}, {"three", "3", true, ""}});
    ZipArchive archive(Q(layout.archive));
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_EQ(archive.GetFileList(), QStringList({"one", "two/", "three"}));
    EXPECT_EQ(archive.StartIterate(), 3);
    EXPECT_TRUE(archive.Next());
    EXPECT_EQ(archive.GetCurrentIndex(), 1);
    archive.SetAtEnd();
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_FALSE(archive.Next());
    EXPECT_EQ(archive.CloseArchive(), 0);
    EXPECT_EQ(archive.CloseArchive(), -1);
    EXPECT_EQ(archive.StartIterate(), 3);
    EXPECT_EQ(archive.GetCurrentFileName(), QStringLiteral("one"));

    for (const std::string& bytes : {std::string(), std::string("not a zip at all"), std::string(100, '\0')}) {
        ziptest::WriteFile(layout.root / "bad.zip", bytes);
        ZipArchive bad(Q(layout.root / "bad.zip"));
        EXPECT_EQ(bad.StartIterate(), 0);
        EXPECT_TRUE(bad.AtEnd());
        EXPECT_TRUE(bad.GetCurrentFileName().isEmpty());
        EXPECT_FALSE(bad.ExtractCurrentFile(Q(layout.destination), QString(), 0));
        bool ok = true;
        EXPECT_TRUE(bad.ExtractCurrentToMemory(QString(), &ok).isEmpty());
        EXPECT_FALSE(ok);
    }
    ZipArchive missing(Q(layout.root / "missing.zip"));
    EXPECT_EQ(missing.StartIterate(), 0);
    EXPECT_TRUE(missing.GetFileList().isEmpty());
}

TEST(ZipArchiveTest, ArchiveMadeByTheZipProgram) {
    Layout layout;
    const std::string source = layout.root / "src";
    ASSERT_TRUE(QDir().mkpath(Q(source + "/PrinterFiles")));
    ziptest::WriteFile(source + "/PrinterFiles/job.joboptions", std::string(20000, 'j') + "end");
    ziptest::WriteFile(source + "/small.txt", "s");
    ASSERT_EQ(chmod((source + "/small.txt").c_str(), 0750), 0);
    const std::string command = "cd '" + source + "' && timeout 60 zip -q -r -P 'pa ss' '" + layout.archive + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0);

    ZipArchive archive(Q(layout.archive));
    const QStringList names = archive.GetFileList();
    EXPECT_TRUE(names.contains("PrinterFiles/job.joboptions"));
    EXPECT_TRUE(names.contains("small.txt"));
    for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
        EXPECT_TRUE(archive.ExtractCurrentFile(Q(layout.destination), QStringLiteral("pa ss"), 0))
            << archive.GetCurrentFileName().toStdString() << ": " << archive.GetLastError().toStdString();
    EXPECT_EQ(ReadAll(layout.destination + "/PrinterFiles/job.joboptions"), std::string(20000, 'j') + "end");
    const mode_t mode = ModeOf(layout.destination + "/small.txt");
    EXPECT_EQ(mode & 0750, mode_t(0750));
    EXPECT_EQ(mode & (S_IWGRP | S_IWOTH), 0u);
    EXPECT_EQ(archive.ExtractToMemory(QRegExp("small.txt"), QStringLiteral("pa ss")), QByteArray("s"));
    EXPECT_TRUE(archive.ExtractToMemory(QRegExp("small.txt"), QStringLiteral("pass")).isEmpty());
}

class RecordingLogger : public Kelvora::ILogInterface {
public:
    RecordingLogger() : ILogInterface(true) {}
    void DoLog(Severity severity, const QString& message, const QString& location) override {
        calls.push_back({severity, message, location});
    }
    struct Call {
        Severity severity;
        QString message;
        QString location;
        bool operator==(const Call& o) const {
            return severity == o.severity && message == o.message && location == o.location;
        }
    };
    std::vector<Call> calls;
};

TEST(ZipArchiveTest, FailuresAreLoggedAsAssertions) {
    Layout layout;
    RawEntry locked = Entry("d.txt", std::string(3000, 'd'));
    locked.password = "pw";
    ziptest::WriteFile(layout.archive, ziptest::RawArchive({locked}));
    RecordingLogger logger;
    ZipArchive missing(Q(layout.root / "missing.zip"));
    EXPECT_EQ(missing.StartIterate(), 0);
    ZipArchive archive(Q(layout.archive));
    ASSERT_EQ(archive.StartIterate(), 1);
    EXPECT_TRUE(archive.ExtractCurrentToMemory(QStringLiteral("wrong")).isEmpty());
    const std::vector<RecordingLogger::Call> expected = {
        {-2, "Can't open zip archive: " + Q(layout.root / "missing.zip"), "OpenArchive"},
        {-2, "Error with zipfile in unzOpenCurrentFilePassword", "ExtractCurrentToMemory"},
        {-2, "d.txt: Wrong password provided", "ExtractCurrentToMemory"},
    };
    EXPECT_EQ(logger.calls, expected);
}

void PrintTo(const RecordingLogger::Call& call, std::ostream* out) {
    *out << call.severity << " \"" << call.message.toStdString() << "\" at " << call.location.toStdString();
}

// The reason an entry is refused or found damaged, as logged by both extractions.
struct RefusalCase {
    const char* label;
    Builder build;
    std::string password;
    std::string reason; // the logged line is "<name>: <reason>"
};

RawEntry Stored(std::string name, std::string data, int64_t declaredSize) {
    RawEntry e = Entry(std::move(name), std::move(data));
    e.declaredSize = declaredSize;
    return e;
}

// One deflated entry "d.txt" whose headers declare another uncompressed size.
Builder DeflatedDeclaring(std::string data, uint32_t declaredSize) {
    return [data, declaredSize](const Layout& l) {
        ziptest::LibzipArchive(l.archive, {{"d.txt", data, true, ""}});
        std::string bytes = ReadAll(l.archive);
        ziptest::SetDeclaredSize(bytes, declaredSize);
        ziptest::WriteFile(l.archive, bytes);
    };
}

std::vector<RefusalCase> RefusalCases() {
    RawEntry aes = Entry("aes.txt", std::string(40, 'x'), ziptest::AesRecord());
    aes.method = 99;
    aes.flags = 1;
    RawEntry bzip2 = Entry("b.txt", "BZh9");
    bzip2.method = 12;
    RawEntry flipped = Entry("f.txt", std::string(9000, 'f'));
    flipped.flipDataByte = true;
    const std::string text(100000, 'z');
    // Our own writer's fixed header, so the wrong password fails the check byte every time.
    RawEntry locked = Entry("w.txt", text);
    locked.password = "pw";
    return {
        {"AES", Raw({aes}), "pw", "encrypted with AES, which is not supported"},
        {"bzip2", Raw({bzip2}), "", "compression method 12 is not supported"},
        {"wrong password", Raw({locked}), "nope", "Wrong password provided"},
        {"damaged data", Raw({flipped}), "", "CRC error"},
        {"stored, longer than declared", Raw({Stored("s.txt", std::string(1000, 's'), 10)}), "",
         "damaged: longer than its declared size of 10 bytes"},
        // libzip finds this one itself, from the stored size.
        {"stored, shorter than declared", Raw({Stored("s.txt", std::string(164, 's'), 200)}), "",
         "Zip archive inconsistent"},
        {"deflated, longer than declared", DeflatedDeclaring(text, 1000), "",
         "damaged: longer than its declared size of 1000 bytes"},
        {"deflated, shorter than declared", DeflatedDeclaring(text, 100001), "",
         "damaged: shorter than its declared size of 100001 bytes"},
    };
}

// An archive built in a fresh layout and opened, with a logger listening from the start.
struct BuiltArchive {
    explicit BuiltArchive(const Builder& build) : built((build(layout), true)) {}
    Layout layout;
    bool built;
    RecordingLogger logger;
    ZipArchive archive{Q(layout.archive)};
};

TEST(ZipArchiveTest, RefusedAndDamagedEntriesLogWhyAndGiveNothing) {
    for (const RefusalCase& c : RefusalCases()) {
        SCOPED_TRACE(c.label);
        BuiltArchive built(c.build);
        ZipArchive& archive = built.archive;
        RecordingLogger& logger = built.logger;
        const Layout& layout = built.layout;
        ASSERT_EQ(archive.StartIterate(), 1);
        const QString line = archive.GetCurrentFileName() + ": " + Q(c.reason);
        bool ok = true;
        EXPECT_TRUE(archive.ExtractCurrentToMemory(Q(c.password), &ok).isEmpty());
        EXPECT_FALSE(ok);
        ASSERT_FALSE(logger.calls.empty());
        EXPECT_EQ(logger.calls.back(), (RecordingLogger::Call{-2, line, "ExtractCurrentToMemory"}));
        logger.calls.clear();
        EXPECT_FALSE(archive.ExtractCurrentFile(Q(layout.destination), Q(c.password), 0));
        EXPECT_EQ(logger.calls, (std::vector<RecordingLogger::Call>{{-2, line, "ExtractCurrentFile"}}));
        EXPECT_TRUE(ListAll(layout.destination).empty());
    }
}

TEST(ZipArchiveTest, EntriesAboveTheMemoryLimitAreRefusedBeforeReading) {
    const int limit = int(ZipArchive::kMaxMemoryEntrySize);
    struct Case {
        const char* label;
        Builder build;
        bool ok;
    };
    const Case cases[] = {
        {"at the limit", Libzip({{"p", std::string(size_t(limit), '\0'), true, ""}}), true},
        {"one byte above", Libzip({{"p", std::string(size_t(limit) + 1, '\0'), true, ""}}), false},
        {"a small entry declaring 256 MiB", Raw({Stored("p", std::string(164, 'p'), int64_t(256) << 20)}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltArchive built(c.build);
        ZipArchive& archive = built.archive;
        RecordingLogger& logger = built.logger;
        ASSERT_EQ(archive.StartIterate(), 1);
        bool ok = !c.ok;
        const QByteArray bytes = archive.ExtractCurrentToMemory(QString(), &ok);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(bytes.size(), c.ok ? limit : 0);
        if (!c.ok) {
            ASSERT_EQ(logger.calls.size(), 2u);
            EXPECT_TRUE(logger.calls[1].message.contains(QStringLiteral("above the 67108864 bytes read into memory")))
                << logger.calls[1].message.toStdString();
        }
    }
}

// A bomb extracted to a file is refused with a text for the user, and leaves nothing: by its
// declared size before anything is written, and when it declares less than it holds, at the
// declared size, which is below the cap. The cap is lowered here, so no test writes 256 MiB.
TEST(ZipArchiveTest, EntriesAboveTheFileLimitAreRefusedAndLeaveNothing) {
    EXPECT_EQ(ZipArchive::kMaxFileEntrySize, quint64(256) << 20);
    const quint64 cap = 64 * 1024;
    const std::string zeros(size_t(4) << 20, '\0'); // 4 MiB: about 4 KiB deflated
    struct Case {
        const char* label;
        Builder build;
        quint64 cap;
        std::string error;  // "" for a file written whole
        std::string logged; // the reason logged after "p: "
    };
    const std::string tooLarge = "Can't extract p from %1: it is larger than 65536 bytes.";
    const Case cases[] = {
        {"at the cap", Libzip({{"p", std::string(size_t(cap), '\0'), true, ""}}), cap, "", ""},
        {"one byte above", Libzip({{"p", std::string(size_t(cap) + 1, '\0'), true, ""}}), cap, tooLarge,
         "its declared size of 65537 bytes is above the 65536 bytes extracted to a file"},
        {"a deflated bomb", Libzip({{"p", zeros, true, "pw"}}), cap, tooLarge,
         "its declared size of 4194304 bytes is above the 65536 bytes extracted to a file"},
        {"a small entry declaring more than the default cap",
         Raw({Stored("p", std::string(164, 'p'), (int64_t(256) << 20) + 1)}), ZipArchive::kMaxFileEntrySize,
         "Can't extract p from %1: it is larger than 256 MiB.",
         "its declared size of 268435457 bytes is above the 268435456 bytes extracted to a file"},
        {"a bomb declaring less than it holds", [&](const Layout& l) {
             ziptest::LibzipArchive(l.archive, {{"p", zeros, true, ""}});
             std::string bytes = ReadAll(l.archive);
             ziptest::SetDeclaredSize(bytes, 1000);
             ziptest::WriteFile(l.archive, bytes);
         },
         cap, "Can't read from %1", "damaged: longer than its declared size of 1000 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltArchive built(c.build);
        ZipArchive& archive = built.archive;
        const Layout& layout = built.layout;
        ASSERT_EQ(archive.StartIterate(), 1);
        const bool written = archive.ExtractCurrentFile(Q(layout.destination), Q("pw"), 0, c.cap);
        EXPECT_EQ(written, c.error.empty());
        if (written) {
            EXPECT_EQ(ListAll(layout.destination), (std::map<std::string, std::string>{{"p", std::string(size_t(cap), '\0')}}));
            continue;
        }
        EXPECT_EQ(archive.GetLastError(), Q(c.error).arg(Q(layout.archive)));
        EXPECT_TRUE(ListAll(layout.destination).empty());
        ASSERT_FALSE(built.logger.calls.empty());
        EXPECT_EQ(built.logger.calls.back(),
                  (RecordingLogger::Call{-2, Q("p: " + c.logged), "ExtractCurrentFile"}));
    }
}

#ifndef TROVEL_TEST_UNDER_SANITIZER
// Under a capped address space an entry that does not fit is a failure, never an exception; an
// entry that declares more than it holds takes no memory for the claim.
TEST(ZipArchiveTest, MemoryExtractionUnderAMemoryLimitFailsWithoutThrowing) {
    Layout layout;
    const std::string lying = layout.root / "lying.zip";
    ziptest::WriteFile(lying, ziptest::RawArchive({Stored("p", std::string(164, 'p'), int64_t(60) << 20)}));
    ziptest::LibzipArchive(layout.archive, {{"big", std::string(size_t(60) << 20, '\0'), true, ""}});
    const int result = ForkedChild::RunCheck([&] {
        long pages = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1)
            return 10;
        std::fclose(statm);
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (24ul << 20);
        const rlimit limit{cap, cap};
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            return 11;
        int code = 20;
        for (const std::string& path : {lying, layout.archive}) {
            try {
                ZipArchive archive(Q(path));
                if (archive.StartIterate() != 1)
                    return code;
                bool ok = true;
                if (!archive.ExtractCurrentToMemory(QString(), &ok).isEmpty() || ok)
                    return code + 1;
            } catch (...) {
                return code + 2;
            }
            code += 10;
        }
        return 0;
    });
    EXPECT_EQ(result, 0);
}
#endif

} // namespace
