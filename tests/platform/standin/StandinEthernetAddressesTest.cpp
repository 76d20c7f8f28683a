#include <gtest/gtest.h>

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "standin/StandinEthernetAddresses.h"

namespace fs = std::filesystem;
using Address = StandinEthernetAddresses::Address;

namespace {

class FakeNetFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/standin-net-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mRoot = pattern;
    }
    void TearDown() override {
        StandinEthernetAddresses::SetNetClassFolder("");
        fs::remove_all(mRoot);
    }

    // A hardware interface has its device folder linked as "device"; a virtual one has none.
    void AddInterface(const std::string& name, const std::string& address, const std::string& flags,
                      const std::string& index, bool device = true) {
        const fs::path folder = mRoot / name;
        fs::create_directories(folder);
        if (device)
            fs::create_directories(folder / "device");
        if (!address.empty())
            std::ofstream(folder / "address") << address << "\n";
        if (!flags.empty())
            std::ofstream(folder / "flags") << flags << "\n";
        if (!index.empty())
            std::ofstream(folder / "ifindex") << index << "\n";
    }

    fs::path mRoot;
};

std::vector<Address> LoopbackAddresses() {
    std::vector<Address> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || !(entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_halen == 6) {
            Address address;
            std::copy(link->sll_addr, link->sll_addr + 6, address.begin());
            out.push_back(address);
        }
    }
    freeifaddrs(list);
    return out;
}

}  // namespace

TEST_F(FakeNetFolder, KeepsOnlySixByteNonLoopbackNonZeroAddressesInIndexOrder) {
    AddInterface("lo", "00:00:00:00:00:00", "0x9", "1");
    AddInterface("loop2", "02:00:00:00:00:09", "0x9", "2");  // a loopback flagged one with an address
    AddInterface("wlan0", "aa:BB:cc:00:11:22", "0x1003", "4");
    AddInterface("eth0", "52:54:00:12:34:56", "0x1003", "3");
    AddInterface("dummy", "00:00:00:00:00:00", "0x1003", "5");
    AddInterface("ib0", "80:00:02:08:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0a:bc:de", "0x1003", "6");
    AddInterface("tun0", "", "0x1091", "7");
    AddInterface("bad", "52:54:00:12:34", "0x1003", "8");
    AddInterface("junk", "52-54-00-12-34-56", "0x1003", "9");
    AddInterface("noflags", "52:54:00:aa:bb:cc", "", "10");
    AddInterface("ifb0", "16:07:6f:3d:5e:01", "0x82", "0", false);
    AddInterface("br0", "02:42:ac:11:00:01", "0x1003", "11", false);

    const std::vector<Address> expected = {
        {0x52, 0x54, 0x00, 0x12, 0x34, 0x56},
        {0xaa, 0xbb, 0xcc, 0x00, 0x11, 0x22},
    };
    EXPECT_EQ(StandinEthernetAddresses::GetAddressesFromFolder(mRoot.string()), expected);
}

TEST_F(FakeNetFolder, MissingFolderGivesNothing) {
    EXPECT_TRUE(StandinEthernetAddresses::GetAddressesFromFolder((mRoot / "none").string()).empty());
}

// The machine's own interfaces, read through a class folder that says which have hardware.
std::vector<std::pair<std::string, Address>> SystemInterfaces() {
    std::vector<std::pair<std::string, Address>> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        Address address{};
        if (link->sll_halen != 6)
            continue;
        std::copy(link->sll_addr, link->sll_addr + 6, address.begin());
        if (address != Address{})
            out.emplace_back(entry->ifa_name, address);
    }
    freeifaddrs(list);
    return out;
}

TEST_F(FakeNetFolder, OnlyAVirtualInterfaceGivesNothing) {
    AddInterface("ifb0", "16:07:6f:3d:5e:01", "0x82", "3", false);
    EXPECT_TRUE(StandinEthernetAddresses::GetAddressesFromFolder(mRoot.string()).empty());
    // The interfaces the system lists are all virtual as this folder tells.
    StandinEthernetAddresses::SetNetClassFolder(mRoot.string());
    EXPECT_TRUE(StandinEthernetAddresses::GetAddresses().empty());
}

TEST_F(FakeNetFolder, SystemInterfacesCountOnlyWithTheirDevice) {
    const auto interfaces = SystemInterfaces();
    if (interfaces.empty())
        GTEST_SKIP() << "this machine has no interface with a hardware address";
    fs::create_directories(mRoot / interfaces.back().first / "device");
    StandinEthernetAddresses::SetNetClassFolder(mRoot.string());
    EXPECT_EQ(StandinEthernetAddresses::GetAddresses(), std::vector<Address>{interfaces.back().second});
}

TEST(StandinEthernetAddresses, SystemListHoldsOnlyInterfacesWithHardware) {
    std::vector<Address> hardware;
    for (const auto& [name, address] : SystemInterfaces()) {
        if (fs::exists(fs::path(StandinEthernetAddresses::cNetClassFolder) / name / "device"))
            hardware.push_back(address);
    }
    EXPECT_EQ(StandinEthernetAddresses::GetAddresses(), hardware);
}

TEST(StandinEthernetAddresses, SystemListHoldsNoLoopbackOrZeroAddress) {
    const std::vector<Address> loopbacks = LoopbackAddresses();
    const Address zero{};
    for (const Address& address : StandinEthernetAddresses::GetAddresses()) {
        EXPECT_NE(address, zero);
        EXPECT_EQ(std::find(loopbacks.begin(), loopbacks.end(), address), loopbacks.end());
    }
}
