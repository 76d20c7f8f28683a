#pragma once
// GContainerText: the text forms of tables and dictionaries of strings, behind GTable's and
// GDict's WriteTo, ReadFrom, ToString and FromString. A table is the line "#BEGINTABLE", one
// quoted string per line and the line "#ENDTABLE"; a dictionary the line "#BEGINDICT", one line
// per entry (quoted key, a blank, quoted value) in slot order and the line "#ENDDICT".
//
// Callers may rely on:
// - What is written reads back as the same items, except that every line end inside a string
//   comes back as the platform line end (CR here).
// - Byte-string keys are written and read as ASCII text; WriteTo reports false for a key that
//   ASCII cannot hold (it is still written, with the default character in its place).
// - Reading empties the container first; on a failure it keeps the items read before it.
//   A dictionary block may also end at any other word that begins with "#".
// - The string forms are UTF-16 texts without a byte-order mark; FromString reads a text in
//   whatever encoding it is.
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GBuffer;
class GBin2TextStream;
class GText2BinStream;

class GContainerText {
public:
    static bool WriteTable(GTable<GString> const& table, GText2BinStream& out);
    static bool ReadTable(GBin2TextStream& in, GTable<GString>& table);
    static void TableToString(GTable<GString> const& table, GString& out);
    static bool TableFromString(GString const& text, GTable<GString>& table);

    static bool WriteDict(GDict<GBuffer, GString> const& dict, GText2BinStream& out);
    static bool WriteDict(GDict<GString, GString> const& dict, GText2BinStream& out);
    static bool ReadDict(GBin2TextStream& in, GDict<GBuffer, GString>& dict);
    static bool ReadDict(GBin2TextStream& in, GDict<GString, GString>& dict);
    static void DictToString(GDict<GBuffer, GString> const& dict, GString& out);
    static void DictToString(GDict<GString, GString> const& dict, GString& out);
    static bool DictFromString(GString const& text, GDict<GBuffer, GString>& dict);
    static bool DictFromString(GString const& text, GDict<GString, GString>& dict);
    // The dictionary block read by any reader with the text calls of GBin2TextStream.
    template <class Reader, class K>
    static bool ReadDictBlock(Reader& in, GDict<K, GString>& dict);

    GContainerText() = delete;

private:
    template <class Reader>
    static bool ReadTableBlock(Reader& in, GTable<GString>& table);
    static bool IsWord(GString const& word, char const* keyword);
    static bool BeginsWithHash(GString const& word);
    static void MakeKey(GString const& text, GBuffer& key);
    static void MakeKey(GString const& text, GString& key) { key = text; }
};

template <class Reader, class K>
bool GContainerText::ReadDictBlock(Reader& in, GDict<K, GString>& dict) {
    dict.RemoveAll();
    GString word;
    if (!in.ReadString(word) || !IsWord(word, "#BEGINDICT"))
        return false;
    in.SkipWhitespace(true);
    GString keyText;
    GString value;
    GString rest;
    K key;
    for (;;) {
        // Only blanks may stand before a key: an empty line ends the entries.
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(keyText))
            break;
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(value))
            return false;
        in.ReadLine(rest);
        MakeKey(keyText, key);
        dict.Put(key, value);
    }
    if (!in.ReadString(word) || !BeginsWithHash(word))
        return false;
    in.ReadLine(rest);
    return true;
}

template <class T>
bool GTable<T>::WriteTo(GText2BinStream& out) const {
    return GContainerText::WriteTable(*this, out);
}
template <class T>
bool GTable<T>::ReadFrom(GBin2TextStream& in) {
    return GContainerText::ReadTable(in, *this);
}
template <class T>
void GTable<T>::ToString(GString& out) const {
    GContainerText::TableToString(*this, out);
}
template <class T>
bool GTable<T>::FromString(const GString& text) {
    return GContainerText::TableFromString(text, *this);
}

template <class K, class V>
bool GDict<K, V>::WriteTo(GText2BinStream& out) const {
    return GContainerText::WriteDict(*this, out);
}
template <class K, class V>
bool GDict<K, V>::ReadFrom(GBin2TextStream& in) {
    return GContainerText::ReadDict(in, *this);
}
template <class K, class V>
void GDict<K, V>::ToString(GString& out) const {
    GContainerText::DictToString(*this, out);
}
template <class K, class V>
bool GDict<K, V>::FromString(const GString& text) {
    return GContainerText::DictFromString(text, *this);
}
