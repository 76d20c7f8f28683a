#include "hostsdk/trace/HostText.h"

#include <cstdio>

#include "hostsdk/base/PMString.h"

std::string HostHex(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(id));
    return text;
}

std::string HostQuote(const PMString& text) { return "\"" + text.GetUTF8String() + "\""; }
