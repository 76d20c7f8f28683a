// Win Ansi and Mac Roman to UTF-16 and back: our table encodings against ICU's converters
// ("windows-1252", "macintosh") on the same text. Arguments: text kind (0 ASCII, 1 Latin-1
// with accented letters), then the length in characters.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "support/FoundationStartup.h"

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter(char const* name) {
    UErrorCode error = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &error));
    return U_SUCCESS(error) ? std::move(converter) : Converter();
}

// Text-like characters that both encodings hold: words, spaces and punctuation, and for the
// Latin-1 kind one accented letter in five.
std::u16string MakeText(int kind, int length) {
    static char16_t const letters[] = u"etaoinshrdlucmfwypvbgkjqxzETAOINSHRDLU";
    static char16_t const accented[] = u"\u00E9\u00E8\u00E0\u00FC\u00F6\u00E4\u00DF\u00E7\u00F1\u00C9\u00D6\u00E2";
    static char16_t const punctuation[] = u".,;:!?-'\"()";
    std::mt19937 random(20240611u + static_cast<unsigned>(kind));
    std::u16string text;
    text.reserve(static_cast<std::size_t>(length));
    while (static_cast<int>(text.size()) < length) {
        const unsigned pick = random() % 100;
        if (pick < 16)
            text += u' ';
        else if (pick < 19)
            text += punctuation[random() % (sizeof punctuation / 2 - 1)];
        else if (kind == 1 && pick < 35)
            text += accented[random() % (sizeof accented / 2 - 1)];
        else
            text += letters[random() % (sizeof letters / 2 - 1)];
    }
    return text;
}

GBuffer UTF16Of(std::u16string const& text) {
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size() * 2));
}

// The text in the converter's encoding (ICU makes it, so both sides read the same bytes).
std::string BytesOf(std::u16string const& text, char const* converterName) {
    Converter converter = OpenConverter(converterName);
    std::string bytes(text.size() + 1, '\0');
    UErrorCode error = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(converter.get(), &bytes[0], static_cast<int32_t>(bytes.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &error);
    bytes.resize(U_SUCCESS(error) ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

void SetCounters(benchmark::State& state, std::size_t characters) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * characters));
}

template <class Encoding>
void ToUTF16Ours(benchmark::State& state, char const* converterName) {
    StartFoundation();
    const std::string bytes = BytesOf(MakeText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))),
                                      converterName);
    const GBuffer source(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
    Encoding const* encoding = Encoding::GetInstance();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(encoding->ConvertTo(source, unicode, out));
        benchmark::DoNotOptimize(out.GetPtr());
    }
    if (out.GetLength() != static_cast<int>(bytes.size() * 2))
        state.SkipWithError("wrong length");
    SetCounters(state, bytes.size());
}

void ToUTF16Icu(benchmark::State& state, char const* converterName) {
    const std::string bytes = BytesOf(MakeText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))),
                                      converterName);
    Converter converter = OpenConverter(converterName);
    std::vector<UChar> out(bytes.size() + 1);
    int32_t n = 0;
    for (auto _ : state) {
        UErrorCode error = U_ZERO_ERROR;
        n = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                          static_cast<int32_t>(bytes.size()), &error);
        benchmark::DoNotOptimize(out.data());
    }
    if (n != static_cast<int32_t>(bytes.size()))
        state.SkipWithError("wrong length");
    SetCounters(state, bytes.size());
}

// The caller's way into an encoding: its ConvertFrom with the UTF-16 encoding as the source's.
template <class Encoding>
void FromUTF16Ours(benchmark::State& state) {
    StartFoundation();
    const std::u16string text = MakeText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const GBuffer source = UTF16Of(text);
    Encoding const* encoding = Encoding::GetInstance();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer out;
    int32_t status = 0;
    for (auto _ : state) {
        status = encoding->ConvertFrom(source, unicode, out);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    if (status != GEncoding::kConvertOK || out.GetLength() != static_cast<int>(text.size()))
        state.SkipWithError("lossy conversion");
    SetCounters(state, text.size());
}

void FromUTF16Icu(benchmark::State& state, char const* converterName) {
    const std::u16string text = MakeText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    Converter converter = OpenConverter(converterName);
    std::string out(text.size() + 1, '\0');
    int32_t n = 0;
    for (auto _ : state) {
        UErrorCode error = U_ZERO_ERROR;
        n = ucnv_fromUChars(converter.get(), &out[0], static_cast<int32_t>(out.size()), text.data(),
                            static_cast<int32_t>(text.size()), &error);
        benchmark::DoNotOptimize(out.data());
    }
    if (n != static_cast<int32_t>(text.size()))
        state.SkipWithError("wrong length");
    SetCounters(state, text.size());
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int kind : {0, 1})
        for (int length : {1 << 10, 1 << 20})
            b->Args({kind, length});
}


void WinAnsiToUTF16Ours(benchmark::State& state) { ToUTF16Ours<GWinAnsiEncoding>(state, "windows-1252"); }
void WinAnsiToUTF16Icu(benchmark::State& state) { ToUTF16Icu(state, "windows-1252"); }
void UTF16ToWinAnsiOurs(benchmark::State& state) { FromUTF16Ours<GWinAnsiEncoding>(state); }
void UTF16ToWinAnsiIcu(benchmark::State& state) { FromUTF16Icu(state, "windows-1252"); }
void MacRomanToUTF16Ours(benchmark::State& state) { ToUTF16Ours<GMacRomanEncoding>(state, "macintosh"); }
void MacRomanToUTF16Icu(benchmark::State& state) { ToUTF16Icu(state, "macintosh"); }
void UTF16ToMacRomanOurs(benchmark::State& state) { FromUTF16Ours<GMacRomanEncoding>(state); }
void UTF16ToMacRomanIcu(benchmark::State& state) { FromUTF16Icu(state, "macintosh"); }

BENCHMARK(WinAnsiToUTF16Ours)->Name(TROVEL_BENCH_NAME("WinAnsiToUTF16", "ours"))->Apply(Sizes);
BENCHMARK(WinAnsiToUTF16Icu)->Name(TROVEL_BENCH_NAME("WinAnsiToUTF16", "icu"))->Apply(Sizes);
BENCHMARK(UTF16ToWinAnsiOurs)->Name(TROVEL_BENCH_NAME("UTF16ToWinAnsi", "ours"))->Apply(Sizes);
BENCHMARK(UTF16ToWinAnsiIcu)->Name(TROVEL_BENCH_NAME("UTF16ToWinAnsi", "icu"))->Apply(Sizes);
BENCHMARK(MacRomanToUTF16Ours)->Name(TROVEL_BENCH_NAME("MacRomanToUTF16", "ours"))->Apply(Sizes);
BENCHMARK(MacRomanToUTF16Icu)->Name(TROVEL_BENCH_NAME("MacRomanToUTF16", "icu"))->Apply(Sizes);
BENCHMARK(UTF16ToMacRomanOurs)->Name(TROVEL_BENCH_NAME("UTF16ToMacRoman", "ours"))->Apply(Sizes);
BENCHMARK(UTF16ToMacRomanIcu)->Name(TROVEL_BENCH_NAME("UTF16ToMacRoman", "icu"))->Apply(Sizes);

} // namespace
