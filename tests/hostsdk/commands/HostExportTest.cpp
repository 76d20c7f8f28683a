#include "hostsdk/commands/HostExportTest.h"

#include <algorithm>
#include <filesystem>

namespace hostsdktest {

std::vector<std::string> HostExportTest::Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mFolder.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace hostsdktest
