#include "mac/system/PUNIXSystemException.h"

#include <cstring>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"

namespace {

// strerror_r comes in two forms; each overload takes one of their results.
[[maybe_unused]] const char* Message(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* Message(const char* result, const char*) { return result; }

GString Describe(int error) {
    char buffer[256] = {};
    const char* message = Message(strerror_r(error, buffer, sizeof buffer), buffer);
    if (message != nullptr && *message != '\0') {
        GBuffer units;
        const int length = static_cast<int>(std::strlen(message));
        if (GUTF8Encoding::DecodeUTF8(reinterpret_cast<const unsigned char*>(message), length, units) != GEncoding::kConvertFailed)
            return GString(reinterpret_cast<const char16_t*>(units.GetPtr()));
    }
    return GString("UNIX error ") + GString(error);
}

}  // namespace

PUNIXSystemException::PUNIXSystemException(int error) : GCustomException(kID, Describe(error)), mErrno(error) {}

PUNIXSystemException::~PUNIXSystemException() = default;
