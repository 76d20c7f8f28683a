#include "services/strings/GStringFileReaderBase.h"

#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/text/GStringPoolData.h"
#include "services/files/GFileInStream.h"

namespace {

constexpr int cFileBufferSize = 524288;

// The UTF-16 units of a token.
GBuffer UnitsOf(GString const& text) {
    text.EnsureUnicode();
    return text.GetEncodedBuffer();
}

uint16_t UnitAt(GBuffer const& units, int i) {
    uint16_t unit = 0;
    __builtin_memcpy(&unit, units.GetPtr() + 2 * i, 2);
    return unit;
}

bool Is(GString const& token, char const* ascii) { return token == GString(ascii); }

// At least two units, the first ones equal to prefix.
bool StartsWith(GString const& token, char const* prefix) {
    GBuffer const units = UnitsOf(token);
    int const count = units.GetLength() / 2;
    if (count < 2)
        return false;
    for (int i = 0; prefix[i] != 0; ++i) {
        if (i >= count || UnitAt(units, i) != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

// The C atoi rule (leading sign and digits), held within 32 bits instead of overflowing.
int LeadingNumber(GString const& token) {
    GBuffer const units = UnitsOf(token);
    int const count = units.GetLength() / 2;
    int i = 0;
    bool negative = false;
    if (i < count && (UnitAt(units, i) == '-' || UnitAt(units, i) == '+'))
        negative = UnitAt(units, i++) == '-';
    int64_t value = 0;
    for (; i < count; ++i) {
        uint16_t const unit = UnitAt(units, i);
        if (unit < '0' || unit > '9')
            break;
        value = value * 10 + (unit - '0');
        if (value > int64_t{INT32_MAX} + 1)
            value = int64_t{INT32_MAX} + 1;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int>(value);
}

// The token's bytes when it is ASCII; an empty buffer otherwise (no encoding has such a name).
GBuffer ASCIIOf(GString const& token) {
    GBuffer const units = UnitsOf(token);
    GBuffer out;
    for (int i = 0; i < units.GetLength() / 2; ++i) {
        uint16_t const unit = UnitAt(units, i);
        if (unit == 0 || unit >= 0x80)
            return GBuffer();
        out += static_cast<unsigned char>(unit);
    }
    return out;
}

void SkipRestOfLine(GBin2TextStream& in) {
    GString rest;
    in.ReadLine(rest);
}

}  // namespace

char const* const GStringFileReaderBase::cPlatformSymbol = "EA_OS_MACOSX";

GStringFileReaderBase::GStringFileReaderBase(GPathName const& path) : mPath(path) {}

GStringFileReaderBase::~GStringFileReaderBase() = default;

void GStringFileReaderBase::InitializeDefines() {
    mDefines.Resize(0);
    mDefines.AddItem(GString(cPlatformSymbol));
}

GString GStringFileReaderBase::CorrectedLanguage(GString const& token) {
    static constexpr struct {
        char const* written;
        char const* code;
    } kNames[] = {
        {"English", "enUS"}, {"French", "frFR"}, {"German", "deDE"}, {"Spanish", "esES"}, {"\"Neutral\"", "Neutral"},
    };
    for (auto const& name : kNames) {
        if (Is(token, name.written))
            return GString(name.code);
    }
    return token;
}

void GStringFileReaderBase::CorrectLanguage() { mLanguage = CorrectedLanguage(mLanguage); }

bool GStringFileReaderBase::ProcessSpecialToken(GString const& /*token*/, GBin2TextStream& /*in*/) { return false; }

bool GStringFileReaderBase::ProcessPragmas(GString const& /*token*/, GBin2TextStream& /*in*/) { return false; }

bool GStringFileReaderBase::ProcessDefines(GString const& /*token*/, GBin2TextStream& /*in*/) { return false; }

void GStringFileReaderBase::ParseStringFile() {
    InitializeParser();
    InitializeDefines();
    GFileInStream file(mPath);
    GBufferedInStreamDecorator buffered(file, cFileBufferSize);
    GBin2TextStream in(buffered, nullptr);
    GString token;
    while (in.ReadString(token)) {
        if (!Is(token, "StringTable"))
            continue;
        if (!ParseHeader(in) || !ParseTable(in))
            break;
    }
    FinalizeParser();
}

bool GStringFileReaderBase::ParseHeader(GBin2TextStream& in) {
    GString encodingName;
    mEncoding = nullptr;
    mStoring = false;
    if (!in.ReadString(mLanguage) || !in.ReadString(encodingName))
        return false;
    CorrectLanguage();
    mEncoding = GStringPoolData::GetEncoding(ASCIIOf(encodingName));
    if (mEncoding == nullptr) {
        // Its texts cannot be decoded as the file means them: read past the table, keep nothing.
        GString message("String file table skipped, unknown encoding: ");
        message += encodingName;
        message += GString(" in ");
        message += mPath.GetCrossPlatformString();
        GStringPoolData::Trace(message);
    } else {
        in.SetEncoding(mEncoding);
        mStoring = true;
    }
    SkipRestOfLine(in);
    if (mStoring)
        HeaderParsed();
    return true;
}

bool GStringFileReaderBase::ParseTable(GBin2TextStream& in) {
    int lastID = 0;
    GString token;
    while (in.ReadString(token)) {
        if (Is(token, "String")) {
            if (!ParseEntry(in, lastID))
                return false;
        } else if (StartsWith(token, "#")) {
            bool tableGoesOn = false;
            if (!ParseConditional(token, in, tableGoesOn))
                return false;
            if (!tableGoesOn)
                return true;
        } else if (StartsWith(token, "/*")) {
            if (!SkipBlockComment(in))
                return false;
        } else if (StartsWith(token, "//")) {
            SkipRestOfLine(in);
        } else if (!ProcessSpecialToken(token, in)) {
            return true;
        }
    }
    return false;
}

bool GStringFileReaderBase::ParseEntry(GBin2TextStream& in, int& lastID) {
    GString idToken;
    if (!in.ReadString(idToken))
        return false;
    int id = 0;
    if (Is(idToken, "Next,"))
        id = lastID == INT32_MAX ? INT32_MAX : lastID + 1;
    else
        id = LeadingNumber(idToken);
    lastID = id;

    GString text;
    GString piece;
    in.SkipWhitespace(false);
    if (in.ReadQuotedString(piece)) {
        text = piece;
        // The rest of each line after its closing quote is ignored; a line that starts with a
        // quote continues the text.
        while (in.ReadLine(piece)) {
            in.SkipWhitespace(false);
            if (!in.ReadQuotedString(piece)) {
                if (!piece.IsEmpty())
                    text += piece;  // cut short by the end of the file
                break;
            }
            text += piece;
        }
    } else if (!piece.IsEmpty()) {
        text = piece;  // a quoted string cut short by the end of the file
    }
    if (mStoring)
        AddString(id, text);
    return true;
}

bool GStringFileReaderBase::ParseConditional(GString const& token, GBin2TextStream& in, bool& tableGoesOn) {
    tableGoesOn = true;
    bool const ifdef = Is(token, "#ifdef");
    if (ifdef || Is(token, "#ifndef")) {
        GString symbol;
        if (!in.ReadString(symbol))
            return false;
        SkipRestOfLine(in);
        if (IsDefined(symbol) == ifdef)
            return true;
        return SkipTillEndIf(in);
    }
    if (Is(token, "#endif")) {
        SkipRestOfLine(in);
        return true;
    }
    tableGoesOn = ProcessPragmas(token, in);
    return true;
}

bool GStringFileReaderBase::SkipTillEndIf(GBin2TextStream& in) {
    int depth = 1;
    GString token;
    while (depth > 0) {
        in.SkipWhitespace(true);
        if (!in.ReadString(token))
            return false;
        if (Is(token, "#ifdef") || Is(token, "#ifndef"))
            ++depth;
        else if (Is(token, "#endif"))
            --depth;
        SkipRestOfLine(in);
    }
    return true;
}

bool GStringFileReaderBase::SkipBlockComment(GBin2TextStream& in) {
    GString token;
    GString const close("*/");
    while (in.ReadString(token)) {
        int const at = token.Find(close);
        if (at < 0)
            continue;
        GString const rest = token.GetSubstring(at + 2);
        if (!rest.IsEmpty()) {
            // Read again as the start of the next token.
            GBuffer const bytes = rest.GetBuffer(in.GetEncoding());
            in.Unread(bytes.GetLength());
        }
        return true;
    }
    return false;
}

bool GStringFileReaderBase::IsDefined(GString const& symbol) const { return mDefines.FindItem(symbol) >= 0; }
