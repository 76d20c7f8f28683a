#pragma once
// Conversions between the standard library's strings and the framework's GBuffer and GString.
//
// Callers may rely on:
// - Byte conversions copy every byte, zero bytes included; a std::string longer than a GBuffer
//   can hold (0x7FFFFFFD bytes) throws GMemoryException.
// - Wide strings hold one element per code point. They are decoded from UTF-8 up to the first
//   zero byte; ill-formed UTF-8 (cut, overlong, a surrogate, beyond U+10FFFF) throws
//   std::range_error and gives no partial result.
#include <string>

class GBuffer;
class GEncoding;
class GString;

class GStdSupport {
public:
    static GBuffer ToGBuffer(std::string const& text);
    static std::string ToStdString(GBuffer const& bytes);
    static std::wstring ToStdWString(GBuffer const& utf8);
    // The bytes as text in encoding, which the string keeps.
    static GString ToGString(std::string const& text, GEncoding const* encoding);
    static void ToGString(std::string const& text, GEncoding const* encoding, GString& out);
    // The text converted into encoding.
    static std::string ToStdString(GString const& text, GEncoding const* encoding);
    // The string-pool text of id in UTF-8; empty when no pool has it.
    static std::string StringIDToStdString(int id);
    static std::wstring ToStdWString(GString const& text);
};
