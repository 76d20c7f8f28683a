#include "mac/PUNIXNativePath.h"

#include <cstring>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"

namespace {

GEncoding const* UTF8() { return GEncodingFallback::Get<GUTF8Encoding>(); }

}  // namespace

bool PUNIXNativePath::GetBytes(GString const& path, std::string& out) {
    out.clear();
    GEncoding const* encoding = path.GetEncoding().Get();
    if (encoding == nullptr)
        return true;
    GBuffer converted;
    GBuffer const* bytes = &path.GetEncodedBuffer();
    if (encoding != UTF8()) {
        if (path.GetBuffer(converted, UTF8()) == GEncoding::kConvertFailed)
            return false;
        bytes = &converted;
    }
    const int length = bytes->GetLength();
    if (length == 0)
        return true;
    char const* data = reinterpret_cast<char const*>(bytes->GetPtr());
    if (std::memchr(data, 0, static_cast<std::size_t>(length)) != nullptr)
        return false;
    out.assign(data, static_cast<std::size_t>(length));
    return true;
}

GString PUNIXNativePath::FromBytes(char const* bytes, std::size_t n) {
    return GString(reinterpret_cast<unsigned char const*>(bytes), static_cast<int>(n), UTF8(), true);
}

bool PUNIXNativePath::IsDecodable(char const* bytes, std::size_t n) {
    std::size_t i = 0;
    while (i < n && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    if (i == n)
        return true;
    GBuffer units;
    return GUTF8Encoding::DecodeUTF8(reinterpret_cast<unsigned char const*>(bytes), static_cast<int>(n), units) !=
           GEncoding::kConvertFailed;
}

bool PUNIXNativePath::IsHiddenLeaf(std::string const& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::size_t slash = path.rfind('/', end - 1);
    const std::size_t leaf = slash == std::string::npos ? 0 : slash + 1;
    return leaf < end && path[leaf] == '.';
}
