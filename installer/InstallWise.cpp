#include "installer/DebugChannel.h"
#include "installer/VerrinCore.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>

namespace pixelon::verrin {

namespace {

// The parameters InstallWise builds, with the texts and the restart flag placed after the
// structure so that its fields can name them by offset.
struct WiseInstallBlock {
    VERRINPARAMS params;
    std::uint32_t needRestart;
    char installPath[kMaxText];
    char tsPath[kMaxText];
};

// The value of installer variable `name` (looked up as "%name%"), or "" when it is absent. The
// value is copied into `buffer`, cut to fit.
std::string_view variable(const DLLCALLPARAMS& block, std::string_view name,
                          std::span<char> buffer) {
    std::string wanted;
    wanted.reserve(name.size() + 2);
    wanted.append(1, '%').append(name).append(1, '%');
    copyBounded(buffer, "");
    if (block.pVariables == nullptr) {
        return {buffer.data(), 0};
    }
    for (std::uint32_t i = 0; i < block.nVariables; ++i) {
        const DLLCALLVARIABLE& v = block.pVariables[i];
        if (v.szName == nullptr || v.szValue == nullptr ||
            strncasecmp(v.szName, wanted.c_str(), wanted.size() + 1) != 0) {
            continue;
        }
        const std::size_t n =
            copyBounded(buffer, std::string_view(v.szValue, strnlen(v.szValue, kMaxText)));
        return {buffer.data(), n};
    }
    return {buffer.data(), 0};
}

bool isTrue(std::string_view value) {
    return value == "TRUE";
}

} // namespace

int installWise(const DLLCALLPARAMS* block) {
    if (block == nullptr) {
        debugLog(0, "VerrinDLL::InstallWise called without a parameter block");
        return 1;
    }
    auto storage = std::make_unique<WiseInstallBlock>();
    WiseInstallBlock& b = *storage;
    char text[kMaxText];

    const std::string fromInet(variable(*block, "FROMINET", text));
    const bool visible = isTrue(variable(*block, "VISIBLE", text));
    const bool upgrade = isTrue(variable(*block, "ISUPGRADE", text));
    const std::string languageText(variable(*block, "LANGUAGEID", text));
    int language = 0;
    const int n = std::sscanf(languageText.c_str(), "%i", &language);
    if (n != 1 || language == 0) {
        debugLog(0,
                 "VerrinDLL::InstallWise ERRROR IN INPARAMETERS using default dwLangid=0x0409 "
                 "(n=%i, dwLangid=%i, szMessage=%s)",
                 n, language, languageText.c_str());
        language = 1033;
    }
    variable(*block, "INSTALLPATH", b.installPath);
    variable(*block, "TSPATH", b.tsPath);
    const bool installTs = isTrue(variable(*block, "INSTALLTS", text));
    debugLog(1, "VerrinDLL::InstallWise FROMINET=%s", fromInet.c_str());

    b.params.sizeOfStruct = VERRINPARAMS_SIZE_LONG;
    b.params.bInstallFromInet = 0;
    b.params.bIsUpgrade = upgrade ? 1 : 0;
    // Window ids of this system's displays fit in 32 bits.
    b.params.hWnd = static_cast<std::uint32_t>(block->hWnd);
    b.params.bVisible = visible ? 1 : 0;
    b.params.szPath = 0;
    b.params.bNeedRestart = offsetof(WiseInstallBlock, needRestart);
    b.params.LanguageId = static_cast<std::uint32_t>(language);
    b.params.szInstallPath = offsetof(WiseInstallBlock, installPath);
    b.params.szTSPath = offsetof(WiseInstallBlock, tsPath);
    b.params.bInstallTS = installTs ? 1 : 0;

    const int result = install(&b.params);
    debugLog(1, "VerrinDLL::InstallWise Install returned %i, restart needed %u", result,
             b.needRestart);
    return 1;
}

} // namespace pixelon::verrin
