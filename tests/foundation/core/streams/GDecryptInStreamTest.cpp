#include <gtest/gtest.h>

#include <string>

#include "core/streams/GDecryptInStream.h"
#include "core/streams/GEncryptOutStream.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/support/GStreamSupport.h"
#include "support/TestStreams.h"

namespace {

std::string AllByteValues(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + 3) % 256);  // every value within 256 bytes, not in order
    return s;
}

} // namespace

TEST(GDecryptInStream, UndoesTheScrambleForEveryLength) {
    for (std::size_t length = 0; length <= 600; ++length) {
        SCOPED_TRACE(length);
        std::string const plain = AllByteValues(length);
        GBuffer scrambled;
        {
            GEncryptOutStream out(new GMemoryOutStream(scrambled));
            // In two writes, so that a write boundary falls inside the text.
            ASSERT_EQ(out.Write(TestBuffer(plain.substr(0, length / 3))), static_cast<int>(length / 3));
            out.Write(TestBuffer(plain.substr(length / 3)));
        }
        ASSERT_EQ(scrambled.GetLength(), static_cast<int>(length));

        // Read back in pieces of 1..7 bytes.
        GDecryptInStream in(new PiecewiseInStream(TestText(scrambled)));
        std::string got;
        GBuffer chunk;
        while (in.Read(chunk, 50) > 0)
            got += TestText(chunk);
        EXPECT_EQ(got, plain);
    }
}

TEST(GDecryptInStream, PassesTheInnerResultOn) {
    PiecewiseInStream inner("\xFF\xC0", PiecewiseInStream::Whole());
    GDecryptInStream in(inner);
    GBuffer out("stale");
    EXPECT_EQ(in.Read(out, 0), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(in.Read(out, 5), 2);
    EXPECT_EQ(TestText(out), std::string("\x00\x41", 2));
    EXPECT_EQ(in.Read(out, 5), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(in.CreateClone(), nullptr);
}

// Measuring the length resets the stream; with a Reset that did nothing the content was then lost.
TEST(GDecryptInStream, ResetStartsTheInnerStreamOver) {
    GBuffer scrambled;
    {
        GEncryptOutStream out(new GMemoryOutStream(scrambled));
        out.Write(GBuffer("password"));
    }
    GMemoryInStream inner(scrambled);
    GDecryptInStream in(inner);
    EXPECT_EQ(GStreamSupport::GetStreamLength(in), 8);
    GBuffer content;
    EXPECT_EQ(GStreamSupport::GetContent(in, content), 8);
    EXPECT_EQ(TestText(content), "password");
    EXPECT_EQ(in.Skip(3), 3);
    in.Reset();
    EXPECT_EQ(GStreamSupport::GetStreamLength(in), 8);
}

TEST(GDecryptInStream, OwnsAnInnerStreamGivenByPointerOnly) {
    bool destroyed = false;
    PiecewiseInStream borrowed("abc");
    borrowed.ReportDestructionTo(&destroyed);
    { GDecryptInStream in(borrowed); }
    EXPECT_FALSE(destroyed);

    auto* owned = new PiecewiseInStream("abc");
    owned->ReportDestructionTo(&destroyed);
    { GDecryptInStream in(owned); }
    EXPECT_TRUE(destroyed);

    GDecryptInStream none(static_cast<GInStream*>(nullptr));
    GBuffer out;
    EXPECT_EQ(none.Read(out, 3), -1);
    none.Reset();
}
