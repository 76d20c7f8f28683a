#include "standin/StandinSystemVersion.h"

#include <cstdlib>

namespace {

// Reads up to 4 digits; false when there is none.
bool ReadNumber(char const*& at, int& out) {
    int digits = 0;
    int value = 0;
    while (*at >= '0' && *at <= '9') {
        if (++digits > 4)
            return false;
        value = value * 10 + (*at - '0');
        ++at;
    }
    out = value;
    return digits > 0;
}

}  // namespace

bool StandinSystemVersion::Parse(char const* text, Version& out) {
    if (text == nullptr)
        return false;
    Version v;
    char const* at = text;
    if (!ReadNumber(at, v.major) || *at++ != '.' || !ReadNumber(at, v.minor))
        return false;
    if (*at == '.') {
        ++at;
        if (!ReadNumber(at, v.patch))
            return false;
    }
    if (*at != '\0')
        return false;
    out = v;
    return true;
}

StandinSystemVersion::Version StandinSystemVersion::GetVersion() {
    Version v;
    if (Parse(std::getenv("TROVEL_MACOS_VERSION"), v))
        return v;
    return Version{11, 0, 0};
}
