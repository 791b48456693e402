#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/Document.h"

namespace pixelon::test {

// File dialogs answered from a queue, keeping what they were asked; an empty queue cancels.
class ScriptedChooser : public FileChooser {
public:
    std::deque<std::optional<FileAnswer>> answers;
    std::vector<FileRequest> asked;

    std::optional<FileAnswer> chooseOpen(const FileRequest& r) override { return next(r); }
    std::optional<FileAnswer> chooseSave(const FileRequest& r) override { return next(r); }

    void queuePath(const std::string& path, const std::string& name = {}) {
        FileAnswer a;
        a.paths = {path};
        a.name = name;
        answers.push_back(a);
    }

private:
    std::optional<FileAnswer> next(const FileRequest& r) {
        asked.push_back(r);
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace pixelon::test
