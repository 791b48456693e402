#pragma once

// The library's logic behind its C exports.

#include "installer/SetupWait.h"
#include "installer/verrin.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon {

class Registry;
struct ProcessInfo;

namespace verrin {

inline constexpr std::string_view kKey = "Software\\Norvane\\Verrin";
inline constexpr std::size_t kMaxText = 4096; // the longest text read from a caller's block

// Copies `text` into `buffer`, cut to fit, always terminated when the buffer is not empty.
// Returns the number of characters copied.
std::size_t copyBounded(std::span<char> buffer, std::string_view text);

// Reads the texts and the restart flag that a VERRINPARAMS block carries as offsets. An offset
// of 0, one that points into the structure itself, or a text without a terminator within
// kMaxText characters is absent.
class CParamsView {
public:
    explicit CParamsView(const VERRINPARAMS& params) : m_params(params) {}
    std::optional<std::string> text(std::uint32_t offset) const;
    bool setFlag(std::uint32_t offset, std::uint32_t value) const;

private:
    const VERRINPARAMS& m_params;
};

// One setup run: starts `program` with the parameter string, waits for it and returns how it
// ended; a program that cannot be started is Aborted. Status texts go to standard error when
// `visible`.
WaitState runSetup(const std::filesystem::path& program, std::string_view parameters,
                   const SetupMarkers& markers, bool visible);

std::string setupParameters(bool upgrade, std::uint32_t languageId, std::string_view installPath);

int install(const VERRINPARAMS* params);
int installWise(const DLLCALLPARAMS* block);

std::uint32_t refCount(const Registry& registry);
int uninstall(bool startKillHelper);
bool verrinPath(std::span<char> buffer);

// True for "qlxworker" (with or without ".exe") and for names containing "qlxwor~", in any case.
bool isQlxName(std::string_view name);
bool anyQlxProcess(const std::vector<ProcessInfo>& processes);

} // namespace verrin
} // namespace pixelon
