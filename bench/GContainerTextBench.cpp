// Reading one record of the printer-processor's actor registry: a dictionary of 12 string
// entries (about 470 characters, paths, flags and a name with a quote and a backslash) in the
// text form that GContainerText::DictToString writes, UTF-16 without a mark. Made once at the
// start; each iteration reads the whole record into an empty dictionary.
// - ours: GDict<GBuffer, GString>::FromString, as the registry reads its records.
// - std_u16string: a plain loop over the same UTF-16 units in a std::u16string: checks the
//   "#BEGINDICT" line, then per line a quoted key, blanks and a quoted value with the same
//   backslash escapes (\t, \n as CR, \", \\, \', anything else kept with its backslash), the
//   rest of the line skipped, up to a line starting with "#"; keys narrowed to std::string,
//   values kept as std::u16string in a std::unordered_map. No normalisation of the values.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/streams/GContainerText.h"
#include "core/text/GString.h"
#include "support/FoundationStartup.h"

namespace {

constexpr int cEntries = 12;

GString Utf16(char16_t const* text) { return GString(text); }

// The record and its units for the peer.
struct RecordText {
    GString text;
    std::u16string units;

    RecordText() {
        StartFoundation();
        GDict<GBuffer, GString> record(5);
        record.Put(GBuffer("ActorName"), Utf16(u"Trovelor \"Proof\" 042"));
        record.Put(GBuffer("ApplicationPath"), Utf16(u"/Applications/Trovelors/Proof Trovelor 042.app"));
        record.Put(GBuffer("ContextFilePath"), Utf16(u"/Users/me/Library/Trovelors/Proof 042/context.xml"));
        record.Put(GBuffer("PDFSettings"), Utf16(u"High Quality Print\\Press"));
        record.Put(GBuffer("TrovelorName"), Utf16(u"Proof Trovelor 042"));
        record.Put(GBuffer("TrovelorIconPath"), Utf16(u"/Users/me/Library/Trovelors/Proof 042/icon.png"));
        record.Put(GBuffer("IsVirtualPrinter"), Utf16(u"false"));
        record.Put(GBuffer("IsPlugin"), Utf16(u"true"));
        record.Put(GBuffer("IsActive"), Utf16(u"true"));
        record.Put(GBuffer("Version"), Utf16(u"3.2.1"));
        record.Put(GBuffer("Vendor"), Utf16(u"Kelvora"));
        record.Put(GBuffer("Comment"), Utf16(u"Proofs\tfor the press"));
        record.ToString(text);
        GBuffer const& bytes = text.GetEncodedBuffer();
        units.assign(reinterpret_cast<char16_t const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength() / 2));
    }
};

RecordText const& Record() {
    static RecordText const record;
    return record;
}

void ParseOurs(benchmark::State& state) {
    GString const& text = Record().text;
    for (auto _ : state) {
        GDict<GBuffer, GString> record(5);
        if (!record.FromString(text) || record.GetCount() != cEntries)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(record.GetCount());
    }
    state.SetItemsProcessed(state.iterations());
}

// The peer's reader: pos moves over units.
class PeerReader {
public:
    explicit PeerReader(std::u16string const& text) : mText(text) {}

    bool AtEnd() const { return mPos >= mText.size(); }
    char16_t Peek() const { return mText[mPos]; }

    void SkipBlanks(bool lineEnds) {
        while (!AtEnd() && (Peek() == u' ' || Peek() == u'\t' || (lineEnds && (Peek() == u'\r' || Peek() == u'\n'))))
            ++mPos;
    }
    std::u16string Word() {
        SkipBlanks(true);
        std::size_t const start = mPos;
        while (!AtEnd() && Peek() != u' ' && Peek() != u'\t' && Peek() != u'\r' && Peek() != u'\n')
            ++mPos;
        return mText.substr(start, mPos - start);
    }
    void SkipLine() {
        while (!AtEnd() && Peek() != u'\r' && Peek() != u'\n')
            ++mPos;
        if (!AtEnd() && mText[mPos++] == u'\r' && !AtEnd() && Peek() == u'\n')
            ++mPos;
    }
    bool Quoted(std::u16string& out) {
        out.clear();
        if (AtEnd() || Peek() != u'"')
            return false;
        ++mPos;
        while (!AtEnd()) {
            char16_t const c = mText[mPos++];
            if (c == u'"')
                return true;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (AtEnd()) {
                out += c;
                break;
            }
            char16_t const e = mText[mPos++];
            switch (e) {
            case u't':
                out += u'\t';
                break;
            case u'n':
                out += u'\r';
                break;
            case u'"':
            case u'\\':
            case u'\'':
                out += e;
                break;
            default:
                out += u'\\';
                out += e;
            }
        }
        return false;
    }

private:
    std::u16string const& mText;
    std::size_t mPos = 0;
};

bool PeerParse(std::u16string const& text, std::unordered_map<std::string, std::u16string>& dict) {
    dict.clear();
    PeerReader in(text);
    if (in.Word() != u"#BEGINDICT")
        return false;
    in.SkipBlanks(true);
    std::u16string key;
    std::u16string value;
    for (;;) {
        in.SkipBlanks(false);
        if (!in.Quoted(key))
            break;
        in.SkipBlanks(false);
        if (!in.Quoted(value))
            return false;
        in.SkipLine();
        dict[std::string(key.begin(), key.end())] = value;
    }
    std::u16string const end = in.Word();
    if (end.empty() || end[0] != u'#')
        return false;
    in.SkipLine();
    return true;
}

void ParsePeer(benchmark::State& state) {
    std::u16string const& units = Record().units;
    for (auto _ : state) {
        std::unordered_map<std::string, std::u16string> record;
        if (!PeerParse(units, record) || record.size() != cEntries)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(record.size());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(ParseOurs)->Name(TROVEL_BENCH_NAME("ParseRegistryRecord", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(ParsePeer)->Name(TROVEL_BENCH_NAME("ParseRegistryRecord", "std_u16string"))->Unit(benchmark::kMicrosecond);
