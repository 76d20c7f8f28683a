#include "plugin/tools/ZARidizoTools.h"

#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include "core/support/GStringSupport.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/system/PSystem.h"
#include "plugin/logging/ILogInterface.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/GCPTSmartPathName.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "plugin/zip/ZipArchive.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "printerprocessor/jobs/GPPJobInfo.h"
#include "printerprocessor/jobs/GPPJobNotifier.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "services/preferences/GPrefMemoryModule.h"

bool ZARidizoTools::GetActor(GString const& name, GPPSettings& settings) {
    if (name.IsEmpty())
        return false;
    return GPPActorRegistry().GetActor(name, settings);
}

namespace {

GString PDFSettingsNameOf(GString const& name, GPPSettings const& settings) {
    return settings.PDFSettings.IsEmpty() ? name : settings.PDFSettings;
}

}  // namespace

bool ZARidizoTools::GetPluginTrovelors(GTable<GString>& names) {
    names.Resize(0);
    GTable<PluginTrovelor> trovelors;
    GetPluginTrovelors(trovelors);
    for (PluginTrovelor const& trovelor : trovelors)
        names.AddItem(trovelor.name);
    return names.GetCount() > 0;
}

bool ZARidizoTools::GetPluginTrovelors(GTable<PluginTrovelor>& trovelors) {
    trovelors.Resize(0);
    GTable<GPPActorRegistry::Actor> actors;
    GPPActorRegistry().GetActors(actors);
    // Found once for the whole list; without it no Trovelor has a GUID, as each would find.
    GPathName settingsFolder;
    bool haveFolder = true;
    try {
        settingsFolder = GPPSettings::GetSettingsFolder();
    } catch (GException const&) {
        haveFolder = false;
    }
    for (GPPActorRegistry::Actor const& actor : actors) {
        if (!actor.settings.IsPlugin)
            continue;
        PluginTrovelor trovelor;
        trovelor.name = actor.name;
        // As by name: an empty name finds nothing.
        if (!actor.name.IsEmpty()) {
            trovelor.pdfSettingsName = PDFSettingsNameOf(actor.name, actor.settings);
            trovelor.hasGUID = haveFolder && GPPSettings::GetGUID(actor.settings, settingsFolder, trovelor.guid);
        }
        trovelors.AddItem(trovelor);
    }
    return trovelors.GetCount() > 0;
}

bool ZARidizoTools::GetPDFSettingsName(GString const& name, GString& settingsName) {
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    settingsName = PDFSettingsNameOf(name, settings);
    return true;
}

bool ZARidizoTools::DeletePluginTrovelor(GString const& name) {
    if (name.IsEmpty())
        return false;
    GPPActorRegistry registry;
    GPPSettings settings;
    if (!registry.GetActor(name, settings))
        return false;
    settings.IsPlugin = false;
    return registry.Update(name, settings);
}

bool ZARidizoTools::GetGUID(GString const& name, GString& guid) {
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    return GPPSettings::GetGUID(settings, guid);
}

namespace {

std::string Utf8(GString const& text) {
    GBuffer const bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

constexpr size_t kMaxFolderNameBytes = 200;

}  // namespace

GString ZARidizoTools::GetSafeFolderName(GString const& name) {
    std::string safe;
    for (char c : Utf8(name)) {
        unsigned char const byte = static_cast<unsigned char>(c);
        safe += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    if (safe.size() > kMaxFolderNameBytes) {
        size_t cut = kMaxFolderNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    if (safe.empty() || safe == "." || safe == "..")
        safe = "_" + safe;
    return GString(safe.c_str(), GUTF8Encoding::GetInstance());
}

bool ZARidizoTools::GetOutputPDFPath(GPathName& out) {
    GString logon;
    if (!PSystem::GetLogonName(logon) || logon.IsEmpty() || !GCPTTemporaryFolder::EnsureRoot())
        return false;
    GPathName folder = GCPTTemporaryFolder::GetRoot();
    GString leaf("Output-");
    leaf += GetSafeFolderName(logon);
    folder.Append(leaf);
    std::string const native = Utf8(folder.GetNativePathString());
    if (mkdir(native.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    if (lstat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 077) != 0)
        return false;
    out = folder;
    return true;
}

bool ZARidizoTools::NotifyPrinterProcessor(GString const& name, GPathName const& file) {
    static GString const sUniquePluginPort(10987);
    GString logon;
    if (!PSystem::GetLogonName(logon) || logon.IsEmpty())
        return false;
    GPPJobInfo const info(logon, file, name, sUniquePluginPort, 1, GString());
    return GPPJobNotifier(info).TrySendNotification();
}

namespace {

QString NativeQ(GPathName const& path) { return GQStringSupport::ToQString(path.GetNativePathString()); }

// The password as the zip reader takes it, wiped when the read is over.
class ReadPassword {
public:
    ReadPassword() : mText(QString::fromLatin1(GPPTrovelorPackage::Password().Get().c_str())) {}
    ~ReadPassword() { mText.fill(QChar(0)); }
    ReadPassword(ReadPassword const&) = delete;
    ReadPassword& operator=(ReadPassword const&) = delete;
    QString const& Get() const { return mText; }

private:
    QString mText;
};

// The path of a printer file below the package's top-level printer-files folder, the way the zip
// reader extracts it ("\" a separator, "." dropped); empty for any other entry: one elsewhere, a
// folder, or one the reader refuses (absolute, with an empty or ".." component).
QString PrinterFilePath(QString const& entryName) {
    QString path = entryName;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
        return QString();
    QStringList kept;
    for (QString const& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".."))
            return QString();
        if (part != QLatin1String("."))
            kept.append(part);
    }
    if (kept.size() < 2 || kept.first() != QLatin1String(GPPTrovelorPackage::cPrinterFilesFolder))
        return QString();
    return kept.join(QLatin1Char('/'));
}

// The folder held and recorded as a temporary path, also when the record cannot be written (the
// folder then goes with its holder only).
ZARidizoTools::ExtractedFolder OwnFolder(GPathName const& folder) {
    auto owner = std::make_shared<GCPTSmartPathName>(GPathName());
    try {
        owner->SetPath(folder);
    } catch (...) {
        log_error(QStringLiteral("Temporary folder %1 not recorded").arg(NativeQ(folder)), QStringLiteral("ZARidizoTools"));
    }
    return owner;
}

// One package read: the archive at its first entry, and a new folder for what it extracts,
// private to this process (0700, below the plug-in's temporary root). The folder is made with
// the first extraction: a package that cannot be opened or holds no printer file costs no folder.
// It is held from its making, and deleted with the read unless the caller takes it.
class PackageRead {
public:
    explicit PackageRead(GPathName const& package) : mPackage(NativeQ(package)), mArchive(mPackage) {}
    PackageRead(PackageRead const&) = delete;
    PackageRead& operator=(PackageRead const&) = delete;

    bool Start() {
        if (mArchive.StartIterate() <= 0)
            return Fail(QStringLiteral("cannot be opened, or holds nothing"));
        return true;
    }

    Kelvora::ZipArchive const& Archive() const { return mArchive; }
    QString const& Password() const { return mPassword.Get(); }

    // Extracts the current entry when it is a printer file; true with its path below the folder
    // when a regular file of it now stands there.
    bool ExtractPrinterFile(QString& path) {
        QString const candidate = PrinterFilePath(mArchive.GetCurrentFileName());
        if (candidate.isEmpty() || !MakeFolder())
            return false;
        if (!mArchive.ExtractCurrentFile(NativeQ(mFolder->GetPath()), mPassword.Get(), 0)) {
            Fail(mArchive.GetLastError());
            return false;
        }
        struct stat info;
        if (lstat(QFile::encodeName(Extracted(candidate)).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        path = candidate;
        return true;
    }

    // Deletes a file extracted before, which a later one replaces.
    void Drop(QString const& path) {
        if (mFolder != nullptr && !path.isEmpty())
            unlink(QFile::encodeName(Extracted(path)).constData());
    }

    // The extracted file and its folder, which the caller then holds.
    GPathName Keep(QString const& path, ZARidizoTools::ExtractedFolder& folder) {
        GPathName out = mFolder->GetPath();
        for (QString const& part : path.split(QLatin1Char('/')))
            out.Append(GQStringSupport::ToGString(part, false));
        folder = mFolder;
        return out;
    }

    bool Fail(QString const& why) const {
        log_error(QStringLiteral("Trovelor package %1: %2").arg(mPackage, why), QStringLiteral("ZARidizoTools"));
        return false;
    }

private:
    bool MakeFolder() {
        if (mFolder != nullptr)
            return true;
        GPathName const instance = GCPTTemporaryFolder::GetInstanceFolder();
        if (instance.IsEmpty())
            return Fail(QStringLiteral("no private temporary folder"));
        QByteArray pattern = QFile::encodeName(NativeQ(instance) + QStringLiteral("/PackageXXXXXX"));
        if (mkdtemp(pattern.data()) == nullptr)
            return Fail(QStringLiteral("no folder for its files"));
        GPathName folder;
        folder.SetNativePathString(GQStringSupport::ToGString(QFile::decodeName(pattern), false));
        try {
            mFolder = OwnFolder(folder);
        } catch (...) {
            GCPTTemporaryFolder::RemoveBelowRoot(folder);
            throw;
        }
        return true;
    }

    QString Extracted(QString const& path) const { return NativeQ(mFolder->GetPath()) + QLatin1Char('/') + path; }

    QString mPackage;
    ReadPassword mPassword;
    Kelvora::ZipArchive mArchive;
    ZARidizoTools::ExtractedFolder mFolder;
};

// Reads the project preferences into the caller's module; false, the module untouched, when the
// bytes are no text.
bool MergeProjectPrefs(QByteArray const& bytes, GPrefModule& projectPrefs) {
    GBuffer const buffer(reinterpret_cast<unsigned char const*>(bytes.constData()), bytes.size());
    GString text;
    if (!GStringSupport::AssignEncoding(buffer, text))
        return false;
    GPrefMemoryModule module(text);
    module.FlushPrefs();
    projectPrefs.UpdateWith(&module);
    return true;
}

}  // namespace

bool ZARidizoTools::GetProjectProperties(GString const& name, GPathName& jobOptions, GPrefModule& projectPrefs,
                                         int& buildNumber, ExtractedFolder& folder) {
    buildNumber = 0;
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    bool const read = GetProjectProperties(settings.ContextFilePath, jobOptions, projectPrefs, folder);
    buildNumber = GPPSettings::GetBuildNumber(settings);
    return read;
}

bool ZARidizoTools::GetProjectProperties(GPathName const& package, GPathName& jobOptions, GPrefModule& projectPrefs,
                                         ExtractedFolder& folder) {
    PackageRead read(package);
    if (!read.Start())
        return false;
    Kelvora::ZipArchive const& archive = read.Archive();
    QString const prefsEntry = QLatin1String(GPPTrovelorPackage::cProjectPrefsEntry);
    QString printerFile;
    QByteArray prefs;
    // A later printer file that fails keeps the last one that extracted; only a complete read of
    // the preferences counts.
    for (; !archive.AtEnd() && (prefs.isEmpty() || printerFile.isEmpty()); archive.Next()) {
        if (archive.GetCurrentFileName() == prefsEntry) {
            bool complete = false;
            QByteArray const bytes = archive.ExtractCurrentToMemory(read.Password(), &complete);
            if (complete && !bytes.isEmpty())
                prefs = bytes;
            continue;
        }
        QString path;
        if (!read.ExtractPrinterFile(path))
            continue;
        // Only the last stands: the temporary folder holds one printer file at a time.
        if (path != printerFile)
            read.Drop(printerFile);
        printerFile = path;
    }
    if (!printerFile.isEmpty())
        jobOptions = read.Keep(printerFile, folder);
    bool const merged = !prefs.isEmpty() && MergeProjectPrefs(prefs, projectPrefs);
    if (printerFile.isEmpty())
        return read.Fail(QStringLiteral("no printer file could be extracted"));
    if (!merged)
        return read.Fail(QStringLiteral("no readable project preferences"));
    return true;
}

bool ZARidizoTools::GetJobOptionsFile(GString const& name, GPathName& jobOptions, ExtractedFolder& folder) {
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    return ExtractFileToTemp(settings.ContextFilePath, jobOptions, folder);
}

bool ZARidizoTools::ExtractFileToTemp(GPathName const& package, GPathName& jobOptions, ExtractedFolder& folder) {
    PackageRead read(package);
    if (!read.Start())
        return false;
    Kelvora::ZipArchive const& archive = read.Archive();
    for (; !archive.AtEnd(); archive.Next()) {
        QString path;
        if (read.ExtractPrinterFile(path)) {
            jobOptions = read.Keep(path, folder);
            return true;
        }
    }
    return read.Fail(QStringLiteral("no printer file could be extracted"));
}
