// GString conversions between any two encodings, chosen by the first input bytes, and the text
// operations on what comes out: no crash, valid statuses, equal strings hash alike, case mapping
// keeps the length, and a clean conversion to UTF-16 or UTF-8 gives back an equal string.
//
// Input: byte 0 picks the source encoding, byte 1 the target (modulo 11: ASCII, UTF-16, UTF-8,
// MacRoman, WinAnsi, PDFDoc, Standard, MacExpert, the platform encoding, Shift-JIS and the
// simplified Chinese one), byte 2 holds flags (bit 0: keepEncoding); the
// rest is the text.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "support/FuzzEncodings.h"
#include "support/FuzzInput.h"

namespace {

bool IsStatus(int32_t status) { return status > 0 && (status & ~7) == 0; }

int UnitCount(GString const& s) { return s.GetBuffer(GUnicodeEncoding::GetInstance()).GetLength() / 2; }

void CheckEqualHashAlike(GString const& a, GString const& b) {
    if (a == b)
        Check(a.GetHash() == b.GetHash() && b == a && !(a < b) && !(b < a));
}

void CheckCaseKeepsLength(GString const& s) {
    GString lower(s);
    lower.ToLower();
    GString upper(s);
    upper.ToUpper();
    GString unicode(s);
    unicode.EnsureUnicode();
    const int units = unicode.GetEncodedBuffer().GetLength();
    Check(lower.GetEncodedBuffer().GetLength() == units && upper.GetEncodedBuffer().GetLength() == units);
    CheckEqualHashAlike(lower, upper);
}

void CheckPositions(GString const& s, unsigned pick) {
    const int n = UnitCount(s);
    GString copy(s);
    const int pos = n == 0 ? 0 : static_cast<int>(pick % static_cast<unsigned>(n));
    GString tail = copy.GetSubstring(pos, -1);
    GString raw;
    copy.GetSubstring(raw, pos, 3);
    const int at = copy.Find(raw, 0);
    Check(at >= -1 && at <= pos);
    GString joined = copy.GetSubstring(0, pos) + tail;
    CheckEqualHashAlike(joined, copy);
    copy.Replace(0, raw, tail);
    copy.Remove(pos, static_cast<int>(pick % 5));
    copy.Insert(pos, s);
    (void)copy.FindFirstNot(static_cast<unsigned short>(pick), pos);
}

void CheckSubstitution(GString const& s, GString const& param) {
    GString filled(s);
    filled.SubstituteParams(param, s);
    Check(filled.GetNumSubstitutes() >= 0);
    (void)s.GetInt32();
    (void)s.GetReal();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::vector<GEncoding const*> const& encodings = FuzzEncodings();
    if (size < 3 || size > 1 << 14)
        return 0;
    GEncoding const* source = encodings[data[0] % encodings.size()];
    GEncoding const* target = encodings[data[1] % encodings.size()];
    const bool keepEncoding = (data[2] & 1) != 0;
    const GBuffer bytes(data + 3, static_cast<int>(size - 3));

    GString s(bytes, source, keepEncoding);
    Check(s == s && s.GetHash() == GString(s).GetHash());
    Check(GString::AreCompatible(bytes, source) || source != GUnicodeEncoding::GetInstance());

    GBuffer out;
    const int32_t status = s.GetBuffer(out, target);
    Check(IsStatus(status));
    GString converted(out, target, true);
    CheckEqualHashAlike(s, converted);
    // Only a kept encoding leaves U(s) composed; an odd last byte is text that no conversion sees.
    const bool comparable = keepEncoding && (source != GUnicodeEncoding::GetInstance() || bytes.GetLength() % 2 == 0);
    if (status == GEncoding::kConvertOK && comparable &&
        (target == GUnicodeEncoding::GetInstance() || target == GUTF8Encoding::GetInstance()))
        Check(converted == s);

    CheckCaseKeepsLength(s);
    CheckPositions(s, size > 3 ? data[3] : 0u);
    CheckSubstitution(s, converted);
    GString sum = s + converted;
    Check(UnitCount(sum) >= 0);
    return 0;
}
