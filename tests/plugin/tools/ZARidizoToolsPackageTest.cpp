// The package readers over packages made by the printer-processor side's writer and registered in
// a real actor registry in a private user folder: one table over the package shapes, then the
// faults of reading a package.
#include <functional>
#include <string>
#include <vector>

#include <QtCore/QString>
#include <sys/stat.h>

#include "plugin/logging/ILogInterface.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "support/TrovelorPackages.h"
#include "plugin/tools/ZARidizoTools.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"

using namespace plugintest;
using namespace packagetest;

namespace {

std::string const cJobOptions = "<< /PDFXSetBleedBoxToMediaBox true /ColorConversionStrategy /LeaveColorUnchanged >>\n";

struct Outcome {
    bool read = false;            // GetProjectProperties
    std::string jobOptions;       // the leaf it gives, "" for none
    bool prefsMerged = false;
};

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

    // The outcome of a read into a module that already holds a value of the caller's.
    static Outcome Read(std::function<bool(GPathName&, GPrefModule&)> const& reader) {
        GPrefMemoryModule prefs;
        prefs.Set(B("Caller"), B("Kept"), T("yes"));
        GPathName jobOptions;
        Outcome outcome;
        outcome.read = reader(jobOptions, prefs);
        if (!jobOptions.IsEmpty())
            outcome.jobOptions = ExtractedLeaf(jobOptions);
        outcome.prefsMerged = Text(prefs.Get(B("PluginSettings"), B("MarkOffset"))) == "2.500000";
        EXPECT_EQ("yes", Text(prefs.Get(B("Caller"), B("Kept"))));
        return outcome;
    }

    // The leaf of an extracted job-options file, checked to lie in the plug-in's private folder.
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
};

}  // namespace

TEST_F(PackageReaders, EachReaderOnEachPackageShape) {
    auto const settings = [](GPPTrovelorPackageWriter& w) { AddSettings(w); };
    std::vector<Shape> const shapes = {
        {"Good",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {true, "PrinterFiles/job.joboptions", true}, true, "PrinterFiles/job.joboptions"},
        {"NoPrinterFile", [&](GPPTrovelorPackageWriter& w) { settings(w); },
         {false, "", true}, false, ""},
        // Before the preferences, the last printer file stands; alone, the first that extracts.
        {"TwoPrinterFiles",
         [&](GPPTrovelorPackageWriter& w) {
             JobOptions(w, "a.joboptions");
             JobOptions(w, "b.joboptions");
             settings(w);
             JobOptions(w, "c.joboptions");
         },
         {true, "PrinterFiles/b.joboptions", true}, true, "PrinterFiles/a.joboptions"},
        {"NoProjectPrefs", [&](GPPTrovelorPackageWriter& w) { JobOptions(w, "job.joboptions"); },
         {false, "PrinterFiles/job.joboptions", false}, true, "PrinterFiles/job.joboptions"},
        {"WrongPassword",
         [&](GPPTrovelorPackageWriter& w) {
             w.SetPassword("not the password");
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", false}, false, ""},
        {"DamagedPrinterFile",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", true}, false, ""},
        {"HostileNames",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             for (char const* name : {"x/PrinterFiles/../../y", "../PrinterFiles/up", "/PrinterFiles/abs",
                                      "Docs/PrinterFiles/nested", "printerfiles/case", "PrinterFiles/../z",
                                      "PrinterFiles/", "PrinterFiles//empty"})
                 w.AddEntry(name, cJobOptions);
         },
         {false, "", true}, false, ""},
        {"Unregistered", nullptr, {false, "", false}, false, ""},
        {"", nullptr, {false, "", false}, false, ""},
        {"PackageMissing",
         [&](GPPTrovelorPackageWriter& w) {
             settings(w);
             JobOptions(w, "job.joboptions");
         },
         {false, "", false}, false, ""},
    };
    for (Shape const& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string package = mSandbox.Root() + "/nowhere.trovelor";
        if (shape.make) {
            package = Make(shape.name, shape.make);
            if (shape.name == "DamagedPrinterFile")
                DamageEntry(package, "PrinterFiles/job.joboptions");
            if (shape.name == "PackageMissing") {
                ASSERT_EQ(0, unlink(package.c_str()));
            }
        }
        GPathName packagePath;
        packagePath.SetNativePathString(T(package));
        bool const known = shape.make != nullptr;

        int build = -1;
        Outcome const byName = Read([&](GPathName& out, GPrefModule& prefs) {
            return ZARidizoTools::GetProjectProperties(T(shape.name), out, prefs, build);
        });
        EXPECT_EQ(shape.byPackage.read, byName.read);
        EXPECT_EQ(shape.byPackage.jobOptions, byName.jobOptions);
        EXPECT_EQ(shape.byPackage.prefsMerged, byName.prefsMerged);
        EXPECT_EQ(known ? 7 : 0, build);

        Outcome const byPackage = Read([&](GPathName& out, GPrefModule& prefs) {
            return ZARidizoTools::GetProjectProperties(packagePath, out, prefs);
        });
        EXPECT_EQ(shape.byPackage.read, byPackage.read);
        EXPECT_EQ(shape.byPackage.jobOptions, byPackage.jobOptions);
        EXPECT_EQ(shape.byPackage.prefsMerged, byPackage.prefsMerged);

        GPathName jobOptions = T("/untouched");
        EXPECT_EQ(shape.jobOptionsFile, ZARidizoTools::GetJobOptionsFile(T(shape.name), jobOptions));
        EXPECT_EQ(shape.jobOptionsFile ? shape.firstExtracted : "",
                  shape.jobOptionsFile ? ExtractedLeaf(jobOptions) : "");
        if (!shape.jobOptionsFile) {
            EXPECT_EQ("/untouched", Text(jobOptions.GetNativePathString()));
        }

        GPathName extracted;
        EXPECT_EQ(!shape.firstExtracted.empty(), ZARidizoTools::ExtractFileToTemp(packagePath, extracted));
        EXPECT_EQ(shape.firstExtracted, extracted.IsEmpty() ? "" : ExtractedLeaf(extracted));
    }
    // No hostile name reached outside the read's own folder.
    for (char const* outside : {"/y", "/up", "/z", "/PrinterFiles"})
        EXPECT_FALSE(Exists(mSandbox.Root() + outside)) << outside;
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
        EXPECT_FALSE(ZARidizoTools::ExtractFileToTemp(path, jobOptions));
        EXPECT_TRUE(jobOptions.IsEmpty());
        GPrefMemoryModule prefs;
        EXPECT_FALSE(ZARidizoTools::GetProjectProperties(path, jobOptions, prefs));
        EXPECT_TRUE(jobOptions.IsEmpty());
    }
    // The reader's own clean-up of a name counts: "." and "\" as a separator.
    std::string const package = Make("Clean", [&](GPPTrovelorPackageWriter& w) {
        w.AddEntry("./PrinterFiles\\job.joboptions", cJobOptions + "job.joboptions");
        AddSettings(w);
    });
    GPathName path;
    path.SetNativePathString(T(package));
    GPathName jobOptions;
    ASSERT_TRUE(ZARidizoTools::ExtractFileToTemp(path, jobOptions));
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
    Outcome const outcome = Read([&](GPathName& out, GPrefModule& prefs) {
        int build = 0;
        return ZARidizoTools::GetProjectProperties(T("Later"), out, prefs, build);
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
        Outcome const outcome = Read([&](GPathName& out, GPrefModule& prefs) {
            GPathName path;
            path.SetNativePathString(T(package));
            return ZARidizoTools::GetProjectProperties(path, out, prefs);
        });
        EXPECT_FALSE(outcome.read) << package;
        EXPECT_FALSE(outcome.prefsMerged) << package;
        EXPECT_EQ("PrinterFiles/job.joboptions", outcome.jobOptions) << package;
    }
}

namespace {

class CapturingLogger : public Kelvora::ILogInterface {
public:
    CapturingLogger() : ILogInterface(true) {}
    void DoLog(Severity, QString const& message, QString const& location) override {
        mText += message + QLatin1Char(' ') + location + QLatin1Char('\n');
    }
    QString mText;
};

}  // namespace

// A failing read says why in the log, and never with the password, plain or scrambled.
TEST_F(PackageReaders, TheLogOfAFailingReadHoldsNoPassword) {
    std::string const wrong = Make("Wrong", [&](GPPTrovelorPackageWriter& w) {
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
        int build = 0;
        EXPECT_FALSE(ZARidizoTools::GetProjectProperties(T(name), jobOptions, prefs, build)) << name;
        EXPECT_FALSE(ZARidizoTools::GetJobOptionsFile(T(name), jobOptions)) << name;
    }
    ASSERT_TRUE(logger.mText.contains(QString::fromStdString(wrong))) << logger.mText.toStdString();
    ASSERT_TRUE(logger.mText.contains(QString::fromStdString(damaged)));
    GPPTrovelorPackage::Password const password;
    EXPECT_FALSE(logger.mText.contains(QString::fromStdString(password.Get())));
    EXPECT_FALSE(logger.mText.contains(QLatin1String(GPPTrovelorPackage::cScrambledZipPassword)));
}
