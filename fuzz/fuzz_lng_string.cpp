// GLngString messages built from outside values (texts with any placeholders, numbers, ids that
// may have no text, nested messages) and rendered: no crash, copies are equal and hash alike,
// rendering twice gives the same text, a message whose ids all have texts renders in English
// and fails in a language without texts, and a literal of ASCII text renders as a plain reference
// substitution would.
//
// Input, read as a little program: byte 0 chooses the message's id (0: a literal, the text up to
// the next 0xFF; else an id of 1 to 7, some of which have texts); then items, one byte each
// choosing its kind: 'i' a number (next 4 bytes), 'd' an id (next byte), 'l' a nested message
// (read the same way, at most 4 deep), '+' appends another message, 'p' a path and 'm' a
// measurement (next 8 bytes, a double), anything else a string (the text up to the next 0xFF).
//
// Every message also goes through its text form: reading it back gives an equal message (when it
// holds no measurement, whose text keeps 9 digits), and the form is stable after one round. The
// raw input, read as a text form, never crashes and never reads past its end.
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GLngString.h"
#include "core/text/GString.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

constexpr int cIDs = 7;
constexpr int cFirstID = 90001;  // far from the ids the layers register

std::u16string UnitsOf(GString const& s) {
    GBuffer const units = s.GetBuffer(GUnicodeEncoding::GetInstance());
    return std::u16string(reinterpret_cast<char16_t const*>(units.GetPtr()), static_cast<std::size_t>(units.GetLength()) / 2);
}

struct Reader {
    std::uint8_t const* p;
    std::uint8_t const* end;
    bool ascii = true;       // every text read is ASCII
    bool plain = true;       // strings and numbers only, no ids, nesting or joining
    bool allHaveTexts = true;
    bool measured = false;   // holds a measurement (its text form is rounded)
    bool nan = false;        // holds a NaN measurement, never equal to itself

    bool AtEnd() const { return p >= end; }
    std::uint8_t Byte() { return AtEnd() ? 0 : *p++; }
    GString Text() {
        std::uint8_t const* from = p;
        while (p < end && *p != 0xFF)
            ++p;
        GBuffer bytes(from, static_cast<int>(p - from));
        if (p < end)
            ++p;
        for (std::uint8_t const* q = from; q < from + bytes.GetLength(); ++q)
            ascii = ascii && *q >= 0x20 && *q < 0x7F;
        return GString(bytes, GUTF8Encoding::GetInstance());
    }
    int ID() {
        int const id = Byte() % cIDs;
        if (id >= 5)  // 5 and 6 have no text
            allHaveTexts = false;
        return cFirstID + id;
    }

    GLngString Message(int depth) {
        std::uint8_t const head = Byte();
        GLngString message = head % 2 == 0 ? GLngString(Text()) : GLngString(ID());
        if (head % 2 != 0)
            plain = false;
        for (int items = 0; !AtEnd() && items < 12; ++items) {
            switch (Byte()) {
            case 'i': {
                std::uint32_t v = 0;
                for (int k = 0; k < 4; ++k)
                    v = (v << 8) | Byte();
                message.AddInt32(static_cast<int>(v));
                break;
            }
            case 'd':
                plain = false;
                message.AddStringID(ID());
                break;
            case 'l':
                plain = false;
                if (depth < 4)
                    message.AddLngString(Message(depth + 1));
                break;
            case '+':
                plain = false;
                if (depth < 4)
                    message += Message(depth + 1);
                break;
            case 'p':
                plain = false;
                message.AddPathText(Text());
                break;
            case 'm': {
                plain = false;
                measured = true;
                std::uint64_t bits = 0;
                for (int k = 0; k < 8; ++k)
                    bits = (bits << 8) | Byte();
                double value = 0;
                std::memcpy(&value, &bits, sizeof value);
                nan = nan || std::isnan(value);
                message.AddMeasurement(value);
                break;
            }
            case ')':
                return message;
            default:
                message.AddString(Text());
                break;
            }
        }
        return message;
    }
};

// The documented substitution on ASCII texts: "%1" to "%9" take parameter 1 to 9, the j-th
// replaced "%s" parameter j, other placeholders stay, inserted text is not scanned again.
std::u16string Substitute(std::u16string const& text, std::u16string const* params, int count) {
    std::u16string out;
    int nextS = 0;
    for (std::size_t i = 0; i < text.size();) {
        int k = -1;
        if (text[i] == u'%' && i + 1 < text.size()) {
            char16_t const next = text[i + 1];
            if (next >= u'1' && next <= u'9' && next - u'1' < count)
                k = next - u'1';
            else if (next == u's' && nextS < count)
                k = nextS++;
        }
        if (k < 0) {
            out += text[i++];
            continue;
        }
        out += params[k];
        i += 2;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    static bool const ready = [] {
        StartFoundation();
        char const* const texts[] = {"Plain", "%1 of %2", "%s, %s and %s", "%9%1%%s%", "%2%2%1 %x"};
        for (int i = 0; i < 5; ++i)
            GStringPool::SetString(GStringPool::GetTable(GStringPool::GetEnglish()), cFirstID + i, GString(texts[i]));
        return true;
    }();
    (void)ready;
    if (size > 4096)
        return 0;
    Reader reader{data, data + size};
    GLngString const message = reader.Message(0);

    GLngString const copy(message);
    Check((reader.nan || copy == message) && copy.GetHash() == message.GetHash());
    GLngString assigned;
    assigned = message;
    Check(reader.nan || assigned == message);
    (void)message.GetBaseStringID();

    GString form;
    // Only a message nested deeper than the reader takes is refused, and then nothing is written.
    bool const written = GLngString::ToString(message, form);
    Check(written || form.IsEmpty());
    std::unique_ptr<GLngString> const back(GLngString::FromString(form));
    if (!reader.measured && written)
        Check(*back == message);
    GString formAgain;
    GLngString::ToString(*back, formAgain);
    std::unique_ptr<GLngString> const backAgain(GLngString::FromString(formAgain));
    GString formThird;
    GLngString::ToString(*backAgain, formThird);
    Check(UnitsOf(formAgain) == UnitsOf(formThird));
    {
        GString const raw(GBuffer(data, static_cast<int>(size)), GUTF8Encoding::GetInstance());
        std::unique_ptr<GLngString> const parsed(GLngString::FromString(raw));
        GString parsedText;
        parsed->GetReadableString(parsedText);
    }

    GString english;
    bool const rendered = message.GetReadableString(GString("enUS"), english);
    if (reader.allHaveTexts)
        Check(rendered);
    GString again;
    Check(message.GetReadableString(GString("enUS"), again) == rendered);
    Check(UnitsOf(again) == UnitsOf(english));
    Check(UnitsOf(message.GetReadableString()) == UnitsOf(rendered ? english : again));

    GString other;
    bool const elsewhere = message.GetReadableString(GString("deDE"), other);
    if (message.IsTranslatable())
        Check(!elsewhere);

    if (reader.plain && reader.ascii) {
        // Re-read the same input for the reference: the literal and its strings and numbers.
        Reader second{data, data + size};
        second.Byte();
        std::u16string const literal = UnitsOf(second.Text());
        std::u16string params[12];
        int count = 0;
        for (; !second.AtEnd() && count < 12; ++count) {
            std::uint8_t const kind = second.Byte();
            if (kind == ')')
                break;
            if (kind == 'i') {
                std::uint32_t v = 0;
                for (int k = 0; k < 4; ++k)
                    v = (v << 8) | second.Byte();
                params[count] = UnitsOf(GString(static_cast<int>(v)));
            } else {
                params[count] = UnitsOf(second.Text());
            }
        }
        Check(count == message.GetItemCount());
        Check(UnitsOf(english) == (count == 0 ? literal : Substitute(literal, params, count)));
    }
    return 0;
}
