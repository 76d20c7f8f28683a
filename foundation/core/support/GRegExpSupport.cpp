#include "core/support/GRegExpSupport.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

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

// The pattern with its comment groups "(?#...)" taken out before boost sees them: boost 1.74 loops
// for ever on a comment group after a possessive quantifier ("a++(?#)b"). Comment groups are
// no-ops, so each run of them goes. Where the neighbours could join into one token ("\1(?#)0",
// "((?#)?") an empty group "(?:)" stands in their place; before a quantifier nothing does, so that
// it binds to what went before, as in Perl ("a(?#)+").
// Character classes, escapes, \Q...\E and the line comments of the x mode are copied as they
// are, as boost reads them; the x mode is followed through "(?x)", "(?-x)" and "(?x:...)".
std::string WithoutCommentGroups(CharRange pattern, bool extended) {
    char const* const end = pattern.end;
    char const* p = pattern.begin;
    std::string out;
    out.reserve(static_cast<std::size_t>(end - p));
    std::vector<bool> outer;  // the x mode to restore at each open group's ')'
    std::size_t groupOpened = std::string::npos;  // out's length just after a group's '('
    auto const at = [&](char const* q, char c) { return q < end && *q == c; };
    auto const copyTo = [&](char const* to) {
        out.append(p, to);
        p = to;
    };
    auto const skipEscape = [&](char const* q) {  // q at a backslash: past its escape
        if (q + 1 >= end)
            return end;
        return q[1] == 'c' ? std::min(q + 3, end) : q + 2;
    };
    while (p < end) {
        char const c = *p;
        if (c == '\\' && at(p + 1, 'Q')) {
            char const* q = p + 2;
            while (q < end && !(q[0] == '\\' && at(q + 1, 'E')))
                ++q;
            copyTo(std::min(q + 2, end));
        } else if (c == '\\') {
            copyTo(skipEscape(p));
        } else if (c == '[') {
            // A ']' right after the '[' or '[^' is a member; [:name:], [.name.] and [=name=] nest.
            char const* q = p + 1;
            if (at(q, '^'))
                ++q;
            if (at(q, ']'))
                ++q;
            while (q < end && *q != ']') {
                if (*q == '\\') {
                    q = skipEscape(q);
                } else if (*q == '[' && (at(q + 1, ':') || at(q + 1, '.') || at(q + 1, '='))) {
                    char const kind = q[1];
                    char const* r = q + 3;
                    while (r + 1 < end && !(r[0] == kind && r[1] == ']'))
                        ++r;
                    q = r + 1 < end ? r + 2 : end;
                } else {
                    ++q;
                }
            }
            copyTo(std::min(q + 1, end));
        } else if (c == '#' && extended) {
            char const* q = p + 1;
            while (q < end && *q != '\n' && *q != '\r' && *q != '\f')
                ++q;
            copyTo(std::min(q + 1, end));
        } else if (c == '(' && at(p + 1, '?') && at(p + 2, '#')) {
            char const* q = p;
            while (at(q, '(') && at(q + 1, '?') && at(q + 2, '#')) {
                char const* close = std::find(q + 3, end, ')');
                if (close == end)
                    break;  // unclosed: left to boost, which takes it to the end
                q = close + 1;
            }
            if (q == p) {
                copyTo(end);
                break;
            }
            p = q;
            bool const quantifier = p < end && (*p == '*' || *p == '+' || *p == '?' || *p == '{');
            bool const joinsGroup = out.size() == groupOpened && p < end && (*p == '?' || *p == '*');
            if (!out.empty() && p < end && (!quantifier || joinsGroup))
                out += "(?:)";
        } else if (c == '(') {
            // Options: "(?" letters imsx, optionally '-' and more, then ')' (to the group's end) or
            // ':' (a group of its own).
            char const* q = p + 1;
            bool x = extended;
            if (at(q, '?')) {
                ++q;
                bool on = true;
                auto const isOption = [](char o) { return o == 'i' || o == 'm' || o == 's' || o == 'x'; };
                while (q < end && (isOption(*q) || (*q == '-' && on))) {
                    if (*q == '-')
                        on = false;
                    else if (*q == 'x')
                        x = on;
                    ++q;
                }
            }
            bool const options = q > p + 2 && (at(q, ')') || at(q, ':'));
            if (options && *q == ')') {
                extended = x;
            } else {
                outer.push_back(extended);
                if (options)
                    extended = x;
            }
            copyTo(options ? q + 1 : p + 1);
            if (!options)
                groupOpened = out.size();
        } else if (c == ')') {
            if (!outer.empty()) {
                extended = outer.back();
                outer.pop_back();
            }
            copyTo(p + 1);
        } else {
            copyTo(p + 1);
        }
    }
    return out;
}

boost::regex CompilePattern(CharRange pattern, boost::regex::flag_type flags = boost::regex::perl) {
    std::string const cleaned = WithoutCommentGroups(pattern, (flags & boost::regex::mod_x) != 0);
    return boost::regex(cleaned, flags);
}

GBuffer Bytes(char const* begin, char const* end) {
    return GBuffer(reinterpret_cast<unsigned char const*>(begin), static_cast<int>(end - begin));
}

boost::regex CompilePattern(char const* pattern) {
    char const* p = pattern == nullptr ? "" : pattern;
    return CompilePattern({p, p + std::strlen(p)});
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
    boost::regex const compiled = CompilePattern(pattern);
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
    return Match(text, CompilePattern(UpToZero(pattern)));
}

bool GRegExpSupport::Match(GBuffer const& text, boost::regex const& pattern) {
    CharRange t = UpToZero(text);
    return boost::regex_match(t.begin, t.end, pattern);
}

bool GRegExpSupport::Search(GBuffer const& text, GBuffer const& pattern) {
    return Search(text, CompilePattern(UpToZero(pattern)));
}

bool GRegExpSupport::Search(GBuffer const& text, boost::regex const& pattern) {
    CharRange t = UpToZero(text);
    return boost::regex_search(t.begin, t.end, pattern);
}

GBuffer GRegExpSupport::Replace(GBuffer const& text, GBuffer const& pattern, GBuffer const& format) {
    boost::regex const compiled = CompilePattern(UpToZero(pattern));
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

boost::regex GRegExpSupport::Compile(GBuffer const& pattern, bool ignoreCase) {
    return CompilePattern(UpToZero(pattern), ignoreCase ? boost::regex::perl | boost::regex::icase : boost::regex::perl);
}

bool GRegExpSupport::IsValidRegExp(GBuffer const& pattern) {
    try {
        CompilePattern(UpToZero(pattern));
        return true;
    } catch (boost::regex_error const&) {
        return false;
    }
}
