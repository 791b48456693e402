#pragma once

#include "core/Document.h"

namespace pixelon::app {

// Portfolio files as the portfolio file format reads and writes them.
class FilePortfolioStore : public PortfolioStore {
public:
    bool read(CPortfolio& portfolio, const std::filesystem::path& path, Feedback& feedback,
              const std::function<void()>& onName) override {
        return portfolio.ReadFile(path, feedback, onName);
    }
    bool write(CPortfolio& portfolio, const std::filesystem::path& path,
               Feedback& feedback) override {
        return portfolio.WriteFile(path, feedback);
    }
    std::optional<std::string> openError(const std::filesystem::path& path) override {
        return fileOpenError(path);
    }
};

// The program's one document: the portfolio and its life cycle.
class CGlyphonDoc : public Document {
public:
    using Document::Document;
};

} // namespace pixelon::app
