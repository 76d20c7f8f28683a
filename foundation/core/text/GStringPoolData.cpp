#include "core/text/GStringPoolData.h"

#include <atomic>
#include <cstring>

#include "core/bytes/GBuffer.h"
#include "core/bytes/GHexDigits.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GString.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolTable.h"
#include "core/text/GTextEscapes.h"

namespace {

std::atomic<GStringPoolData::TraceHook> sTraceHook{nullptr};

enum class Name { kWinAnsi, kMacRoman, kUnicode, kShiftJIS, kUTF8, kUnknown };

Name NameOf(GBuffer const& name) {
    struct Known {
        char const* text;
        Name name;
    };
    static constexpr Known kKnown[] = {
        {"WinAnsiEncoding", Name::kWinAnsi}, {"MacRomanEncoding", Name::kMacRoman},
        {"UnicodeEncoding", Name::kUnicode}, {"ShiftJISEncoding", Name::kShiftJIS},
        {"UTF8Encoding", Name::kUTF8},
        // What the UTF-8 encoding calls itself, and so what the writer puts in a header.
        {"UTF-8Encoding", Name::kUTF8},
    };
    for (Known const& known : kKnown) {
        auto const length = static_cast<int>(std::strlen(known.text));
        if (name.GetLength() == length && std::memcmp(name.GetPtr(), known.text, static_cast<size_t>(length)) == 0)
            return known.name;
    }
    return Name::kUnknown;
}

// Pairs of digits, an odd last digit completed with 0; "\t" and "\n" written as bytes in the
// digits become a tab and the platform line end.
GBuffer BytesFromHex(char const* hex) {
    GBuffer out;
    int const length = static_cast<int>(std::strlen(hex));
    auto nibble = [](char c) {
        unsigned char const v = GHexDigits::Classify(static_cast<unsigned char>(c));
        return static_cast<unsigned char>(v < 16 ? v : 15);
    };
    unsigned char previous = 0;
    for (int i = 0; i < length; i += 2) {
        unsigned char const low = i + 1 < length ? nibble(hex[i + 1]) : 0;
        auto const byte = static_cast<unsigned char>(nibble(hex[i]) << 4 | low);
        if (i > 0 && previous == '\\' && (byte == 't' || byte == 'n')) {
            out.SetLength(out.GetLength() - 1);
            out += byte == 't' ? static_cast<unsigned char>('\t') : static_cast<unsigned char>('\r');
        } else {
            out += byte;
        }
        previous = byte;
    }
    return out;
}

bool IsASCII(GBuffer const& bytes) {
    for (int i = 0; i < bytes.GetLength(); ++i) {
        if (bytes.GetPtr()[i] >= 0x80)
            return false;
    }
    return true;
}

// Text of bytes in encoding; when the named encoding is not set up yet (a layer registering
// before the encodings start), ASCII rows are still read as ASCII, which every name agrees on
// except UTF-16.
bool Decode(GBuffer const& bytes, GEncoding* encoding, Name name, GString& out) {
    if (encoding != nullptr) {
        out = GString(bytes, encoding);
        return true;
    }
    if (name == Name::kUnicode || !IsASCII(bytes))
        return false;
    GBuffer terminated(bytes);
    terminated += static_cast<unsigned char>(0);
    out = GString(reinterpret_cast<char const*>(terminated.GetPtr()));
    return true;
}

}  // namespace

void GStringPoolData::AddStringPoolData(GBuffer const& language, char const* encodingName,
                                        GStringPoolDataStruct const* rows, int count, bool hex) {
    GBuffer const nameBytes(encodingName);
    Name const known = NameOf(nameBytes);
    if (known == Name::kUnknown) {
        Trace(GString("String pool registration skipped: unknown encoding name"));
        return;
    }
    GEncoding* const encoding = GetEncoding(nameBytes);
    GString languageName;
    if (!Decode(language, encoding, known, languageName)) {
        Trace(GString("String pool registration skipped: the encoding of the language name is not set up"));
        return;
    }
    GStringPoolTable* const table = GStringPool::GetTable(languageName);
    if (count < 1 || rows == nullptr)
        return;
    int lastID = -1;
    for (int i = 0; i < count; ++i) {
        int const id = rows[i].id == -1 ? lastID + 1 : rows[i].id;
        lastID = id;
        GBuffer bytes;
        if (hex) {
            bytes = BytesFromHex(rows[i].text != nullptr ? rows[i].text : "");
        } else {
            if (rows[i].text != nullptr)
                bytes.SetFromStatic(rows[i].text);
            GTextEscapes::ASCIIPlatformLineEndings(bytes);
        }
        GString text;
        if (!Decode(bytes, encoding, known, text)) {
            Trace(GString("String pool registration: a row could not be decoded; id ") += GString(id));
            continue;
        }
        GStringPool::SetDefaultString(table, id, text, encoding);
    }
}

void GStringPoolData::AddEnglishTexts(GStringPoolDataStruct const* rows, int count) {
    AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", rows, count, false);
}

GEncoding* GStringPoolData::GetEncoding(GBuffer const& name) {
    switch (NameOf(name)) {
    case Name::kWinAnsi:
        return GWinAnsiEncoding::GetInstance();
    case Name::kMacRoman:
        return GMacRomanEncoding::GetInstance();
    case Name::kUnicode:
        return GUnicodeEncoding::GetInstance();
    case Name::kShiftJIS:
        return GShiftJISEncoding::GetInstance();
    case Name::kUTF8:
        return GUTF8Encoding::GetInstance();
    case Name::kUnknown:
        break;
    }
    return nullptr;
}

bool GStringPoolData::IsKnownEncodingName(GBuffer const& name) { return NameOf(name) != Name::kUnknown; }

void GStringPoolData::SetTraceHook(TraceHook hook) { sTraceHook.store(hook); }

void GStringPoolData::Trace(GString const& message) {
    if (TraceHook const hook = sTraceHook.load())
        hook(message);
}
