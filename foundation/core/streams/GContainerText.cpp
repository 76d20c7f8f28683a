#include "core/streams/GContainerText.h"

#include <cstring>
#include <typeinfo>

#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/streams/GText2BinStream.h"
#include "core/streams/GUnicodeTextScanner.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"

namespace {

GEncoding const* ASCIIEncoding() { return GEncodingFallback::Get<GASCIIEncoding>(); }

GEncoding const* UnicodeEncoding() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

// The text of a key; text and units are the writer's, reused from key to key so that a block
// takes no memory per entry.
struct KeyWriter {
    GString text;
    GBuffer units;

    // Byte-string keys are ASCII text; ok is cleared for a key that ASCII cannot hold. Bytes that
    // the plain ASCII class reads as themselves need no conversion to show that.
    GString const& Text(GBuffer const& key, bool& ok) {
        GEncoding const* ascii = ASCIIEncoding();
        text.Set(key, ascii);
        if (typeid(*ascii) == typeid(GASCIIEncoding) && GEncodingKernels::IsASCIIIdentity(key.GetPtr(), key.GetLength()))
            return text;
        if (text.GetBuffer(units, UnicodeEncoding()) != GEncoding::kConvertOK)
            ok = false;
        return text;
    }
    GString const& Text(GString const& key, bool&) { return key; }
};

bool WriteLine(GText2BinStream& out, char const* text) { return out.Write(text) && out.WriteEOL(); }

template <class K>
bool WriteDictBlock(GDict<K, GString> const& dict, GText2BinStream& out) {
    const int lossyBefore = out.GetLossyTextCount();
    bool ok = WriteLine(out, "#BEGINDICT");
    KeyWriter keys;
    GString const blank(" ");
    for (int slot = 0; slot < dict.GetAllocation(); ++slot) {
        if (!dict.IsSlotUsed(slot))
            continue;
        ok = out.WriteQuotedPairLine(keys.Text(dict.GetKeyAt(slot), ok), blank, dict.GetValueAt(slot)) && ok;
    }
    ok = WriteLine(out, "#ENDDICT") && ok;
    return ok && out.GetLossyTextCount() == lossyBefore;
}

// Written in UTF-16 without the byte-order mark that a UTF-16 writer starts with, and not composed
// again: an escape letter would merge with a combining mark after it.
template <class Container, class Writer>
void WriteToString(Container const& container, GString& out, Writer write) {
    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, UnicodeEncoding());
        bytes.Clear();
        write(container, writer);
    }
    out.Set(bytes, UnicodeEncoding(), false);
}

template <class Reader, class Container, class Read>
bool ReadAll(Reader& reader, Container& container, Read read) {
    const bool ok = read(reader, container);
    return ok && reader.GetLossyTextCount() == 0;
}

// read takes either reader. UTF-16 in machine order, the form the strings are written in, is
// scanned where it lies; any other text goes through the stream reader.
template <class Container, class Read>
bool ReadFromString(GString const& text, Container& container, Read read) {
    GEncoding const* encoding = text.GetEncoding().Get();
    if (encoding == nullptr)
        encoding = UnicodeEncoding();
    GBuffer const& bytes = text.GetEncodedBuffer();
    if (GUnicodeTextScanner::Reads(bytes, encoding)) {
        GUnicodeTextScanner scanner(bytes);
        return ReadAll(scanner, container, read);
    }
    GMemoryInStream in(bytes);
    GBin2TextStream reader(in, encoding);
    return ReadAll(reader, container, read);
}

}  // namespace

bool GContainerText::IsWord(GString const& word, char const* keyword) {
    // A word read from UTF-16 is its units, which an ASCII keyword matches unit for byte: no
    // conversion of the keyword for the comparison.
    if (word.GetEncoding().Get() != UnicodeEncoding())
        return word == GString(keyword);
    GBuffer const& units = word.GetEncodedBuffer();
    const std::size_t length = std::strlen(keyword);
    if (static_cast<std::size_t>(units.GetLength()) != 2 * length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (GEncodingKernels::LoadUnit(units.GetPtr() + 2 * i) != static_cast<unsigned char>(keyword[i]))
            return false;
    }
    return true;
}

bool GContainerText::BeginsWithHash(GString const& word) {
    return word.FindFirst(static_cast<unsigned short>('#')) == 0;
}

void GContainerText::MakeKey(GString const& text, GBuffer& key) {
    // Read keys are UTF-16: straight to the encoder the conversion would reach through two calls
    // of the encodings' double dispatch.
    GEncoding const* encoding = text.GetEncoding().Get();
    GEncoding const* ascii = ASCIIEncoding();
    if (encoding != nullptr && typeid(*encoding) == typeid(GUnicodeEncoding) && typeid(*ascii) == typeid(GASCIIEncoding)) {
        GUnicodeEncoding::EncodeASCII(text.GetEncodedBuffer(), key);
        return;
    }
    text.GetBuffer(key, ascii);
}

bool GContainerText::WriteTable(GTable<GString> const& table, GText2BinStream& out) {
    const int lossyBefore = out.GetLossyTextCount();
    bool ok = WriteLine(out, "#BEGINTABLE");
    for (GString const& item : table) {
        ok = out.WriteQuotedString(item) && ok;
        ok = out.WriteEOL() && ok;
    }
    ok = WriteLine(out, "#ENDTABLE") && ok;
    return ok && out.GetLossyTextCount() == lossyBefore;
}

bool GContainerText::ReadTable(GBin2TextStream& in, GTable<GString>& table) { return ReadTableBlock(in, table); }

template <class Reader>
bool GContainerText::ReadTableBlock(Reader& in, GTable<GString>& table) {
    table.Resize(0);
    GString word;
    if (!in.ReadString(word) || !IsWord(word, "#BEGINTABLE"))
        return false;
    in.SkipWhitespace(true);
    GString item;
    GString rest;
    for (;;) {
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(item))
            break;
        in.ReadLine(rest);
        table.AddItem(item);
    }
    if (!in.ReadString(word) || !IsWord(word, "#ENDTABLE"))
        return false;
    in.ReadLine(rest);
    return true;
}

void GContainerText::TableToString(GTable<GString> const& table, GString& out) {
    WriteToString(table, out, &GContainerText::WriteTable);
}

bool GContainerText::TableFromString(GString const& text, GTable<GString>& table) {
    return ReadFromString(text, table, [](auto& r, GTable<GString>& t) { return ReadTableBlock(r, t); });
}

bool GContainerText::WriteDict(GDict<GBuffer, GString> const& dict, GText2BinStream& out) {
    return WriteDictBlock(dict, out);
}

bool GContainerText::WriteDict(GDict<GString, GString> const& dict, GText2BinStream& out) {
    return WriteDictBlock(dict, out);
}

bool GContainerText::ReadDict(GBin2TextStream& in, GDict<GBuffer, GString>& dict) { return ReadDictBlock(in, dict); }

bool GContainerText::ReadDict(GBin2TextStream& in, GDict<GString, GString>& dict) { return ReadDictBlock(in, dict); }

void GContainerText::DictToString(GDict<GBuffer, GString> const& dict, GString& out) {
    WriteToString(dict, out, [](GDict<GBuffer, GString> const& d, GText2BinStream& w) { return WriteDictBlock(d, w); });
}

void GContainerText::DictToString(GDict<GString, GString> const& dict, GString& out) {
    WriteToString(dict, out, [](GDict<GString, GString> const& d, GText2BinStream& w) { return WriteDictBlock(d, w); });
}

bool GContainerText::DictFromString(GString const& text, GDict<GBuffer, GString>& dict) {
    return ReadFromString(text, dict, [](auto& r, GDict<GBuffer, GString>& d) { return ReadDictBlock(r, d); });
}

bool GContainerText::DictFromString(GString const& text, GDict<GString, GString>& dict) {
    return ReadFromString(text, dict, [](auto& r, GDict<GString, GString>& d) { return ReadDictBlock(r, d); });
}
