// Reading a 10 MB UTF-16 text file line by line (made once at the start in a temporary folder:
// little-endian with the mark FF FE, lines of 0 to 160 characters, mostly ASCII with some Latin
// and CJK, each ended by LF). Every side reads the file from the start in each iteration:
// - ours: GBin2TextStream::ReadLine (encoding found by the mark) over a 512 KB buffered
//   decorator, as the framework reads its files, over a plain POSIX file stream;
// - icu_getline: the whole file read into memory, decoded by ICU's u_strToUTF8 into one UTF-8
//   std::string, and split by std::getline into std::string lines;
// - qt: QTextStream::readLine over a QFile (Qt finds the encoding by the mark).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QString>
#include <QTextStream>

#include <unicode/ustring.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/streams/GInStream.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "support/FoundationStartup.h"

namespace {

constexpr std::size_t cFileBytes = 10u << 20;

// The generated file, removed with its folder at exit.
class TextFile {
public:
    TextFile() {
        char const* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/trovel-textbench-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        mFolder = pattern;
        mPath = mFolder + "/lines.txt";
        std::ofstream(mPath, std::ios::binary) << Content();
    }
    ~TextFile() {
        std::remove(mPath.c_str());
        rmdir(mFolder.c_str());
    }
    TextFile(TextFile const&) = delete;
    TextFile& operator=(TextFile const&) = delete;

    std::string const& Path() const { return mPath; }
    long long Lines() const { return mLines; }

private:
    std::string Content() {
        static char16_t const extra[] = {u'\u00E9', u'\u00FC', u'\u65E5', u'\u672C', u'\u8A9E'};
        std::string bytes = "\xFF\xFE";
        std::uint32_t state = 2024;
        auto next = [&state] {
            state = state * 1664525u + 1013904223u;
            return state >> 8;
        };
        while (bytes.size() < cFileBytes) {
            const std::uint32_t length = next() % 161;
            for (std::uint32_t i = 0; i < length; ++i) {
                const std::uint32_t r = next();
                char16_t unit = r % 10 == 0 ? extra[r / 10 % 5] : r % 7 == 0 ? u' ' : static_cast<char16_t>(u'a' + r % 26);
                bytes += static_cast<char>(unit & 0xFF);
                bytes += static_cast<char>(unit >> 8);
            }
            bytes += std::string("\n\0", 2);
            ++mLines;
        }
        return bytes;
    }

    std::string mFolder;
    std::string mPath;
    long long mLines = 0;
};

TextFile const& File() {
    static TextFile const file;
    return file;
}

// A plain file stream over a descriptor.
class FileInStream : public GInStream {
public:
    explicit FileInStream(std::string const& path) : mFd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileInStream() override {
        if (mFd >= 0)
            close(mFd);
    }
    FileInStream(FileInStream const&) = delete;

    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override {
        out.SetLength(count);
        const ssize_t n = count > 0 && mFd >= 0 ? read(mFd, out.GetWritePtr(), static_cast<std::size_t>(count)) : -1;
        out.SetLength(n > 0 ? static_cast<int>(n) : 0);
        return n > 0 ? static_cast<int>(n) : -1;
    }
    void Reset() override { lseek(mFd, 0, SEEK_SET); }

private:
    int mFd;
};

void Finish(benchmark::State& state, long long lines) {
    if (lines != File().Lines())
        state.SkipWithError("wrong line count");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cFileBytes));
}

void ReadLinesOurs(benchmark::State& state) {
    StartFoundation();
    long long lines = 0;
    for (auto _ : state) {
        FileInStream file(File().Path());
        GBufferedInStreamDecorator buffered(file, 524288);
        GBin2TextStream reader(buffered, nullptr);
        GString line;
        lines = 0;
        while (reader.ReadLine(line)) {
            benchmark::DoNotOptimize(line.GetEncodedBuffer().GetPtr());
            ++lines;
        }
    }
    Finish(state, lines);
}

void ReadLinesICUGetline(benchmark::State& state) {
    long long lines = 0;
    for (auto _ : state) {
        std::ifstream in(File().Path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        UChar const* units = reinterpret_cast<UChar const*>(bytes.data()) + 1;  // after the mark
        const int32_t count = static_cast<int32_t>(bytes.size() / 2) - 1;
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        u_strToUTF8(nullptr, 0, &length, units, count, &status);
        std::string utf8(static_cast<std::size_t>(length), '\0');
        status = U_ZERO_ERROR;
        u_strToUTF8(&utf8[0], length, nullptr, units, count, &status);
        std::istringstream text(std::move(utf8));
        std::string line;
        lines = 0;
        while (std::getline(text, line)) {
            benchmark::DoNotOptimize(line.data());
            ++lines;
        }
    }
    Finish(state, lines);
}

void ReadLinesQt(benchmark::State& state) {
    long long lines = 0;
    for (auto _ : state) {
        QFile file(QString::fromStdString(File().Path()));
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open");
        QTextStream text(&file);
        lines = 0;
        while (!text.atEnd()) {
            QString line = text.readLine();
            benchmark::DoNotOptimize(line.constData());
            ++lines;
        }
    }
    Finish(state, lines);
}

}  // namespace

BENCHMARK(ReadLinesOurs)->Name(TROVEL_BENCH_NAME("ReadLinesUTF16", "ours"))->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLinesICUGetline)->Name(TROVEL_BENCH_NAME("ReadLinesUTF16", "icu_getline"))->Unit(benchmark::kMillisecond);
BENCHMARK(ReadLinesQt)->Name(TROVEL_BENCH_NAME("ReadLinesUTF16", "qt"))->Unit(benchmark::kMillisecond);
