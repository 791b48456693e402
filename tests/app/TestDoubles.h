#pragma once

#include <QTemporaryDir>

#include <deque>
#include <map>
#include <memory>

#include "app/GlyphonApp.h"
#include "app/ViewDialogs.h"
#include "core/Document.h"
#include "platform/Feedback.h"
#include "tests/support/ScriptedChooser.h"

namespace pixelon::app::test {

using pixelon::test::ScriptedChooser;

// The view's dialogs answered from a script; nothing scripted cancels.
class ScriptedDialogs : public ViewDialogs {
public:
    std::optional<std::string> name, notes;
    std::optional<TextMetrics> metrics;
    int asked = 0;
    std::optional<std::string> askPortfolioName(const std::string&) override {
        ++asked;
        return name;
    }
    std::optional<std::string> askPortfolioNotes(const std::string&) override {
        ++asked;
        return notes;
    }
    std::optional<TextMetrics> editTextMetrics(const TextMetrics&) override {
        ++asked;
        return metrics;
    }
    std::optional<int> number;
    std::optional<int> askPictureNumber(const std::string&, int, int) override {
        ++asked;
        return number;
    }
};

// Real portfolio files in a temporary folder, with writes that can be made to fail.
class TestStore : public PortfolioStore {
public:
    bool failWrites = false;
    std::vector<std::string> written;
    bool read(CPortfolio& p, const std::filesystem::path& path, Feedback& fb,
              const std::function<void()>& onName) override {
        return p.ReadFile(path, fb, onName);
    }
    bool write(CPortfolio& p, const std::filesystem::path& path, Feedback& fb) override {
        if (failWrites)
            return false;
        written.push_back(path.string());
        return p.WriteFile(path, fb);
    }
    std::optional<std::string> openError(const std::filesystem::path& path) override {
        return fileOpenError(path);
    }
};

// One application with every outside effect replaced, and a folder for its files.
struct AppFixture {
    QTemporaryDir dir;
    RecordingFeedback feedback;
    ScriptedChooser chooser;
    ScriptedDialogs dialogs;
    TestStore store;
    Registry registry{dir.filePath("user.reg").toStdString(),
                      dir.filePath("machine.reg").toStdString()};
    CAppSettings settings;
    // The editor and the New Picture dialog: OK without a change, and Cancel, unless a test
    // scripts them; no test ever waits on their windows.
    int editorRuns = 0;
    std::function<bool(CPicture&)> editor = [](CPicture&) { return true; };
    std::function<std::unique_ptr<CPicture>(const CPortfolio&, int)> newPicture =
        [](const CPortfolio&, int) { return std::unique_ptr<CPicture>(); };
    std::unique_ptr<CGlyphonApp> app;

    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    AppServices services() {
        AppServices s;
        s.feedback = &feedback;
        s.chooser = &chooser;
        s.dialogs = &dialogs;
        s.store = &store;
        s.registry = &registry;
        s.settings = &settings;
        s.dataHome = path("share");
        s.runUpdateTools = false;
        s.editor = [this](CPicture& p) {
            ++editorRuns;
            return editor(p);
        };
        s.newPicture = [this](const CPortfolio& p, int caret) { return newPicture(p, caret); };
        return s;
    }
    CGlyphonApp& start(const std::optional<std::string>& file = {}) {
        app = std::make_unique<CGlyphonApp>(services());
        app->InitInstance(file, false);
        return *app;
    }
    // A portfolio file with pictures of the given IDs (4 x 3 pixels each).
    std::string writePortfolio(const char* name, std::initializer_list<int> ids,
                               const std::string& title = "Sample") {
        CPortfolio p;
        p.m_strName = title;
        for (int id : ids) {
            auto picture = std::make_unique<CPicture>();
            picture->Create(4, 3, id);
            p.InsertSorted(std::move(picture));
        }
        RecordingFeedback quiet;
        p.WriteFile(path(name), quiet);
        return path(name);
    }
};

} // namespace pixelon::app::test
