// bench-links: verrin_core
// The installer library's per-message cost with the debug channel off and on, and the process
// scan behind IsQLXActive.

#include "installer/DebugChannel.h"
#include "installer/VerrinCore.h"
#include "platform/Process.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pixelon;

void BM_DebugLogChannelOff(benchmark::State& state) {
    // An empty registry folder: the channel is off, as it is on most machines.
    const fs::path dir = fs::temp_directory_path() / ("verrin-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("PIXELON_REGISTRY_DIR", dir.c_str(), 1);
    for (auto _ : state) {
        debugLog(1, "VERRINPARAMS.LanguageId %i", 1033);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_DebugLogChannelOff);

void BM_DebugLineToViewer(benchmark::State& state) {
    const fs::path sock =
        fs::temp_directory_path() / ("verrin-bench-" + std::to_string(::getpid()) + ".sock");
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    CDebugChannel channel("VerrinDLL", DebugSettings{true, false, "unused", 2},
                          [&] { return std::optional(sock); });
    channel.start();
    char buffer[16384];
    for (auto _ : state) {
        channel.output(1, "VerrinDLL::DecRefCounter new value of dwRefCount=%i", 2);
        benchmark::DoNotOptimize(::recv(fd, buffer, sizeof buffer, 0));
    }
    ::close(fd);
    fs::remove(sock);
}
BENCHMARK(BM_DebugLineToViewer);

void BM_FormatDebugLine(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            formatDebugLine("VerrinDLL", 1, 0x1a2b, "VERRINPARAMS.sizeOfStruct 44"));
    }
}
BENCHMARK(BM_FormatDebugLine);

void BM_QlxProcessScan(benchmark::State& state) {
    std::size_t processes = 0;
    for (auto _ : state) {
        const auto list = listProcesses();
        processes = list.size();
        benchmark::DoNotOptimize(verrin::anyQlxProcess(list));
    }
    state.counters["processes"] = static_cast<double>(processes);
}
BENCHMARK(BM_QlxProcessScan)->Unit(benchmark::kMicrosecond);

} // namespace
