#pragma once
// GHexDecode: an input filter that reads hex digits from an inner stream and delivers the bytes
// they stand for. White space (backspace, TAB, LF, vertical tab, CR, blank) is skipped, digits
// of either case are accepted, ">" ends the data.
//
// Callers may rely on:
// - Read's count is the number of bytes wanted. The filter never reads past what that count
//   needs, so it keeps no text between calls.
// - An odd last digit is completed with 0, whether the text ends with ">" or just ends.
// - A character that is none of the above throws GSimpleException 2452; the bytes decoded before
//   it are left in Read's out. Text after ">" is never read.
// - CreateClone returns null when the inner stream cannot be cloned.
// - Built from a reference, the inner stream is borrowed; built from a pointer, it is owned and
//   deleted with the filter. A null inner stream reads as empty.
#include "core/streams/GInStream.h"

class GBuffer;

class GHexDecode : public GInStream {
public:
    explicit GHexDecode(GInStream& inner);
    explicit GHexDecode(GInStream* inner);
    GHexDecode(GHexDecode const&) = delete;
    ~GHexDecode() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    void Reset() override;

    static bool IsValidByte(unsigned char c);
    // A character that is not a hex digit counts as 0.
    static unsigned char DecodeBytes(unsigned char high, unsigned char low);

    // Appends the bytes of text to out. pending carries a high digit's value between calls (-1:
    // none). Returns true when ">" was met: a pending digit is then completed with 0 and the rest
    // of the text is ignored. Throws GSimpleException 2452 on an invalid character, out then
    // holding the bytes decoded before it.
    static bool DecodeText(unsigned char const* text, int n, GBuffer& out, int& pending);

private:
    GInStream* mInner;
    bool mOwnsInner;
    bool mEnded = false;
};
