#pragma once
// A font that a sample document uses, and whether the host finds it.
#include <string>

struct HostFontRecord {
    std::string name;
    bool missing = false;
};
