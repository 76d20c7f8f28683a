#include "plugin-host/export/GIDCSConvertMethods.h"

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"

void GIDCSConvertMethods::ConvertToGString(PMString const& in, GString& out) {
    std::u16string const& units = in.UTF16();
    GBuffer const bytes(reinterpret_cast<unsigned char const*>(units.data()),
                        static_cast<int>(units.size() * sizeof(char16_t)));
    out = GString(bytes, GUnicodeEncoding::GetInstance());
}

void GIDCSConvertMethods::ConvertToPMString(GString const& in, PMString& out) {
    GBuffer const bytes = in.GetBuffer(GUTF8Encoding::GetInstance());
    out = PMString(std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength())));
    out.SetTranslatable(false);
}

IDFile GIDCSConvertMethods::ConvertToIDFile(GPathName const& path) {
    PMString text;
    ConvertToPMString(path.GetNativePathString(), text);
    return IDFile(text);
}
