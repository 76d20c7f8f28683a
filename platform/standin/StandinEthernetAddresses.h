#pragma once
// Stands in for the device registry's list of Ethernet hardware addresses.
//
// Kept of the original: one 6-byte address per Ethernet interface, in the system's interface
// order; only interfaces with hardware behind them count (the original's "built-in" rule): an
// interface without a "device" entry in the network class folder (a bridge, ifb, veth, tun or
// dummy interface, whose address is often random) is left out. An empty list when none can be
// read. Also left out: loopback interfaces, all-zero addresses and hardware addresses of any
// other length. Never throws.
#include <array>
#include <string>
#include <vector>

class StandinEthernetAddresses {
public:
    using Address = std::array<unsigned char, 6>;

    static constexpr char const* cNetClassFolder = "/sys/class/net";

    // From getifaddrs, each interface checked for its device in the network class folder; when
    // getifaddrs fails, from that folder alone.
    static std::vector<Address> GetAddresses();
    // The network class folder that GetAddresses reads (tests point it at a fixture); empty
    // restores cNetClassFolder.
    static void SetNetClassFolder(const std::string& folder);

    // From a folder laid out like /sys/class/net: one folder per interface holding "address"
    // ("52:54:00:12:34:56"), "flags" (hexadecimal interface flags), "ifindex" (its order) and,
    // for hardware, "device".
    static std::vector<Address> GetAddressesFromFolder(const std::string& folder);
};
