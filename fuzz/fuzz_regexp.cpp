// Regular-expression patterns and replace formats as users type them: vetting and compiling always
// end (each input has a time limit), a pattern that IsValidRegExp accepts compiles, and matching,
// replacing and MatchStrings with any text end and throw nothing they may not.
//
// Input: byte 0 holds flags (bit 0: ignore case, bit 1: partial); the rest is
// pattern, format and text, split at the first two 0xFF bytes (format and text may be missing).
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include <boost/regex.hpp>

#include "core/containers/GTable.h"
#include "core/support/GRegExpSupport.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

GBuffer Bytes(std::string_view s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

GString FromUTF8(std::string_view s) { return GString(Bytes(s), GUTF8Encoding::GetInstance()); }

// boost gives up on matches that grow too complex with std::runtime_error (regex_error is one);
// anything else escaping is a fault.
template <class Run>
void Matching(Run run) {
    try {
        run();
    } catch (std::runtime_error const&) {
    }
}

} // namespace

// A hang is a finding: each input gets 5 seconds unless the command line says otherwise.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::string timeout = "-timeout=5";
    static char** args = new char*[static_cast<std::size_t>(*argc) + 2];
    args[0] = (*argv)[0];
    args[1] = timeout.data();
    for (int i = 1; i < *argc; ++i)
        args[i + 1] = (*argv)[i];
    args[*argc + 1] = nullptr;
    ++*argc;
    *argv = args;
    StartFoundation();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 1 || size > 2048)
        return 0;
    unsigned const flags = data[0];
    std::string_view all(reinterpret_cast<char const*>(data + 1), size - 1);
    std::size_t const a = all.find('\xFF');
    std::size_t const b = a == std::string_view::npos ? a : all.find('\xFF', a + 1);
    std::string_view const pattern = all.substr(0, a);
    std::string_view const format = a == std::string_view::npos ? std::string_view() : all.substr(a + 1, b - a - 1);
    std::string_view const text = b == std::string_view::npos ? std::string_view("aab-2024 xyz") : all.substr(b + 1);
    if (pattern.size() > 256 || text.size() > 512)
        return 0;
    bool const ignoreCase = flags & 1, partial = flags & 2;

    GBuffer const p = Bytes(pattern);
    bool const valid = GRegExpSupport::IsValidRegExp(p);
    bool compiled = true;
    try {
        (void)GRegExpSupport::Compile(p, ignoreCase);
    } catch (boost::regex_error const&) {
        compiled = false;
    }
    if (!ignoreCase)
        Check(compiled == valid);

    GBuffer const t = Bytes(text);
    if (valid) {
        Matching([&] { (void)GRegExpSupport::Search(t, p); });
        Matching([&] { (void)GRegExpSupport::Match(t, p); });
        Matching([&] {
            GBuffer const replaced = GRegExpSupport::Replace(t, p, Bytes(format));
            Check(replaced.GetLength() >= 0);
        });
        // The C-text forms read the pattern up to its first zero byte, as the buffer forms do.
        std::string const cPattern(pattern.substr(0, pattern.find('\0')));
        GTable<GBuffer> groups;
        Matching([&] {
            if (GRegExpSupport::Search(t, cPattern.c_str(), groups))
                Check(groups.GetCount() >= 1);
            else
                Check(groups.GetCount() == 0);
        });
        GTable<GString> strings;
        Matching([&] { (void)GRegExpSupport::Match(FromUTF8(text), cPattern.c_str(), strings); });
    }
    // MatchStrings throws nothing, and invert negates its answer.
    GString const sp = FromUTF8(pattern), st = FromUTF8(text);
    bool const plain = GStringSupport::MatchStrings(sp, st, ignoreCase, partial, false, true);
    Check(GStringSupport::MatchStrings(sp, st, ignoreCase, partial, true, true) == !plain);
    return 0;
}
