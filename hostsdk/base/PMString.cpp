#include "hostsdk/base/PMString.h"

#include <QString>

namespace {

std::u16string FromUTF8(const char* bytes, int size) {
    const QString text = QString::fromUtf8(bytes, size);
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

}  // namespace

PMString::PMString(const char* utf8) {
    if (utf8 != nullptr)
        mUnits = FromUTF8(utf8, -1);
}

PMString::PMString(const std::string& utf8) : mUnits(FromUTF8(utf8.data(), static_cast<int>(utf8.size()))) {}

std::string PMString::GetUTF8String() const {
    const QByteArray bytes =
        QString::fromUtf16(mUnits.data(), static_cast<int>(mUnits.size())).toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
