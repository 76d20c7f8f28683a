#include "mac/ipc/PIPCObjectName.h"

#include <cstdlib>
#include <cstring>

#include "core/base/GException.h"

namespace {

constexpr int kMaxPrefix = 64;

bool IsIDCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

GBuffer PIPCObjectName::GetPrefix() {
    char const* text = std::getenv("TROVEL_SHM_PREFIX");
    if (text == nullptr || text[0] == 0)
        return GBuffer();
    const std::size_t n = std::strlen(text);
    if (n > static_cast<std::size_t>(kMaxPrefix))
        throw GSimpleException(40162);
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsIDCharacter(text[i]))
            throw GSimpleException(40162);
    }
    return GBuffer(reinterpret_cast<unsigned char const*>(text), static_cast<int>(n));
}

GBuffer PIPCObjectName::Make(GBuffer const& id) {
    GBuffer name("/");
    name += GetPrefix();
    name += id;
    return name;
}

char const* PIPCObjectName::CString(GBuffer const& name) {
    return reinterpret_cast<char const*>(name.GetPtr());
}
