// Scrambled secrets as stored: DeScramble of any stored text, and GDecryptInStream over any bytes
// read in any pieces. No crash; DeScramble gives either nothing or a text that scrambles back to
// the same form, and the stream undoes the byte scramble one for one.
//
// Input: byte 0 picks the operation (modulo 3: DeScramble of the rest as UTF-8, DeScramble of
// the rest as Mac Roman, the stream); for the stream, byte 1 seeds the sizes of the reads.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/bytes/GByteScramble.h"
#include "core/streams/GDecryptInStream.h"
#include "core/streams/GEncryptOutStream.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "support/FuzzInput.h"

namespace {

std::string UnitsOf(GString const& s) { return Text(s.GetBuffer(GUnicodeEncoding::GetInstance())); }

void DeScrambleText(GString const& stored) {
    GString const secret = GStringSupport::DeScramble(stored);
    if (UnitsOf(secret).empty())
        return;
    // A text that reads back scrambles to a form that reads back to it again.
    GString const again = GStringSupport::Scramble(secret);
    Check(UnitsOf(GStringSupport::DeScramble(again)) == UnitsOf(secret));
    GString const scrambled = GStringSupport::Scramble(stored);
    Check(UnitsOf(GStringSupport::DeScramble(scrambled)) == UnitsOf(stored));
}

void DecryptStream(GBuffer const& bytes, unsigned seed) {
    std::string expected = Text(bytes);
    for (char& c : expected)
        c = static_cast<char>(GByteScramble::DeScramble(static_cast<unsigned char>(c)));
    GMemoryInStream source(bytes);
    GDecryptInStream decrypt(source);
    for (int round = 0; round < 2; ++round) {
        std::string got;
        GBuffer piece;
        for (int i = 0;; ++i) {
            int const count = 1 + static_cast<int>((seed * 7u + static_cast<unsigned>(i) * 13u) % 64u);
            int const read = decrypt.Read(piece, count);
            if (read == -1) {
                Check(piece.IsEmpty());
                break;
            }
            Check(read >= 1 && read <= count && read == piece.GetLength());
            got += Text(piece);
            Check(got.size() <= expected.size());
        }
        Check(got == expected);
        decrypt.Reset();
    }
    // The writer's scramble reads back.
    GBuffer written;
    {
        GMemoryOutStream sink(written);
        GEncryptOutStream encrypt(sink);
        encrypt.Write(bytes);
    }
    GMemoryInStream again(written);
    GDecryptInStream back(again);
    std::string all;
    for (GBuffer piece; back.Read(piece, 4096) > 0;)
        all += Text(piece);
    Check(all == Text(bytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 2, 1 << 14))
        return 0;
    GBuffer const rest(data + 2, static_cast<int>(size - 2));
    switch (data[0] % 3) {
    case 0:
        DeScrambleText(GString(GBuffer(data + 1, static_cast<int>(size - 1)), GUTF8Encoding::GetInstance()));
        break;
    case 1:
        DeScrambleText(GString(GBuffer(data + 1, static_cast<int>(size - 1)), GMacRomanEncoding::GetInstance()));
        break;
    default:
        DecryptStream(rest, data[1]);
        break;
    }
    return 0;
}
