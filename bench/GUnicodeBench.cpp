// UTF-8 to UTF-16 and back, and composition (NFC), ours beside ICU on the same text: ASCII,
// Latin-1 prose and mixed CJK, 1 KB and 1 MB of UTF-8. Composition runs on text that is already
// composed and on its decomposed form (ours composes in place, so each run starts from a copy).
#include <benchmark/benchmark.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <string>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "support/FoundationStartup.h"

namespace {

enum TextKind { kASCII, kLatin1, kCJK };

char const* const kSamples[] = {
    "The quick brown fox jumps over the lazy dog while the printer spools another page. ",
    "D\xC3\xA9j\xC3\xA0 vu: \xC3\xBC" "ber die Stra\xC3\x9F" "e, \xC3\xA0 c\xC3\xB4t\xC3\xA9 du caf\xC3\xA9 "
    "\xC3\xA9l\xC3\xA9gant, na\xC3\xAFve fa\xC3\xA7" "ade, \xC3\xB1o\xC3\xB1o. ",
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 "
    "PDF \xE5\x8D\xB0\xE5\x88\xB7 (\xE3\x81\x8C\xE3\x81\x8E\xE3\x81\x90) \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 "
    "\xE4\xB8\xAD\xE6\x96\x87 42, ",
};

char const* KindName(int kind) {
    static char const* const names[] = {"ASCII", "Latin1", "CJK"};
    return names[kind];
}

// About size bytes of UTF-8, whole sentences repeated.
std::string Text(int kind, int64_t size) {
    std::string text;
    std::string const sample = kSamples[kind];
    while (static_cast<int64_t>(text.size()) + static_cast<int64_t>(sample.size()) <= size)
        text += sample;
    return text.empty() ? sample : text;
}

std::u16string ToUTF16(std::string const& utf8) {
    std::u16string units(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8(&units[0], static_cast<int32_t>(units.size()), &length, utf8.data(), static_cast<int32_t>(utf8.size()), &error);
    units.resize(static_cast<std::size_t>(length));
    return units;
}

std::u16string Decomposed(std::u16string const& text) {
    UErrorCode error = U_ZERO_ERROR;
    icu::UnicodeString nfd = icu::Normalizer2::getNFDInstance(error)->normalize(
        icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())), error);
    return std::u16string(nfd.getBuffer(), static_cast<std::size_t>(nfd.length()));
}

GBuffer Bytes(void const* data, std::size_t n) {
    return GBuffer(static_cast<unsigned char const*>(data), static_cast<int>(n));
}

void DecodeOurs(benchmark::State& state, int kind) {
    StartFoundation();
    const std::string text = Text(kind, state.range(0));
    const GBuffer source = Bytes(text.data(), text.size());
    GBuffer out;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (auto _ : state)
        benchmark::DoNotOptimize(GUTF8Encoding::GetInstance()->ConvertTo(source, unicode, out));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void DecodeICU(benchmark::State& state, int kind) {
    const std::string text = Text(kind, state.range(0));
    std::u16string out(text.size(), u'\0');
    for (auto _ : state) {
        int32_t length = 0;
        UErrorCode error = U_ZERO_ERROR;
        u_strFromUTF8(&out[0], static_cast<int32_t>(out.size()), &length, text.data(), static_cast<int32_t>(text.size()), &error);
        benchmark::DoNotOptimize(length);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void EncodeOurs(benchmark::State& state, int kind) {
    StartFoundation();
    const std::u16string text = ToUTF16(Text(kind, state.range(0)));
    const GBuffer source = Bytes(text.data(), text.size() * 2);
    GBuffer out;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (auto _ : state)
        benchmark::DoNotOptimize(GUTF8Encoding::GetInstance()->ConvertFrom(source, unicode, out));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}

void EncodeICU(benchmark::State& state, int kind) {
    const std::u16string text = ToUTF16(Text(kind, state.range(0)));
    std::string out(text.size() * 3, '\0');
    for (auto _ : state) {
        int32_t length = 0;
        UErrorCode error = U_ZERO_ERROR;
        u_strToUTF8(&out[0], static_cast<int32_t>(out.size()), &length, text.data(), static_cast<int32_t>(text.size()), &error);
        benchmark::DoNotOptimize(length);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}

void ComposeComposedOurs(benchmark::State& state, int kind) {
    StartFoundation();
    const std::u16string text = ToUTF16(Text(kind, state.range(0)));
    GBuffer buffer = Bytes(text.data(), text.size() * 2);
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (auto _ : state) {
        unicode->EnsureComposedUnicode(buffer);
        benchmark::DoNotOptimize(buffer.GetLength());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}

void ComposeICU(benchmark::State& state, std::u16string const& text) {
    UErrorCode error = U_ZERO_ERROR;
    icu::Normalizer2 const* nfc = icu::Normalizer2::getNFCInstance(error);
    const icu::UnicodeString source(text.data(), static_cast<int32_t>(text.size()));
    icu::UnicodeString out;
    for (auto _ : state) {
        nfc->normalize(source, out, error);
        benchmark::DoNotOptimize(out.length());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}

void ComposeComposedICU(benchmark::State& state, int kind) { ComposeICU(state, ToUTF16(Text(kind, state.range(0)))); }

void ComposeDecomposedOurs(benchmark::State& state, int kind) {
    StartFoundation();
    const std::u16string text = Decomposed(ToUTF16(Text(kind, state.range(0))));
    const GBuffer source = Bytes(text.data(), text.size() * 2);
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer buffer;
    for (auto _ : state) {
        buffer = source;
        unicode->EnsureComposedUnicode(buffer);
        benchmark::DoNotOptimize(buffer.GetLength());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}

void ComposeDecomposedICU(benchmark::State& state, int kind) {
    ComposeICU(state, Decomposed(ToUTF16(Text(kind, state.range(0)))));
}

using Workload = void (*)(benchmark::State&, int);

void Register(std::string const& caseName, Workload ours, Workload icu, int kind) {
    const std::string base = caseName + "/" + KindName(kind);
    for (auto const& [impl, run] : {std::pair<char const*, Workload>{"ours", ours}, {"icu", icu}})
        benchmark::RegisterBenchmark((base + "@" + impl).c_str(), run, kind)->Arg(1 << 10)->Arg(1 << 20);
}

int RegisterAll() {
    for (int kind : {kASCII, kLatin1, kCJK}) {
        Register("UTF8ToUTF16", DecodeOurs, DecodeICU, kind);
        Register("UTF16ToUTF8", EncodeOurs, EncodeICU, kind);
        Register("ComposeComposed", ComposeComposedOurs, ComposeComposedICU, kind);
        if (kind != kASCII)
            Register("ComposeDecomposed", ComposeDecomposedOurs, ComposeDecomposedICU, kind);
    }
    return 0;
}

const int kRegistered = RegisterAll();

} // namespace
