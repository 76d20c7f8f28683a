// Many threads reading one buffer or one string that nobody changes: every read must be a plain
// read (the ThreadSanitizer build, scripts/test --tsan, reports any write among them).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GString.h"
#include "support/FoundationStartup.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 300;

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

// Runs body(thread, round) on kThreads threads started together; counts the failed checks.
template <class Body>
int RunTogether(Body body) {
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < kThreads)
                std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round)
                if (!body(t, round))
                    failures.fetch_add(1);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    return failures.load();
}

} // namespace

TEST(GBufferThreads, SharedConstBuffersAreReadWithoutWrites) {
    static char const kLiteral[] = "a borrowed static text";
    GBuffer owned("shared owned bytes, searched and hashed by every thread");
    owned.SetLength(owned.GetLength() - 7);  // shortened: its terminators were rewritten
    GBuffer borrowed;
    borrowed.SetFromStatic(kLiteral);
    GBuffer const format("%.3f units");
    GBuffer const& sharedOwned = owned;
    GBuffer const& sharedBorrowed = borrowed;
    std::string const ownedText = Text(owned);
    std::uint32_t const hash = owned.GetHash();

    int failures = RunTogether([&](int t, int round) {
        bool ok = true;
        unsigned char const* p = sharedOwned.GetPtr();
        ok &= p[sharedOwned.GetLength()] == 0 && p[sharedOwned.GetLength() + 1] == 0;
        ok &= sharedBorrowed.GetPtr() == reinterpret_cast<unsigned char const*>(kLiteral);
        ok &= Text(sharedOwned) == ownedText && sharedOwned.GetHash() == hash;
        ok &= sharedOwned.FindSubBuffer(GBuffer("hashed")) == 33;
        GBuffer copy(sharedOwned);
        copy += static_cast<unsigned char>('0' + t);
        ok &= copy.GetLength() == sharedOwned.GetLength() + 1;
        GBuffer shared(sharedBorrowed);  // shares the lender's bytes
        ok &= shared == sharedBorrowed && !shared.IsOwned();
        ok &= sharedOwned.GetSubBuffer(0, 6) == GBuffer("shared");
        GBuffer number;
        number.Set(round + 0.25, format);
        ok &= Text(number) == std::to_string(round) + ".250 units";
        return ok;
    });
    EXPECT_EQ(failures, 0);
}

// The text conversions read their source through GetPtr: a string in its final (UTF-16) form and
// byte text in another encoding, each shared by every thread.
TEST(GBufferThreads, SharedConstStringsConvertWithoutWrites) {
    StartFoundation();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GEncoding const* utf8 = GUTF8Encoding::GetInstance();
    GEncoding const* ascii = GASCIIEncoding::GetInstance();
    GEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GEncoding const* standard = GStandardEncoding::GetInstance();
    ASSERT_NE(macRoman, nullptr);
    ASSERT_NE(winAnsi, nullptr);
    ASSERT_NE(standard, nullptr);

    GString const text(GString("Caf\xc3\xa9 cr\xc3\xa8me, na\xc3\xafve \xe2\x80\x94 fin", utf8).GetBuffer(unicode), unicode);
    ASSERT_EQ(text.GetEncoding().Get(), unicode);
    GBuffer const expectedUTF8 = text.GetBuffer(utf8);
    GBuffer const expectedMacRoman = text.GetBuffer(macRoman);
    GBuffer const expectedWinAnsi = text.GetBuffer(winAnsi);
    GBuffer const expectedASCII = text.GetBuffer(ascii);
    // Standard-encoding bytes (0xE8 is a glyph UTF-16 has no single code for in MacRoman's way):
    // reach MacRoman through UTF-16 or the glyph names.
    GBuffer const standardBytes(reinterpret_cast<unsigned char const*>("fi\xae x\xe8y \xa7"), 9);
    GBuffer expectedFromStandard;
    macRoman->ConvertFrom(standardBytes, standard, expectedFromStandard);

    int failures = RunTogether([&](int, int) {
        bool ok = true;
        ok &= text.GetBuffer(utf8) == expectedUTF8;
        ok &= text.GetBuffer(macRoman) == expectedMacRoman;
        ok &= text.GetBuffer(winAnsi) == expectedWinAnsi;
        ok &= text.GetBuffer(ascii) == expectedASCII;
        ok &= text.GetBuffer(unicode).GetLength() == text.GetBuffer(unicode).GetLength();
        GBuffer out;
        macRoman->ConvertFrom(standardBytes, standard, out);
        ok &= out == expectedFromStandard;
        GBuffer units;
        utf8->ConvertTo(expectedUTF8, unicode, units);
        ok &= GString(units, unicode) == text;
        return ok;
    });
    EXPECT_EQ(failures, 0);
}
