// Separated lists read from stored text: splitting never loses or invents text, and what is
// written reads back the same.
//
// Input: byte 0 picks the operation (modulo 4) and byte 1 the options; the rest is:
// 0: GStringSupport lists: separator and text as UTF-16 (machine order) split at unit 0xFFFF;
// 1: GBufferSupport lists split at any of the separator bytes before the first 0xFF;
// 2: the self-describing form (SplitSeparatedBuffer) of arbitrary stored bytes;
// 3: items split at 0xFF, written with MergeIntoSeparatedBuffer and read back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/support/GBufferSupport.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"
#include "support/FuzzInput.h"

namespace {

GBuffer Bytes(std::string_view s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

GString Units(std::string_view s) { return GString(Bytes(s), GUnicodeEncoding::GetInstance()); }

std::string UnitsOf(GString const& s) { return Text(s.GetBuffer(GUnicodeEncoding::GetInstance())); }

void StringLists(std::string_view input, bool keepEmpty) {
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i + 1 < input.size(); i += 2)
        if (input[i] == '\xFF' && input[i + 1] == '\xFF') {
            at = i;
            break;
        }
    if (at == std::string_view::npos)
        return;
    GString const separator = Units(input.substr(0, at));
    std::string_view rest = input.substr(at + 2);
    GString const text = Units(rest.substr(0, rest.size() & ~std::size_t{1}));
    GTable<GString> items;
    GStringSupport::SeparatedStringToStringTable(text, separator, items, keepEmpty);
    GString joined;
    GStringSupport::StringTableToSeparatedString(items, separator, joined);
    if (keepEmpty && !UnitsOf(separator).empty())
        Check(UnitsOf(joined) == UnitsOf(text));
    std::string const sep = UnitsOf(separator);
    for (GString const& item : items) {
        std::string const units = UnitsOf(item);
        Check(keepEmpty || !units.empty());
        // The first separator is where an item ends: none inside.
        for (std::size_t i = 0; !sep.empty() && i + sep.size() <= units.size(); i += 2)
            Check(units.compare(i, sep.size(), sep) != 0);
    }
}

void BufferLists(std::string_view input, bool keepEmpty) {
    std::size_t const at = input.find('\xFF');
    if (at == std::string_view::npos)
        return;
    GTable<unsigned char> separators;
    for (char c : input.substr(0, at))
        separators.AddItem(static_cast<unsigned char>(c));
    std::string_view const text = input.substr(at + 1);
    GTable<GBuffer> items;
    GBufferSupport::SeparatedBufferToBufferTable(Bytes(text), separators, items, keepEmpty);
    std::string rest;
    for (GBuffer const& item : items) {
        Check(keepEmpty || !item.IsEmpty());
        for (char c : Text(item))
            Check(input.substr(0, at).find(c) == std::string_view::npos);
        rest += Text(item);
    }
    // The items are the text less its separators.
    std::string expected;
    for (char c : text)
        if (input.substr(0, at).find(c) == std::string_view::npos)
            expected += c;
    Check(rest == expected);
    if (keepEmpty && at == 1) {
        GBuffer joined;
        GBufferSupport::BufferTableToSeparatedBuffer(items, Bytes(input.substr(0, 1)), joined);
        Check(Text(joined) == std::string(text) || text.empty());
    }
}

void MergeBack(GTable<GBuffer> const& items) {
    GBuffer merged;
    GBufferSupport::MergeIntoSeparatedBuffer(items, merged);
    GTable<GBuffer> back;
    GBufferSupport::SplitSeparatedBuffer(merged, back);
    Check(back.GetCount() == items.GetCount());
    for (int i = 0; i < items.GetCount(); ++i)
        Check(Text(back[i]) == Text(items[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 2, 1 << 14))
        return 0;
    bool const keepEmpty = data[1] & 1;
    std::string_view const input(reinterpret_cast<char const*>(data + 2), size - 2);
    switch (data[0] % 4) {
    case 0:
        StringLists(input, keepEmpty);
        break;
    case 1:
        BufferLists(input, keepEmpty);
        break;
    case 2: {
        GTable<GBuffer> items;
        GBufferSupport::SplitSeparatedBuffer(Bytes(input), items);
        MergeBack(items);
        break;
    }
    default: {
        GTable<GBuffer> items;
        std::size_t from = 0;
        for (std::size_t at = input.find('\xFF'); at != std::string_view::npos; at = input.find('\xFF', from)) {
            items.AddItem(Bytes(input.substr(from, at - from)));
            from = at + 1;
        }
        items.AddItem(Bytes(input.substr(from)));
        MergeBack(items);
        break;
    }
    }
    return 0;
}
