#pragma once
// GRegExpSupport: regular expressions over the framework's texts, matched by boost.regex with its
// default (Perl) syntax and default match flags. This class only converts texts and collects
// results.
//
// Callers may rely on:
// - The all-buffer forms read text, pattern and format up to their first zero byte; the forms
//   with a C-text pattern read the whole text. GString texts are matched as UTF-8 and their
//   groups come back as UTF-8 strings.
// - A pattern that does not compile throws boost::regex_error from Match, Search and Replace
//   (a pattern may also throw std::runtime_error when matching grows too complex); patterns
//   taken from users are tested first with IsValidRegExp, which throws nothing.
// - Compiling always ends: comment groups "(?#...)" are taken out before boost compiles a
//   pattern (boost loops for ever on some of them), so patterns with them behave as in Perl.
// - Group tables are emptied first; a group that took no part in the match is an empty item.
#include <boost/regex_fwd.hpp>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"

class GString;

class GRegExpSupport {
public:
    // The whole text matches.
    static bool Match(GBuffer const& text, GBuffer const& pattern);
    // The same with a pattern compiled by the caller: used again and again, or with other flags.
    static bool Match(GBuffer const& text, boost::regex const& pattern);
    // Some part of the text matches.
    static bool Search(GBuffer const& text, GBuffer const& pattern);
    static bool Search(GBuffer const& text, boost::regex const& pattern);
    // Every match replaced by the format (boost's default format syntax: $&, $1, ...).
    static GBuffer Replace(GBuffer const& text, GBuffer const& pattern, GBuffer const& format);
    // The first match: groups receive the whole match, then each capture group in order.
    static bool Search(GBuffer const& text, char const* pattern, GTable<GBuffer>& groups);
    static bool Search(GString const& text, char const* pattern, GTable<GString>& groups);
    // The whole text matches; groups as for Search.
    static bool Match(GString const& text, char const* pattern, GTable<GString>& groups);
    static bool IsValidRegExp(GBuffer const& pattern);
    // The pattern up to its first zero byte, compiled as the forms above do (Perl syntax); throws
    // boost::regex_error when it does not compile.
    static boost::regex Compile(GBuffer const& pattern, bool ignoreCase = false);
};
