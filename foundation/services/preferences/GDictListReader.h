#pragma once
// GDictListReader: reads a list of named dictionary blocks between a begin and an end phrase
// into a dictionary of dictionaries (the preference text format).
//
// Callers may rely on:
// - ReadDict empties the target first. A later group of the same name replaces an earlier one.
// - The result is false when the text does not start with the begin phrase, or when a word
//   other than the end phrase stands where a group name should. A group whose block is malformed
//   is dropped and reading stops with a true result, the groups before it kept.
// - WasComplete tells whether everything was read as it stood: the begin phrase, every block,
//   every quoted name closed, the end phrase reached and nothing but white space after it, no
//   text invalid in the encoding. A caller
//   that will write the groups back uses it to keep the original (see GPrefFileIO).
// - A missing file empties the target and reads as true and complete. Exceptions of the file
//   layer pass through.
#include <type_traits>

#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GContainerText.h"
#include "core/streams/GInStream.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/streams/GUnicodeTextScanner.h"
#include "core/text/GString.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "services/filesystem/GFileSystem.h"
#include "services/files/GFileInStream.h"
#include "services/paths/GPathName.h"

template <class G, class K, class V>
class GDictListReader {
public:
    using Target = GDict<G, GDict<K, V>>;

    GDictListReader(Target& target, GString const& beginPhrase, GString const& endPhrase)
        : mTarget(&target), mBeginPhrase(beginPhrase), mEndPhrase(endPhrase) {}
    GDictListReader(GDictListReader const&) = delete;
    GDictListReader& operator=(GDictListReader const&) = delete;
    virtual ~GDictListReader() = default;

    virtual void TransformKey(GString const& name, G& key) const;
    virtual bool ValidBeginPhrase(GString const& word) const { return word == mBeginPhrase; }
    virtual bool ValidEndPhrase(GString const& word) const { return word == mEndPhrase; }

    // A null encoding detects UTF-16 and UTF-8 by their marks, else reads the platform encoding.
    bool ReadDict(GInStream& in, GEncoding const* encoding);
    bool ReadDict(GPathName const& file, GEncoding const* encoding);

    bool WasComplete() const { return mComplete; }

private:
    // Over a GBin2TextStream, or a GUnicodeTextScanner where it reads the bytes.
    template <class Reader>
    bool ReadList(Reader& text);
    // Whether the next character is a double quote; nothing is consumed.
    template <class Reader>
    static bool NextIsQuote(Reader& text);

    Target* mTarget;
    GString mBeginPhrase;
    GString mEndPhrase;
    bool mComplete = true;
};

template <class G, class K, class V>
void GDictListReader<G, K, V>::TransformKey(GString const& name, G& key) const {
    if constexpr (std::is_same<G, GBuffer>::value)
        name.GetBuffer(key, GEncodingFallback::Get<GASCIIEncoding>());
    else
        key = name;
}

template <class G, class K, class V>
bool GDictListReader<G, K, V>::ReadDict(GPathName const& file, GEncoding const* encoding) {
    mTarget->RemoveAll();
    mComplete = true;
    if (!GFileSystem::FileExists(file))
        return true;
    GFileInStream in(file);
    return ReadDict(in, encoding);
}

template <class G, class K, class V>
bool GDictListReader<G, K, V>::ReadDict(GInStream& in, GEncoding const* encoding) {
    mTarget->RemoveAll();
    mComplete = false;
    // Refills of the scanner's block size: few reads, and buffers small enough to be reused.
    GBufferedInStreamDecorator buffered(in, 1 << 13);
    if (GUnicodeTextScanner::Reads(buffered, encoding)) {
        GUnicodeTextScanner text(buffered);
        return ReadList(text);
    }
    GBin2TextStream text(buffered, encoding);
    const bool result = ReadList(text);
    if (text.GetLossyTextCount() != 0)
        mComplete = false;
    return result;
}

template <class G, class K, class V>
template <class Reader>
bool GDictListReader<G, K, V>::NextIsQuote(Reader& text) {
    GString next;
    const int units = text.Read(1, next);
    if (units <= 0)
        return false;
    text.Unread(units * text.GetUnitSize());
    return units == 1 && next == GString("\"");
}

template <class G, class K, class V>
template <class Reader>
bool GDictListReader<G, K, V>::ReadList(Reader& text) {
    GString word;
    if (!text.ReadString(word) || !ValidBeginPhrase(word))
        return false;
    GString name;
    G key;
    for (;;) {
        text.SkipWhitespace(true);
        if (!NextIsQuote(text)) {
            if (!text.ReadString(word))
                return true;  // the text ends without its end phrase: what stood there is read
            if (!ValidEndPhrase(word))
                return false;
            // Text after the end would not survive a rewrite: only white space may follow.
            text.SkipWhitespace(true);
            GBuffer rest;
            mComplete = text.Read(rest, 1) <= 0;
            return true;
        }
        if (!text.ReadQuotedString(name))
            return true;  // a name without its closing quote
        TransformKey(name, key);
        mTarget->Put(key, GDict<K, V>(5));
        int slot = 0;
        mTarget->GetExistingIndex(key, slot);
        if (!GContainerText::ReadDictBlock(text, mTarget->GetValueAt(slot))) {
            mTarget->Remove(key);
            return true;
        }
    }
}
