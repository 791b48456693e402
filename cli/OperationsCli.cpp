#include "cli/OperationsCli.h"

#include <cstdio>
#include <filesystem>

#include "core/Portfolio.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

bool readWorkPortfolio(CPortfolio& portfolio, const std::string& path, Feedback& feedback,
                       bool mayCreate) {
    std::error_code ec;
    if (mayCreate && !std::filesystem::exists(path, ec) && !ec) {
        portfolio.m_strName = "MyPortfolio";
        return true;
    }
    if (portfolio.ReadFile(path, feedback))
        return true;
    // The reader's message says why, not which file: with two portfolios named that matters.
    std::fprintf(stderr, "pixelon: %s not read\n", path.c_str());
    return false;
}

bool saveWorkPortfolio(CPortfolio& portfolio, const Args& args, const std::string& path,
                       Feedback& feedback) {
    const std::string out = args.value("-o").value_or(path);
    if (!portfolio.WriteFile(out, feedback)) {
        std::fprintf(stderr, "pixelon: %s not written\n", out.c_str());
        return false;
    }
    return true;
}

int parseIdArgument(const std::string& text, const char* what) {
    const int id = parseInteger(text, what);
    if (id < 0 || id > MaxPictureId)
        throw UsageError(std::string("Not a picture ID (0..65535) for ") + what + ": " + text);
    return id;
}

} // namespace pixelon::cli
