// The package readers over packages made by the printer-processor side's writer and registered in
// a real actor registry in a private user folder: one table over the package shapes, then the
// faults of reading a package.
#include <functional>
#include <string>
#include <vector>

#include <QtCore/QString>
#include <sys/stat.h>
#include <zip.h>

#include "plugin/logging/EncodeEnvironment.h"
#include "plugin/logging/ILogInterface.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "support/TrovelorPackages.h"
#include "plugin/tools/ZARidizoTools.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "services/preferences/GPreferences.h"

// g++ 12 at -O2 and above takes the strings of the shape table's aggregate initialisers for
// uninitialised (a known false positive of its), though every member is initialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

using namespace plugintest;
using namespace packagetest;

namespace {

std::string const cJobOptions = "<< /PDFXSetBleedBoxToMediaBox true /ColorConversionStrategy /LeaveColorUnchanged >>\n";

struct Outcome {
    bool read = false;            // GetProjectProperties
    std::string jobOptions;       // the leaf it gives, "" for none
    bool prefsMerged = false;
};

class CapturingLogger : public Kelvora::ILogInterface {
public:
    CapturingLogger() : ILogInterface(true) {}
    void DoLog(Severity, QString const& message, QString const& location) override {
        mText += message + QLatin1Char(' ') + location + QLatin1Char('\n');
    }
    QString mText;
};

using Reader = std::function<bool(GPathName&, GPrefModule&, ZARidizoTools::ExtractedFolder&)>;

class PackageReaders : public PluginPrefs {
protected:
    // A package of the GUID made by build, registered under name with build number 7.
    std::string Make(std::string const& name, std::function<void(GPPTrovelorPackageWriter&)> const& build) {
        GPPTrovelorPackageWriter writer;
        build(writer);
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-" + name));
        std::string error;
        EXPECT_TRUE(writer.Write(package, error)) << error;
        EXPECT_TRUE(GPPTrovelorPackageWriter::Register(T(name), package, 7, T("Press")));
        return Text(package.GetNativePathString());
    }

    // The outcome of a read into a module that already holds a value of the caller's. The job
    // options exist while their folder is held; once it is let go, no folder of the read and no
    // record of one is left.
    static Outcome Read(Reader const& reader) {
        GPrefMemoryModule prefs;
        prefs.Set(B("Caller"), B("Kept"), T("yes"));
        GPathName jobOptions;
        Outcome outcome;
        {
            ZARidizoTools::ExtractedFolder folder;
            outcome.read = reader(jobOptions, prefs, folder);
            EXPECT_EQ(jobOptions.IsEmpty(), folder == nullptr);
            if (!jobOptions.IsEmpty())
                outcome.jobOptions = ExtractedLeaf(jobOptions);
            EXPECT_LE(PackageFolders(), folder == nullptr ? 0 : 1);
        }
        EXPECT_EQ(0, PackageFolders()) << "left behind";
        EXPECT_EQ(0, RecordedPaths());
        outcome.prefsMerged = Text(prefs.Get(B("PluginSettings"), B("MarkOffset"))) == "2.500000";
        EXPECT_EQ("yes", Text(prefs.Get(B("Caller"), B("Kept"))));
        return outcome;
    }

    // The leaf of an extracted job-options file, checked to lie in the plug-in's private folder
    // and to hold the job options and its own leaf.
    static std::string ExtractedLeaf(GPathName const& path) {
        std::string const native = Text(path.GetNativePathString());
        std::string const root = Text(GCPTTemporaryFolder::GetRoot().GetNativePathString());
        EXPECT_EQ(root + "/", native.substr(0, root.size() + 1)) << native;
        struct stat info;
        EXPECT_EQ(0, lstat(native.c_str(), &info)) << native;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << native;
        EXPECT_EQ(cJobOptions + native.substr(native.rfind('/') + 1), ReadBytes(native));
        return native.substr(native.find("/PrinterFiles/") + 1);
    }

    // The temporary paths recorded in the plug-in's preferences.
    static int RecordedPaths() {
        GTable<GBuffer> keys;
        if (GPrefModule* module = GPreferences::GetPrefModule(GPreferences::kUserLevel))
            module->GetGroupPreferences(B("SmartFileList"), keys);
        int count = 0;
        for (GBuffer const& key : keys)
            count += key == B("MaxCount") ? 0 : 1;
        return count;
    }

    static void JobOptions(GPPTrovelorPackageWriter& writer, std::string const& leaf) {
        writer.AddPrinterFile(leaf, cJobOptions + leaf);
    }
};

struct Shape {
    std::string name;  // the registered name, or what is asked for
    std::function<void(GPPTrovelorPackageWriter&)> make;  // none: not registered
    Outcome byPackage;
    bool jobOptionsFile;
    std::string firstExtracted;  // ExtractFileToTemp's leaf
    std::vector<std::string> logged;  // lines the reads by package log, %P for the package
};

// Names in other forms and encodings; the leaves are what the reader makes of them.
std::string const cComposed = "Presse Qualit\xC3\xA4t.joboptions";   // NFC
std::string const cDecomposed = "Presse Qualita\xCC\x88t.joboptions";  // NFD
std::string const cMacRoman = "Qualit\x8At.joboptions";                // "Qualität" in Mac Roman
std::string const cShiftJIS = "\x83\x76\x83\x8C\x83\x58.joboptions";   // "プレス" in Shift-JIS
std::string const cShiftJISLeaf = "\xE3\x83\x97\xE3\x83\xAC\xE3\x82\xB9.joboptions";

std::string Nfc(std::string const& utf8) {
    return QString::fromStdString(utf8).normalized(QString::NormalizationForm_C).toStdString();
}

// Whether the package password is refused by every entry's check byte. A wrong password passes
// that one-byte check once in 256 (the encryption header is random), and the read then fails as
// damaged data instead: tests that expect the refusal remake such a package.
bool EveryEntryRefusesThePackagePassword(std::string const& package) {
    int error = 0;
    zip_t* archive = zip_open(package.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr)
        return false;
    GPPTrovelorPackage::Password const password;
    bool refused = true;
    for (zip_int64_t i = 0; refused && i < zip_get_num_entries(archive, 0); ++i) {
        zip_file_t* file = zip_fopen_index_encrypted(archive, static_cast<zip_uint64_t>(i), 0, password.Get().c_str());
        if (file != nullptr) {
            zip_fclose(file);
            refused = false;
        } else {
            refused = zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_WRONGPASSWD;
        }
    }
    zip_discard(archive);
    return refused;
}

}  // namespace

TEST_F(PackageReaders, EachReaderOnEachPackageShape) {
    auto const settings = [](GPPTrovelorPackageWriter& w) { AddSettings(w); };
    GPPTrovelorPackageWriter::EntryOptions stored;
    stored.store = true;
    GPPTrovelorPackageWriter::EntryOptions raw;
    raw.rawName = true;
    GPPTrovelorPackageWriter::EntryOptions link;
    link.link = true;
    std::vector<std::string> const noPrinterFile = {"Trovelor package %P: no printer file could be extracted ZARidizoTools"};
    std::vector<std::string> const wrongPassword = {
        "Project/Project.prefs: Wrong password provided ExtractCurrentToMemory",
        "PrinterFiles/job.joboptions: Wrong password provided ExtractCurrentFile",
        "Trovelor package %P: Can't read file PrinterFiles/job.joboptions from %P. %P is probably corrupt. ZARidizoTools"};
    std::vector<std::string> const notOpened = {"Can't open zip archive: %P OpenArchive",
                                                "Trovelor package %P: cannot be opened, or holds nothing ZARidizoTools"};
    std::vector<Shape> const shapes = {
        {"Good",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {true, "PrinterFiles/job.joboptions", true}, true, "PrinterFiles/job.joboptions", {}},
        {"NoPrinterFile", [&](GPPTrovelorPackageWriter& w) { settings(w); },
         {false, "", true}, false, "", noPrinterFile},
        // Before the preferences, the last printer file stands; alone, the first that extracts.
        {"TwoPrinterFiles",
         [&](GPPTrovelorPackageWriter& w) {
             JobOptions(w, "a.joboptions");
             JobOptions(w, "b.joboptions");
             settings(w);
             JobOptions(w, "c.joboptions");
         },
         {true, "PrinterFiles/b.joboptions", true}, true, "PrinterFiles/a.joboptions", {}},
        {"NoProjectPrefs", [&](GPPTrovelorPackageWriter& w) { JobOptions(w, "job.joboptions"); },
         {false, "PrinterFiles/job.joboptions", false}, true, "PrinterFiles/job.joboptions",
         {"Trovelor package %P: no readable project preferences ZARidizoTools"}},
        {"WrongPassword",
         [&](GPPTrovelorPackageWriter& w) {
             w.SetPassword("not the password");
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", false}, false, "", wrongPassword},
        {"WrongPasswordStored",
         [&](GPPTrovelorPackageWriter& w) {
             w.SetPassword("not the password");
             w.AddEntry("Project/Project.prefs", "[PluginSettings]\r", stored);
             w.AddEntry("PrinterFiles/job.joboptions", cJobOptions + "job.joboptions", stored);
         },
         {false, "", false}, false, "", wrongPassword},
        {"Stored",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             w.AddEntry("PrinterFiles/job.joboptions", cJobOptions + "job.joboptions", stored);
         },
         {true, "PrinterFiles/job.joboptions", true}, true, "PrinterFiles/job.joboptions", {}},
        {"DamagedPrinterFile",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         // The zip reader's own reason varies from run to run (a data error, or more bytes than
         // declared): the encryption header is random, so the flipped byte decrypts differently.
         {false, "", true}, false, "",
         {"Trovelor package %P: Can't read from %P ZARidizoTools"}},
        // A bomb is refused by its declared size before anything is written.
        {"OversizedPrinterFile",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", true}, false, "",
         {"PrinterFiles/job.joboptions: its declared size of 1073741824 bytes is above the 268435456 bytes "
          "extracted to a file ExtractCurrentFile",
          "Trovelor package %P: Can't extract PrinterFiles/job.joboptions from %P: it is larger than 256 MiB. "
          "ZARidizoTools"}},
        {"HostileNames",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             for (char const* name : {"x/PrinterFiles/../../y", "../PrinterFiles/up", "/PrinterFiles/abs",
                                      "Docs/PrinterFiles/nested", "printerfiles/case", "PrinterFiles/../z",
                                      "PrinterFiles/", "PrinterFiles//empty"})
                 w.AddEntry(name, cJobOptions);
         },
         {false, "", true}, false, "", noPrinterFile},
        // A link entry is never made a link nor read through: it gives a plain file of its text.
        {"LinkEntry",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             w.AddEntry("PrinterFiles/link.joboptions", cJobOptions + "link.joboptions", link);
         },
         {true, "PrinterFiles/link.joboptions", true}, true, "PrinterFiles/link.joboptions", {}},
        {"ComposedName",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, cComposed);
         },
         {true, "PrinterFiles/" + cComposed, true}, true, "PrinterFiles/" + cComposed, {}},
        {"DecomposedName",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, cDecomposed);
         },
         {true, "PrinterFiles/" + cDecomposed, true}, true, "PrinterFiles/" + cDecomposed, {}},
        {"MacRomanName",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             w.AddEntry("PrinterFiles/" + cMacRoman, cJobOptions + "Qualit\xC3\xA4t.joboptions", raw);
         },
         {true, "PrinterFiles/Qualit\xC3\xA4t.joboptions", true}, true, "PrinterFiles/Qualit\xC3\xA4t.joboptions", {}},
        {"Unregistered", nullptr, {false, "", false}, false, "", notOpened},
        {"", nullptr, {false, "", false}, false, "", notOpened},
        {"PackageMissing",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", false}, false, "", notOpened},
    };
    for (Shape const& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string package = mSandbox.Root() + "/nowhere.trovelor";
        if (shape.make) {
            package = Make(shape.name, shape.make);
            for (int again = 0; shape.logged == wrongPassword && again < 20 && !EveryEntryRefusesThePackagePassword(package); ++again)
                package = Make(shape.name, shape.make);
            if (shape.name == "DamagedPrinterFile")
                DamageEntry(package, "PrinterFiles/job.joboptions");
            if (shape.name == "OversizedPrinterFile")
                DeclareSize(package, "PrinterFiles/job.joboptions", 1u << 30);
            if (shape.name == "PackageMissing") {
                ASSERT_EQ(0, unlink(package.c_str()));
            }
        }
        GPathName packagePath;
        packagePath.SetNativePathString(T(package));
        bool const known = shape.make != nullptr;

        int build = -1;
        Outcome const byName = Read([&](GPathName& out, GPrefModule& prefs, ZARidizoTools::ExtractedFolder& folder) {
            return ZARidizoTools::GetProjectProperties(T(shape.name), out, prefs, build, folder);
        });
        EXPECT_EQ(shape.byPackage.read, byName.read);
        EXPECT_EQ(shape.byPackage.jobOptions, byName.jobOptions);
        EXPECT_EQ(shape.byPackage.prefsMerged, byName.prefsMerged);
        EXPECT_EQ(known ? 7 : 0, build);

        CapturingLogger logger;
        Outcome const byPackage = Read([&](GPathName& out, GPrefModule& prefs, ZARidizoTools::ExtractedFolder& folder) {
            return ZARidizoTools::GetProjectProperties(packagePath, out, prefs, folder);
        });
        EXPECT_EQ(shape.byPackage.read, byPackage.read);
        EXPECT_EQ(shape.byPackage.jobOptions, byPackage.jobOptions);
        EXPECT_EQ(shape.byPackage.prefsMerged, byPackage.prefsMerged);

        Outcome const byName2 = Read([&](GPathName& out, GPrefModule&, ZARidizoTools::ExtractedFolder& folder) {
            out = T("/untouched");
            bool const found = ZARidizoTools::GetJobOptionsFile(T(shape.name), out, folder);
            if (!found) {
                EXPECT_EQ("/untouched", Text(out.GetNativePathString()));
                out.Clear();
            }
            return found;
        });
        EXPECT_EQ(shape.jobOptionsFile, byName2.read);
        EXPECT_EQ(shape.jobOptionsFile ? shape.firstExtracted : "", byName2.jobOptions);

        Outcome const first = Read([&](GPathName& out, GPrefModule&, ZARidizoTools::ExtractedFolder& folder) {
            return ZARidizoTools::ExtractFileToTemp(packagePath, out, folder);
        });
        EXPECT_EQ(!shape.firstExtracted.empty(), first.read);
        EXPECT_EQ(shape.firstExtracted, first.jobOptions);

        std::string const log = logger.mText.toStdString();
        if (shape.logged.empty()) {
            EXPECT_EQ("", log);
        }
        for (std::string line : shape.logged) {
            for (size_t at = line.find("%P"); at != std::string::npos; at = line.find("%P", at))
                line.replace(at, 2, package);
            EXPECT_NE(std::string::npos, log.find(line + "\n")) << line << "\nin\n" << log;
        }
        // The name found, in composed form, is the one asked for in either form.
        if (shape.name == "ComposedName" || shape.name == "DecomposedName") {
            EXPECT_EQ("PrinterFiles/" + cComposed, Nfc(byPackage.jobOptions));
        }
    }
    // No hostile name reached outside the read's own folder, nor a link's target.
    for (char const* outside : {"/y", "/up", "/z", "/PrinterFiles"})
        EXPECT_FALSE(Exists(mSandbox.Root() + outside)) << outside;
}

// Names neither UTF-8 nor flagged read as Shift-JIS in a Japanese environment.
TEST_F(PackageReaders, AShiftJISNameIsReadInAJapaneseEnvironment) {
    GPPTrovelorPackageWriter::EntryOptions raw;
    raw.rawName = true;
    std::string const package = Make("Japanese", [&](GPPTrovelorPackageWriter& w) {
        AddSettings(w);
        w.AddEntry("PrinterFiles/" + cShiftJIS, cJobOptions + cShiftJISLeaf, raw);
    });
    bool const japanese = Kelvora::EncodeEnvironment::runningInJapaneseEnvironment();
    Kelvora::EncodeEnvironment::setRunningInJapaneseEnvironment(true);
    Outcome const outcome = Read([&](GPathName& out, GPrefModule& prefs, ZARidizoTools::ExtractedFolder& folder) {
        int build = 0;
        return ZARidizoTools::GetProjectProperties(T("Japanese"), out, prefs, build, folder);
    });
    Kelvora::EncodeEnvironment::setRunningInJapaneseEnvironment(japanese);
    EXPECT_TRUE(outcome.read);
    EXPECT_EQ("PrinterFiles/" + cShiftJISLeaf, outcome.jobOptions);
}

// Only a regular file below the package's top-level "PrinterFiles/" folder is a printer file; a
// name holding "PrinterFiles/" elsewhere, or the folder itself, is not.
TEST_F(PackageReaders, APrinterFileLiesBelowTheTopLevelFolder) {
    for (std::string const name : {"Docs/PrinterFiles/job.joboptions", "PrinterFiles/", "./Docs/PrinterFiles/x"}) {
        SCOPED_TRACE(name);
        std::string const package = Make("Nested", [&](GPPTrovelorPackageWriter& w) {
            w.AddEntry(name, cJobOptions);
            AddSettings(w);
        });
        GPathName path;
        path.SetNativePathString(T(package));
        GPathName jobOptions;
        ZARidizoTools::ExtractedFolder folder;
        EXPECT_FALSE(ZARidizoTools::ExtractFileToTemp(path, jobOptions, folder));
        EXPECT_TRUE(jobOptions.IsEmpty());
        GPrefMemoryModule prefs;
        EXPECT_FALSE(ZARidizoTools::GetProjectProperties(path, jobOptions, prefs, folder));
        EXPECT_TRUE(jobOptions.IsEmpty());
        EXPECT_EQ(nullptr, folder);
        EXPECT_EQ(0, PackageFolders());
    }
    // The reader's own clean-up of a name counts: "." and "\" as a separator.
    std::string const package = Make("Clean", [&](GPPTrovelorPackageWriter& w) {
        w.AddEntry("./PrinterFiles\\job.joboptions", cJobOptions + "job.joboptions");
        AddSettings(w);
    });
    GPathName path;
    path.SetNativePathString(T(package));
    GPathName jobOptions;
    ZARidizoTools::ExtractedFolder folder;
    ASSERT_TRUE(ZARidizoTools::ExtractFileToTemp(path, jobOptions, folder));
    EXPECT_EQ("PrinterFiles/job.joboptions", ExtractedLeaf(jobOptions));
}

// A printer file that fails after one that extracted does not take the job options away.
TEST_F(PackageReaders, ALaterFailingPrinterFileKeepsTheEarlierOne) {
    std::string const package = Make("Later", [&](GPPTrovelorPackageWriter& w) {
        JobOptions(w, "a.joboptions");
        JobOptions(w, "b.joboptions");
        AddSettings(w);
    });
    DamageEntry(package, "PrinterFiles/b.joboptions");
    Outcome const outcome = Read([&](GPathName& out, GPrefModule& prefs, ZARidizoTools::ExtractedFolder& folder) {
        int build = 0;
        return ZARidizoTools::GetProjectProperties(T("Later"), out, prefs, build, folder);
    });
    EXPECT_TRUE(outcome.read);
    EXPECT_EQ("PrinterFiles/a.joboptions", outcome.jobOptions);
    EXPECT_TRUE(outcome.prefsMerged);
}

// Preferences whose read failed are not read, whatever bytes came before the failure; a zero-byte
// entry is none either.
TEST_F(PackageReaders, OnlyACompleteReadOfThePreferencesCounts) {
    std::string const damaged = Make("Damaged", [&](GPPTrovelorPackageWriter& w) {
        AddSettings(w);
        JobOptions(w, "job.joboptions");
    });
    DamageEntry(damaged, "Project/Project.prefs");
    std::string const empty = Make("Empty", [&](GPPTrovelorPackageWriter& w) {
        w.AddEntry("Project/Project.prefs", "");
        JobOptions(w, "job.joboptions");
    });
    for (std::string const& package : {damaged, empty}) {
        Outcome const outcome = Read([&](GPathName& out, GPrefModule& prefs, ZARidizoTools::ExtractedFolder& folder) {
            GPathName path;
            path.SetNativePathString(T(package));
            return ZARidizoTools::GetProjectProperties(path, out, prefs, folder);
        });
        EXPECT_FALSE(outcome.read) << package;
        EXPECT_FALSE(outcome.prefsMerged) << package;
        EXPECT_EQ("PrinterFiles/job.joboptions", outcome.jobOptions) << package;
    }
}

// A failing read says why in the log, and never with the password, plain or scrambled.
TEST_F(PackageReaders, TheLogOfAFailingReadHoldsNoPassword) {
    std::string const wrong = Make("Wrong", [&](GPPTrovelorPackageWriter& w) {
        w.SetPassword("not the password");
        AddSettings(w);
        JobOptions(w, "job.joboptions");
    });
    for (int again = 0; again < 20 && !EveryEntryRefusesThePackagePassword(wrong); ++again)
        Make("Wrong", [&](GPPTrovelorPackageWriter& w) {
            w.SetPassword("not the password");
            AddSettings(w);
            JobOptions(w, "job.joboptions");
        });
    std::string const damaged = Make("Damaged", [&](GPPTrovelorPackageWriter& w) {
        AddSettings(w);
        JobOptions(w, "job.joboptions");
    });
    DamageEntry(damaged, "PrinterFiles/job.joboptions");
    CapturingLogger logger;
    for (char const* name : {"Wrong", "Damaged"}) {
        GPrefMemoryModule prefs;
        GPathName jobOptions;
        ZARidizoTools::ExtractedFolder folder;
        int build = 0;
        EXPECT_FALSE(ZARidizoTools::GetProjectProperties(T(name), jobOptions, prefs, build, folder)) << name;
        EXPECT_FALSE(ZARidizoTools::GetJobOptionsFile(T(name), jobOptions, folder)) << name;
    }
    ASSERT_TRUE(logger.mText.contains(QString::fromStdString(wrong))) << logger.mText.toStdString();
    ASSERT_TRUE(logger.mText.contains(QString::fromStdString(damaged)));
    GPPTrovelorPackage::Password const password;
    EXPECT_FALSE(logger.mText.contains(QString::fromStdString(password.Get())));
    EXPECT_FALSE(logger.mText.contains(QLatin1String(GPPTrovelorPackage::cScrambledZipPassword)));
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
