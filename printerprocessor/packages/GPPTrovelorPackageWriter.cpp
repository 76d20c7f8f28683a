#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"

#include <string.h>
#include <sys/stat.h>
#include <zip.h>

#include <cerrno>
#include <string>

#include "core/streams/GMemoryOutStream.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "services/paths/GNativePath.h"
#include "services/preferences/GPrefModule.h"

namespace {

// Makes every missing folder of the path; false with errno set.
bool MakeFolders(std::string const& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        std::string const part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string FolderOf(std::string const& file) {
    size_t const slash = file.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : ".") : file.substr(0, slash);
}

// A libzip archive being written; discarded unless closed.
class ZipWriting {
public:
    explicit ZipWriting(std::string const& path) {
        int code = 0;
        mZip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (mZip == nullptr) {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            mOpenError = zip_error_strerror(&error);
            zip_error_fini(&error);
        }
    }
    ~ZipWriting() {
        if (mZip != nullptr)
            zip_discard(mZip);
    }
    ZipWriting(ZipWriting const&) = delete;
    ZipWriting& operator=(ZipWriting const&) = delete;

    zip_t* Get() const { return mZip; }
    std::string const& OpenError() const { return mOpenError; }
    std::string Error() const { return zip_strerror(mZip); }
    bool Close() {
        if (zip_close(mZip) != 0)
            return false;
        mZip = nullptr;
        return true;
    }

private:
    zip_t* mZip = nullptr;
    std::string mOpenError;
};

constexpr zip_uint32_t cRegularFileAttributes = zip_uint32_t(0100644) << 16;
constexpr zip_uint32_t cLinkAttributes = zip_uint32_t(0120777) << 16;

}  // namespace

bool GPPTrovelorPackageWriter::AddProjectPrefs(GPrefModule const& prefs) {
    GBuffer text;
    bool whole = false;
    {
        GMemoryOutStream out(text);
        whole = GPrefModule::WriteGroups(prefs.GetGroups(), out, GUnicodeEncoding::GetInstance());
    }
    if (!whole)
        return false;
    AddEntry(GPPTrovelorPackage::cProjectPrefsEntry,
             std::string(reinterpret_cast<char const*>(text.GetPtr()), static_cast<size_t>(text.GetLength())));
    return true;
}

void GPPTrovelorPackageWriter::AddPrinterFile(std::string const& leaf, std::string const& bytes) {
    AddEntry(std::string(GPPTrovelorPackage::cPrinterFilesFolder) + "/" + leaf, bytes);
}

void GPPTrovelorPackageWriter::AddEntry(std::string const& name, std::string const& bytes) {
    AddEntry(name, bytes, EntryOptions());
}

void GPPTrovelorPackageWriter::AddEntry(std::string const& name, std::string const& bytes,
                                        EntryOptions const& options) {
    mEntries.push_back({name, bytes, options});
}

void GPPTrovelorPackageWriter::SetPassword(std::string const& plain) {
    mOwnPassword = true;
    mPassword = plain;
}

bool GPPTrovelorPackageWriter::Write(GPathName const& package, std::string& error) const {
    std::string const path = NativePathBytes(package);
    if (!MakeFolders(FolderOf(path))) {
        error = "cannot make the folder of " + path + ": " + strerror(errno);
        return false;
    }
    GPPTrovelorPackage::Password const packagePassword;
    std::string const& password = mOwnPassword ? mPassword : packagePassword.Get();
    ZipWriting zip(path);
    if (zip.Get() == nullptr) {
        error = "cannot write " + path + ": " + zip.OpenError();
        return false;
    }
    for (Entry const& entry : mEntries) {
        // The sources borrow the bytes, which outlive the close.
        zip_source_t* source = zip_source_buffer(zip.Get(), entry.bytes.data(), entry.bytes.size(), 0);
        zip_int64_t const index =
            source == nullptr ? -1
                              : zip_file_add(zip.Get(), entry.name.c_str(), source,
                                             entry.options.rawName ? ZIP_FL_ENC_RAW : ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            error = "cannot add " + entry.name + " to " + path + ": " + zip.Error();
            return false;
        }
        zip_uint64_t const at = zip_uint64_t(index);
        zip_int32_t const method = entry.options.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        zip_uint32_t const attributes = entry.options.link ? cLinkAttributes : cRegularFileAttributes;
        bool const set = zip_set_file_compression(zip.Get(), at, method, 0) == 0 &&
                         zip_file_set_external_attributes(zip.Get(), at, 0, ZIP_OPSYS_UNIX, attributes) == 0 &&
                         (password.empty() ||
                          zip_file_set_encryption(zip.Get(), at, ZIP_EM_TRAD_PKWARE, password.c_str()) == 0);
        if (!set) {
            error = "cannot set up " + entry.name + " in " + path + ": " + zip.Error();
            return false;
        }
    }
    if (!zip.Close()) {
        error = "cannot write " + path + ": " + zip.Error();
        return false;
    }
    return true;
}

GPathName GPPTrovelorPackageWriter::GetPackagePath(GString const& guid) {
    GPathName path = GPPSettings::GetSettingsFolder();
    path.Append(guid);
    path.Append(GString("Package.trovelor"));
    return path;
}

bool GPPTrovelorPackageWriter::Register(GString const& name, GPathName const& package, int buildNumber,
                                        GString const& pdfSettings) {
    GPPSettings settings;
    settings.ApplicationPath = GPPSettings::GetCacheFolder();
    settings.ApplicationPath.Append(GString(buildNumber));
    settings.ApplicationPath.Append(GString("PrinterProcessor"));
    settings.ContextFilePath = package;
    settings.IsPlugin = true;
    settings.PDFSettings = pdfSettings;
    settings.TrovelorName = name;
    GPPActorRegistry registry;
    GPPSettings existing;
    if (registry.GetActor(name, existing))
        return registry.Update(name, settings);
    return registry.Register(name, settings);
}
