#include "core/support/GRegExpSupport.h"

#include <cstring>
#include <iterator>
#include <string>

#include <boost/regex.hpp>

#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"

namespace {

struct CharRange {
    char const* begin;
    char const* end;
};

CharRange UpToZero(GBuffer const& buffer) {
    auto p = reinterpret_cast<char const*>(buffer.GetPtr());
    return {p, p + strnlen(p, static_cast<std::size_t>(buffer.GetLength()))};
}

CharRange Whole(GBuffer const& buffer) {
    auto p = reinterpret_cast<char const*>(buffer.GetPtr());
    return {p, p + buffer.GetLength()};
}

boost::regex Compile(CharRange pattern) { return boost::regex(pattern.begin, pattern.end); }

GBuffer Bytes(char const* begin, char const* end) {
    return GBuffer(reinterpret_cast<unsigned char const*>(begin), static_cast<int>(end - begin));
}

boost::regex Compile(char const* pattern) {
    char const* p = pattern == nullptr ? "" : pattern;
    return Compile({p, p + std::strlen(p)});
}

GString FromUTF8(char const* begin, char const* end) { return GString(Bytes(begin, end), GUTF8Encoding::GetInstance()); }

bool SearchIn(CharRange t, boost::cmatch& found, boost::regex const& compiled) {
    return boost::regex_search(t.begin, t.end, found, compiled);
}

bool MatchWhole(CharRange t, boost::cmatch& found, boost::regex const& compiled) {
    return boost::regex_match(t.begin, t.end, found, compiled);
}

// The whole match, then each capture group, as items made by make(begin, end); a group that took
// no part is made from an empty range. The caller keeps t apart from the groups, emptied here.
template <class Item, class Make, class Run>
bool Collect(CharRange t, char const* pattern, GTable<Item>& groups, Make make, Run run) {
    groups.Resize(0);
    boost::regex const compiled = Compile(pattern);
    boost::cmatch found;
    if (!run(t, found, compiled))
        return false;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].matched)
            groups.AddItem(make(found[i].first, found[i].second));
        else
            groups.AddItem(make(nullptr, nullptr));
    }
    return true;
}

} // namespace

bool GRegExpSupport::Match(GBuffer const& text, GBuffer const& pattern) {
    return Match(text, Compile(UpToZero(pattern)));
}

bool GRegExpSupport::Match(GBuffer const& text, boost::regex const& pattern) {
    CharRange t = UpToZero(text);
    return boost::regex_match(t.begin, t.end, pattern);
}

bool GRegExpSupport::Search(GBuffer const& text, GBuffer const& pattern) {
    return Search(text, Compile(UpToZero(pattern)));
}

bool GRegExpSupport::Search(GBuffer const& text, boost::regex const& pattern) {
    CharRange t = UpToZero(text);
    return boost::regex_search(t.begin, t.end, pattern);
}

GBuffer GRegExpSupport::Replace(GBuffer const& text, GBuffer const& pattern, GBuffer const& format) {
    boost::regex const compiled = Compile(UpToZero(pattern));
    CharRange t = UpToZero(text);
    CharRange f = UpToZero(format);
    std::string result;
    boost::regex_replace(std::back_inserter(result), t.begin, t.end, compiled, std::string(f.begin, f.end));
    return Bytes(result.data(), result.data() + result.size());
}

bool GRegExpSupport::Search(GBuffer const& text, char const* pattern, GTable<GBuffer>& groups) {
    // The text may be one of the groups, which go first.
    for (GBuffer const& group : groups) {
        if (&group == &text) {
            GBuffer const copy(text);
            return Search(copy, pattern, groups);
        }
    }
    return Collect(Whole(text), pattern, groups, Bytes, SearchIn);
}

// Converted before the table is emptied: the text may be one of its items.
bool GRegExpSupport::Search(GString const& text, char const* pattern, GTable<GString>& groups) {
    GBuffer const utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    return Collect(Whole(utf8), pattern, groups, FromUTF8, SearchIn);
}

bool GRegExpSupport::Match(GString const& text, char const* pattern, GTable<GString>& groups) {
    GBuffer const utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    return Collect(Whole(utf8), pattern, groups, FromUTF8, MatchWhole);
}

bool GRegExpSupport::IsValidRegExp(GBuffer const& pattern) {
    try {
        Compile(UpToZero(pattern));
        return true;
    } catch (boost::regex_error const&) {
        return false;
    }
}
