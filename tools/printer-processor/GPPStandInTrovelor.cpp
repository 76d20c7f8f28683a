#include "printer-processor/GPPStandInTrovelor.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/values/GUniqueID.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefMemoryModule.h"

namespace {

GString FromUTF8(const std::string& text) { return GString(text.c_str(), GEncodingFallback::Get<GUTF8Encoding>()); }

std::string ToUTF8(const GString& text) {
    const GBuffer bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string LeafOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

GPathName PackagePath(const GPPStandInOptions& options, const GString& guid) {
    if (options.mPackage.empty())
        return GPPTrovelorPackageWriter::GetPackagePath(guid);
    std::string path = options.mPackage;
    if (path[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) != nullptr)
            path = std::string(cwd) + "/" + path;
    }
    GPathName package;
    package.SetNativePathString(FromUTF8(path));
    return package;
}

}  // namespace

bool GPPStandInTrovelor::Make(const GPPStandInOptions& options, std::string& package, std::string& error) {
    std::string jobOptions;
    const std::string leaf = LeafOf(options.mJobOptions);
    if (leaf.empty() || !ReadWhole(options.mJobOptions, jobOptions)) {
        error = "cannot read the job options " + options.mJobOptions;
        return false;
    }
    GPrefMemoryModule prefs;
    for (const auto& setting : options.mSettings)
        prefs.Set(GBuffer("PluginSettings"), GBuffer(setting.first.c_str()), FromUTF8(setting.second));
    GPPTrovelorPackageWriter writer;
    if (!writer.AddProjectPrefs(prefs)) {
        error = "a setting cannot be stored (keys are ASCII)";
        return false;
    }
    writer.AddPrinterFile(leaf, jobOptions);

    GString guid = FromUTF8(options.mGUID);
    if (guid.IsEmpty()) {
        GBuffer hex;
        GUniqueID().GetHex(hex);
        guid = GString(hex, GEncodingFallback::Get<GUTF8Encoding>());
    }
    const GPathName path = PackagePath(options, guid);
    if (!writer.Write(path, error))
        return false;
    const GString name = FromUTF8(options.mTrovelorName);
    if (!GPPTrovelorPackageWriter::Register(name, path, options.mBuildNumber, FromUTF8(options.mPDFSettings))) {
        error = "cannot register " + options.mTrovelorName;
        return false;
    }
    package = ToUTF8(path.GetNativePathString());
    return true;
}
