// GPathName against the usual path tools on the same texts: normalisation against
// std::filesystem's lexically_normal and Qt's QDir::cleanPath, joining (then normalising)
// against operator/ followed by lexically_normal and against cleanPath of the joined text, and
// relative paths against lexically_relative and QDir::relativeFilePath. Each side starts from
// its own string type, made before the timing; the workloads cycle through the same texts.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QString>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "BenchRatio.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"
#include "support/FoundationStartup.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> cPaths = {
    "/Users/me/Documents/Projects/Report 2024/./drafts/../final/summary.pdf",
    "/usr/local/share/doc/trovel/readme.txt",
    "a/b/c/../../d/./e/f/../g",
    "../shared/./assets/images/../icons/logo.png",
};

const std::vector<std::pair<std::string, std::string>> cJoins = {
    {"/Users/me/Documents/Projects", "Report 2024/final/summary.pdf"},
    {"/usr/local/share", "../lib/trovel/plugin.so"},
    {"/a/b", "c"},
    {"Output/PDF", "./Chapter 1/../Chapter 2/book.pdf"},
};

const std::vector<std::pair<std::string, std::string>> cRelatives = {
    {"/Users/me/Documents/Projects/Report/final/summary.pdf", "/Users/me/Documents/Archive/2023"},
    {"/usr/local/share/doc/readme.txt", "/usr/local/share/doc"},
    {"/a/b/c/d", "/a/x/y/z"},
    {"/Volumes/Data/Jobs/2024/March/job.pdf", "/Volumes/Data/Jobs/2024/March"},
};

GString Text(std::string const& utf8) {
    StartFoundation();
    GString text(utf8.c_str(), GUTF8Encoding::GetInstance());
    text.EnsureUnicode();
    return text;
}

QString QText(std::string const& utf8) { return QString::fromUtf8(utf8.c_str()); }

void NormalizeOurs(benchmark::State& state) {
    std::vector<GString> texts;
    for (std::string const& path : cPaths)
        texts.push_back(Text(path));
    std::size_t i = 0;
    for (auto _ : state) {
        GPathName path(texts[i]);
        benchmark::DoNotOptimize(path.GetPortablePath().GetEncodedBuffer().GetPtr());
        i = i + 1 == texts.size() ? 0 : i + 1;
    }
}

void NormalizeStd(benchmark::State& state) {
    std::vector<fs::path> paths(cPaths.begin(), cPaths.end());
    std::size_t i = 0;
    for (auto _ : state) {
        fs::path normal = paths[i].lexically_normal();
        benchmark::DoNotOptimize(normal.native().data());
        i = i + 1 == paths.size() ? 0 : i + 1;
    }
}

void NormalizeQt(benchmark::State& state) {
    std::vector<QString> paths;
    for (std::string const& path : cPaths)
        paths.push_back(QText(path));
    std::size_t i = 0;
    for (auto _ : state) {
        QString clean = QDir::cleanPath(paths[i]);
        benchmark::DoNotOptimize(clean.constData());
        i = i + 1 == paths.size() ? 0 : i + 1;
    }
}

void JoinOurs(benchmark::State& state) {
    std::vector<std::pair<GPathName, GPathName>> pairs;
    for (auto const& join : cJoins)
        pairs.emplace_back(GPathName(Text(join.first)), GPathName(Text(join.second)));
    std::size_t i = 0;
    for (auto _ : state) {
        GPathName joined = pairs[i].first / pairs[i].second;
        benchmark::DoNotOptimize(joined.GetPortablePath().GetEncodedBuffer().GetPtr());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

void JoinStd(benchmark::State& state) {
    std::vector<std::pair<fs::path, fs::path>> pairs;
    for (auto const& join : cJoins)
        pairs.emplace_back(fs::path(join.first).lexically_normal(), fs::path(join.second).lexically_normal());
    std::size_t i = 0;
    for (auto _ : state) {
        fs::path joined = (pairs[i].first / pairs[i].second).lexically_normal();
        benchmark::DoNotOptimize(joined.native().data());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

void JoinQt(benchmark::State& state) {
    std::vector<std::pair<QString, QString>> pairs;
    for (auto const& join : cJoins)
        pairs.emplace_back(QDir::cleanPath(QText(join.first)), QDir::cleanPath(QText(join.second)));
    std::size_t i = 0;
    for (auto _ : state) {
        QString joined = QDir::cleanPath(pairs[i].first + QLatin1Char('/') + pairs[i].second);
        benchmark::DoNotOptimize(joined.constData());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

void RelativeOurs(benchmark::State& state) {
    std::vector<std::pair<GPathName, GPathName>> pairs;
    for (auto const& relative : cRelatives)
        pairs.emplace_back(GPathName(Text(relative.first)), GPathName(Text(relative.second)));
    std::size_t i = 0;
    for (auto _ : state) {
        GPathName relative = pairs[i].first.GetRelativePathFrom(pairs[i].second);
        benchmark::DoNotOptimize(relative.GetPortablePath().GetEncodedBuffer().GetPtr());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

void RelativeStd(benchmark::State& state) {
    std::vector<std::pair<fs::path, fs::path>> pairs;
    for (auto const& relative : cRelatives)
        pairs.emplace_back(fs::path(relative.first), fs::path(relative.second));
    std::size_t i = 0;
    for (auto _ : state) {
        fs::path relative = pairs[i].first.lexically_relative(pairs[i].second);
        benchmark::DoNotOptimize(relative.native().data());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

void RelativeQt(benchmark::State& state) {
    std::vector<std::pair<QString, QDir>> pairs;
    for (auto const& relative : cRelatives)
        pairs.emplace_back(QText(relative.first), QDir(QText(relative.second)));
    std::size_t i = 0;
    for (auto _ : state) {
        QString relative = pairs[i].second.relativeFilePath(pairs[i].first);
        benchmark::DoNotOptimize(relative.constData());
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
}

BENCHMARK(NormalizeOurs)->Name(TROVEL_BENCH_NAME("PathNormalize", "ours"));
BENCHMARK(NormalizeStd)->Name(TROVEL_BENCH_NAME("PathNormalize", "std_filesystem"));
BENCHMARK(NormalizeQt)->Name(TROVEL_BENCH_NAME("PathNormalize", "QDir"));
BENCHMARK(JoinOurs)->Name(TROVEL_BENCH_NAME("PathJoin", "ours"));
BENCHMARK(JoinStd)->Name(TROVEL_BENCH_NAME("PathJoin", "std_filesystem"));
BENCHMARK(JoinQt)->Name(TROVEL_BENCH_NAME("PathJoin", "QDir"));
BENCHMARK(RelativeOurs)->Name(TROVEL_BENCH_NAME("PathRelative", "ours"));
BENCHMARK(RelativeStd)->Name(TROVEL_BENCH_NAME("PathRelative", "std_filesystem"));
BENCHMARK(RelativeQt)->Name(TROVEL_BENCH_NAME("PathRelative", "QDir"));

}  // namespace
