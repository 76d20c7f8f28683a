// The package readers over arbitrary package bytes (the package password is the real one, so the
// seeds, packages made by the package writer, decrypt). Checks:
// - a job-options file given is a regular file below the read's own folder, in its top-level
//   "PrinterFiles" folder, and nothing appears outside the plug-in's private temporary root;
// - a read that gave no file leaves no folder behind;
// - the caller's value in the preferences module survives every read.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "support/FuzzInput.h"

namespace {

std::string Native(GPathName const& path) {
    return Text(path.GetNativePathString().GetBuffer(GEncodingFallback::Get<GUTF8Encoding>()));
}

// TMPDIR in a folder of this run: the package lies there, beside the private temporary root.
std::string const& Folder() {
    static std::string const folder = [] {
        std::string pattern = "/tmp/fuzz-package-XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr);
        setenv("TMPDIR", pattern.c_str(), 1);
        GFileSystem::RemoveSpecialPath(-2);
        return pattern;
    }();
    return folder;
}

size_t CountEntries(std::string const& folder) {
    size_t count = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(folder); it != decltype(it)(); ++it)
        ++count;
    return count;
}

void CheckJobOptions(GPathName const& jobOptions, std::string const& instance) {
    std::string const path = Native(jobOptions);
    Check(path.compare(0, instance.size() + 1, instance + "/") == 0);
    std::string::size_type const folderEnd = path.find('/', instance.size() + 1);
    Check(folderEnd != std::string::npos && path.compare(folderEnd, 14, "/PrinterFiles/") == 0);
    struct stat info;
    Check(lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 22, 1 << 14))
        return 0;
    std::string const packagePath = Folder() + "/package.trovelor";
    std::ofstream(packagePath, std::ios::binary | std::ios::trunc).write(reinterpret_cast<char const*>(data), long(size));
    GPathName package;
    package.SetNativePathString(GString(packagePath.c_str(), GEncodingFallback::Get<GUTF8Encoding>()));
    std::string const instance = Native(GCPTTemporaryFolder::GetInstanceFolder());

    {
        GPathName jobOptions;
        ZARidizoTools::ExtractedFolder folder;
        if (ZARidizoTools::ExtractFileToTemp(package, jobOptions, folder))
            CheckJobOptions(jobOptions, instance);
        else
            Check(jobOptions.IsEmpty() && folder == nullptr && CountEntries(instance) == 0);
    }
    // The job options' folder goes with its holder.
    Check(CountEntries(instance) == 0);

    GPrefMemoryModule prefs;
    prefs.Set(GBuffer("Caller"), GBuffer("Kept"), GString("yes"));
    {
        GPathName fromRead;
        ZARidizoTools::ExtractedFolder folder;
        ZARidizoTools::GetProjectProperties(package, fromRead, prefs, folder);
        if (!fromRead.IsEmpty())
            CheckJobOptions(fromRead, instance);
    }
    Check(CountEntries(instance) == 0);
    Check(Text(prefs.Get(GBuffer("Caller"), GBuffer("Kept")).GetBuffer(GEncodingFallback::Get<GUTF8Encoding>())) == "yes");

    // Only the package and the private root stand in the run's folder.
    size_t count = 0;
    for (auto const& entry : std::filesystem::directory_iterator(Folder()))
        count += entry.path().filename().string().rfind("TrovelPluginTemp-", 0) == 0 || entry.path() == packagePath ? 0 : 1;
    Check(count == 0);
    std::error_code ignored;
    std::filesystem::remove_all(instance, ignored);
    return 0;
}
