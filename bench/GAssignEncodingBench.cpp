// Guessing the encoding of 4 KB of text: GStringSupport::AssignEncoding in its default order
// against ICU's charset detector (ucsdet) on the same bytes. Speed only: the answers differ by
// design (ours takes the first encoding that decodes cleanly). Argument: the sample (0 ASCII,
// 1 UTF-8 European, 2 UTF-8 Japanese, 3 Shift-JIS, 4 UTF-16LE without a mark).
#include <benchmark/benchmark.h>
#include <unicode/ucsdet.h>

#include <memory>
#include <string>

#include "BenchRatio.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "support/FoundationStartup.h"

namespace {

constexpr int cSampleSize = 4096;

std::u16string const& Paragraph(int sample) {
    static std::u16string const english =
        u"The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs.\r";
    static std::u16string const european =
        u"Gr\u00F6\u00DFe, Stra\u00DFe und \u00C4pfel; caf\u00E9, na\u00EFve, fa\u00E7ade; "
        u"\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144; \u00BFQu\u00E9 tal, se\u00F1or?\r";
    static std::u16string const japanese =
        u"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3067\u3059\u3002\u30AB\u30BF\u30AB\u30CA\u3068"
        u"\u3072\u3089\u304C\u306A\u3001\u6F22\u5B57\u3082\u4F7F\u3044\u307E\u3059\u3002\r";
    switch (sample) {
    case 0:
        return english;
    case 1:
    case 4:
        return european;
    default:
        return japanese;
    }
}

GEncoding const* SampleEncoding(int sample) {
    switch (sample) {
    case 0:
        return GASCIIEncoding::GetInstance();
    case 1:
    case 2:
        return GUTF8Encoding::GetInstance();
    case 3:
        return GShiftJISEncoding::GetInstance();
    default:
        return GUnicodeEncoding::GetInstance();
    }
}

// Whole paragraphs up to 4 KB in the sample's encoding (UTF-16 in machine order, little-endian here).
std::string MakeSample(int sample) {
    StartFoundationWithPlatformEncodings();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    std::u16string const& paragraph = Paragraph(sample);
    GString const text(GBuffer(reinterpret_cast<unsigned char const*>(paragraph.data()),
                               static_cast<int>(paragraph.size() * 2)),
                       unicode, false);
    GBuffer const bytes = text.GetBuffer(SampleEncoding(sample));
    std::string const one(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
    std::string result;
    while (result.size() + one.size() <= cSampleSize)
        result += one;
    return result;
}

void AssignEncodingOurs(benchmark::State& state) {
    std::string const sample = MakeSample(static_cast<int>(state.range(0)));
    GBuffer const bytes(reinterpret_cast<unsigned char const*>(sample.data()), static_cast<int>(sample.size()));
    GString out;
    bool found = false;
    for (auto _ : state) {
        found = GStringSupport::AssignEncoding(bytes, out);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(out);
    }
    state.SetLabel(found ? std::string(reinterpret_cast<char const*>(out.GetEncodingName().GetPtr())) : "none");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.size()));
}

struct DetectorCloser {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

void AssignEncodingIcu(benchmark::State& state) {
    std::string const sample = MakeSample(static_cast<int>(state.range(0)));
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&error));
    if (U_FAILURE(error)) {
        state.SkipWithError("ucsdet_open failed");
        return;
    }
    char const* name = "none";
    for (auto _ : state) {
        error = U_ZERO_ERROR;
        ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &error);
        UCharsetMatch const* match = ucsdet_detect(detector.get(), &error);
        name = match != nullptr ? ucsdet_getName(match, &error) : "none";
        benchmark::DoNotOptimize(name);
    }
    state.SetLabel(name != nullptr ? name : "none");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sample.size()));
}

} // namespace

BENCHMARK(AssignEncodingOurs)->Name(TROVEL_BENCH_NAME("AssignEncoding", "ours"))->DenseRange(0, 4);
BENCHMARK(AssignEncodingIcu)->Name(TROVEL_BENCH_NAME("AssignEncoding", "icu"))->DenseRange(0, 4);
