#pragma once
// Stands in for the device registry's list of Ethernet hardware addresses.
//
// Kept of the original: one 6-byte address per Ethernet interface, in the system's interface
// order; an empty list when none can be read. Left out: loopback interfaces, all-zero addresses
// and hardware addresses of any other length. Never throws.
#include <array>
#include <string>
#include <vector>

class StandinEthernetAddresses {
public:
    using Address = std::array<unsigned char, 6>;

    // From getifaddrs; when that fails, from /sys/class/net.
    static std::vector<Address> GetAddresses();

    // From a folder laid out like /sys/class/net: one folder per interface holding "address"
    // ("52:54:00:12:34:56"), "flags" (hexadecimal interface flags) and "ifindex" (its order).
    static std::vector<Address> GetAddressesFromFolder(const std::string& folder);
};
