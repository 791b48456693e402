// bench-links: core platform
// Reading and writing a portfolio of 65,536 glyphs of 16 x 16 (about 2.4 million lines).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

using namespace pixelon;

namespace {

CPortfolio makeGlyphs() {
    CPortfolio folio;
    folio.m_strName = "Bench";
    std::mt19937 random(7);
    for (int id = 0; id < 65536; ++id) {
        auto p = std::make_unique<CPicture>();
        p->Create(16, 16, id);
        p->m_nDepth = 16;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                p->SetPixel(x, y, random() & 1 ? 0xFFFF : 0x0000);
        folio.m_pictures.push_back(std::move(p));
    }
    return folio;
}

const std::filesystem::path& glyphFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() /
                 ("pixelon-bench-" + std::to_string(::getpid()) + ".pfo");
        CPortfolio folio = makeGlyphs();
        RecordingFeedback feedback;
        folio.WriteFile(p, feedback);
        return p;
    }();
    return path;
}

void BM_ReadFile(benchmark::State& state) {
    const auto& path = glyphFile();
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        CPortfolio folio;
        RecordingFeedback feedback;
        if (!folio.ReadFile(path, feedback) || folio.Count() != 65536)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(folio.m_pictures.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

void BM_WriteFile(benchmark::State& state) {
    CPortfolio folio = makeGlyphs();
    auto path = glyphFile();
    path += ".out";
    for (auto _ : state) {
        RecordingFeedback feedback;
        if (!folio.WriteFile(path, feedback))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond);

void BM_WriteText(benchmark::State& state) {
    CPortfolio folio = makeGlyphs();
    std::size_t bytes = 0;
    for (auto _ : state) {
        LineWriter writer;
        folio.WriteTo(writer, "bench.pfo");
        bytes = writer.text().size();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}
BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond);

// Started with PIXELON_BENCH_READ=<file>, the program only reads that file and prints its peak
// resident memory before and after (kB), so the figure comes from a fresh process.
const bool readOnlyChild = [] {
    const char* path = std::getenv("PIXELON_BENCH_READ");
    if (!path)
        return false;
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    CPortfolio folio;
    RecordingFeedback feedback;
    bool ok = folio.ReadFile(path, feedback);
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("%ld %ld %d\n", before.ru_maxrss, after.ru_maxrss, ok ? folio.Count() : -1);
    std::fflush(stdout);
    ::_exit(0);
}();

void BM_ReadPeakMemory(benchmark::State& state) {
    const auto& path = glyphFile();
    const double fileMb = double(std::filesystem::file_size(path)) / (1 << 20);
    for (auto _ : state) {
        std::string command = "PIXELON_BENCH_READ='" + path.string() + "' /proc/" +
                              std::to_string(::getpid()) + "/exe";
        std::FILE* child = ::popen(command.c_str(), "r");
        long before = 0, after = 0;
        int count = 0;
        if (!child || std::fscanf(child, "%ld %ld %d", &before, &after, &count) != 3 ||
            count != 65536)
            state.SkipWithError("the reading process failed");
        if (child)
            ::pclose(child);
        state.counters["file_MB"] = fileMb;
        state.counters["peak_MB"] = double(after) / 1024;
        state.counters["growth_MB"] = double(after - before) / 1024;
        state.counters["growth_per_file_MB"] = double(after - before) / 1024 / fileMb;
    }
}
BENCHMARK(BM_ReadPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
