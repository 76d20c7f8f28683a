#include "standin/StandinEthernetAddresses.h"

#include <dirent.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>

#include "core/bytes/GHexDigits.h"

namespace {

using Address = StandinEthernetAddresses::Address;

bool IsAllZero(const Address& address) {
    return std::all_of(address.begin(), address.end(), [](unsigned char byte) { return byte == 0; });
}

void AddIfUsable(std::vector<Address>& out, unsigned int flags, const Address& address) {
    if ((flags & IFF_LOOPBACK) != 0 || IsAllZero(address))
        return;
    out.push_back(address);
}

struct IfAddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

std::mutex sFolderLock;
std::string sNetClassFolder;

std::string NetClassFolder() {
    std::lock_guard<std::mutex> lock(sFolderLock);
    return sNetClassFolder.empty() ? std::string(StandinEthernetAddresses::cNetClassFolder) : sNetClassFolder;
}

// A network device (a card, a virtio or USB adapter) has its bus device linked as "device";
// virtual interfaces have none.
bool HasDevice(const std::string& folder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return false;
    struct stat info;
    return ::stat((folder + "/" + name + "/device").c_str(), &info) == 0;
}

bool ReadFromIfAddrs(const std::string& folder, std::vector<Address>& out) {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0)
        return false;
    const std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);
    for (const ifaddrs* entry = raw; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET)
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_halen != 6 || entry->ifa_name == nullptr || !HasDevice(folder, entry->ifa_name))
            continue;
        Address address;
        std::copy(link->sll_addr, link->sll_addr + 6, address.begin());
        AddIfUsable(out, entry->ifa_flags, address);
    }
    return true;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// "52:54:00:12:34:56": exactly six two-digit hexadecimal bytes.
bool ParseAddress(const std::string& text, Address& out) {
    if (text.size() != 17)
        return false;
    for (size_t i = 0; i < 6; ++i) {
        const size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':')
            return false;
        const unsigned char high = GHexDigits::Classify(static_cast<unsigned char>(text[at]));
        const unsigned char low = GHexDigits::Classify(static_cast<unsigned char>(text[at + 1]));
        if (high > 15 || low > 15)
            return false;
        out[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

bool ParseFlags(const std::string& text, unsigned int& flags) {
    unsigned int value = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%x%c", &value, &rest) != 1)
        return false;
    flags = value;
    return true;
}

struct DirDeleter {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The interfaces in the system's order (by index; by name when the index cannot be read).
std::vector<std::string> InterfacesInOrder(const std::string& folder) {
    std::vector<std::pair<long, std::string>> found;
    const std::unique_ptr<DIR, DirDeleter> dir(opendir(folder.c_str()));
    if (!dir)
        return {};
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        long index = 0;
        char rest = 0;
        const std::string text = ReadFirstLine(folder + "/" + name + "/ifindex");
        if (std::sscanf(text.c_str(), "%ld%c", &index, &rest) != 1)
            index = -1;
        found.emplace_back(index < 0 ? std::numeric_limits<long>::max() : index, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& item : found)
        names.push_back(std::move(item.second));
    return names;
}

}  // namespace

std::vector<Address> StandinEthernetAddresses::GetAddresses() {
    const std::string folder = NetClassFolder();
    std::vector<Address> out;
    if (ReadFromIfAddrs(folder, out))
        return out;
    return GetAddressesFromFolder(folder);
}

void StandinEthernetAddresses::SetNetClassFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(sFolderLock);
    sNetClassFolder = folder;
}

std::vector<Address> StandinEthernetAddresses::GetAddressesFromFolder(const std::string& folder) {
    std::vector<Address> out;
    for (const std::string& name : InterfacesInOrder(folder)) {
        const std::string base = folder + "/" + name + "/";
        Address address;
        unsigned int flags = 0;
        // Without readable flags the interface could be a loopback: leave it out.
        if (!HasDevice(folder, name) || !ParseAddress(ReadFirstLine(base + "address"), address) ||
            !ParseFlags(ReadFirstLine(base + "flags"), flags))
            continue;
        AddIfUsable(out, flags, address);
    }
    return out;
}
