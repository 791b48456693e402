// bench-links: core platform
// The settings hive: parsing and writing its text, loading the record, and whole-file reads and
// locked writes through Registry.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/AppSettings.h"
#include "core/FileTypes.h"
#include "platform/Registry.h"

using namespace pixelon;

namespace {

// A user hive as the program leaves it, plus `extraKeys` keys of ten values each.
HiveData typicalHive(int extraKeys) {
    HiveData hive;
    CAppSettings().save(hive);
    for (int k = 0; k < extraKeys; ++k)
        for (int v = 0; v < 10; ++v)
            hive.setValue("Software\\Other\\Key" + std::to_string(k), "Value" + std::to_string(v),
                          std::string("some text value \\ with \"escapes\""));
    writeFileTypeKeys(hive, "/usr/bin/vistrel", kPortfolioTypeName);
    return hive;
}

void BM_ParseHiveText(benchmark::State& state) {
    const std::string text = typicalHive(int(state.range(0))).toRegText("HKEY_CURRENT_USER");
    for (auto _ : state) {
        HiveData hive;
        HiveData::fromRegText(text, "HKEY_CURRENT_USER", hive);
        benchmark::DoNotOptimize(hive);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ParseHiveText)->Arg(0)->Arg(100);

void BM_WriteHiveText(benchmark::State& state) {
    const HiveData hive = typicalHive(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hive.toRegText("HKEY_CURRENT_USER"));
}
BENCHMARK(BM_WriteHiveText)->Arg(0)->Arg(100);

void BM_LoadSettingsRecord(benchmark::State& state) {
    const HiveData hive = typicalHive(0);
    CAppSettings settings;
    for (auto _ : state) {
        settings.load(hive, {1920, 1080});
        benchmark::DoNotOptimize(settings);
    }
}
BENCHMARK(BM_LoadSettingsRecord);

struct HiveFolder {
    std::filesystem::path dir;
    HiveFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "pixelon-bench-XXXXXX").string();
        dir = ::mkdtemp(templ.data());
    }
    ~HiveFolder() { std::filesystem::remove_all(dir); }
};

void BM_RegistryReadDword(benchmark::State& state) {
    HiveFolder folder;
    Registry reg(folder.dir / "user.reg", folder.dir / "machine.reg");
    const HiveData hive = typicalHive(0);
    reg.update(Hive::CurrentUser, [&](HiveData& d) { d = hive; });
    for (auto _ : state)
        benchmark::DoNotOptimize(reg.readDword(Hive::CurrentUser, kSettingsKey, "ComPort"));
}
BENCHMARK(BM_RegistryReadDword);

void BM_RegistrySaveSettings(benchmark::State& state) {
    HiveFolder folder;
    Registry reg(folder.dir / "user.reg", folder.dir / "machine.reg");
    CAppSettings settings;
    std::uint32_t n = 0;
    for (auto _ : state) {
        settings.m_nMainWinX = int(++n % 1000); // a real change each time, so the file is rewritten
        benchmark::DoNotOptimize(settings.save(reg));
    }
}
BENCHMARK(BM_RegistrySaveSettings)->Iterations(50);

} // namespace
