// bench-links: phone core platform
// Hot paths of the phone link: packing a picture for the wire, the hexadecimal text, parsing
// replies and appending to a full communications log.
#include <benchmark/benchmark.h>

#include "phone/CommsLog.h"
#include "phone/ReplyTokens.h"
#include "phone/WirePicture.h"

using namespace pixelon;

namespace {

Surface stripes(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y, (x + y) % 3 ? 0xFFFFFF : 0x000000);
    return s;
}

void PackWire101x80Mono(benchmark::State& state) {
    Surface s = stripes(101, 80);
    for (auto _ : state)
        benchmark::DoNotOptimize(PackWirePicture(s, 0, 101, 80, 1));
}
BENCHMARK(PackWire101x80Mono);

void PackWire101x80Grey(benchmark::State& state) {
    Surface s = stripes(101, 80);
    for (auto _ : state)
        benchmark::DoNotOptimize(PackWirePicture(s, 0, 101, 80, 2));
}
BENCHMARK(PackWire101x80Grey);

void HexOf2020Bytes(benchmark::State& state) {
    std::vector<std::uint8_t> bytes(2020, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(toHex(bytes, true));
}
BENCHMARK(HexOf2020Bytes);

void TokeniseEdawReply(benchmark::State& state) {
    const std::string reply = "AT*EDAW=?\r\r\n*EDAW: 1024\r\n\r\nOK\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(TokeniseReply(reply));
}
BENCHMARK(TokeniseEdawReply);

void DecodeUploadChunk(benchmark::State& state) {
    std::string reply =
        "AT*EDAR=0,0,0\r\n\r\n*EDAR: 240\r\n" + std::string(480, 'A') + "\r\n\r\nOK\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeUploadReply(reply, 1024));
}
BENCHMARK(DecodeUploadChunk);

void AppendToFullLog(benchmark::State& state) {
    CCommsLog log;
    const std::string line = "Looking for EDAW data - Read (0 bytes) \"\"\r\n";
    while (log.text().size() < CCommsLog::MaxChars)
        log.LogComms(1, line);
    for (auto _ : state)
        log.LogComms(1, line);
}
BENCHMARK(AppendToFullLog);

} // namespace
