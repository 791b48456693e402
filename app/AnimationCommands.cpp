// The Animation Editor: "&Animations..." opens it on the document's portfolio.

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"

#if PIXELON_HAVE_ANIMATION_UI
#include <QInputDialog>

#include <cstdio>

#include "animation/ui/AnimationEditorWindow.h"
#endif

namespace pixelon::app {

#if PIXELON_HAVE_ANIMATION_UI
namespace {

std::optional<std::string> askText(QWidget* parent, std::string_view prompt, std::string_view title,
                                   std::string_view initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, QString::fromUtf8(title.data(), qsizetype(title.size())),
        QString::fromUtf8(prompt.data(), qsizetype(prompt.size())), QLineEdit::Normal,
        QString::fromUtf8(initial.data(), qsizetype(initial.size())), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::optional<int> askId(QWidget* parent, int proposed) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", proposed);
    const auto answer =
        askText(parent, "Please enter a Portfolio ID\n\nPortfolio ID:", "Enter Portfolio ID", text);
    if (!answer)
        return std::nullopt;
    bool ok = false;
    const int id = QString::fromStdString(*answer).trimmed().toInt(&ok);
    if (!ok || id < 0 || id > 0xFFFF)
        return std::nullopt;
    return id;
}

void openAnimationEditor(CGlyphonApp& app) {
    QWidget* parent = &app.frame();
    AnimationEditorServices services;
    services.feedback = &app.feedback();
    services.chooser = &app.doc().chooser();
    services.askText = [parent](std::string_view prompt, std::string_view title,
                                std::string_view initial) {
        return askText(parent, prompt, title, initial);
    };
    services.askId = [parent](int proposed) { return askId(parent, proposed); };
    services.newPicture = app.newPictureDialog();
    services.editPicture = app.editor();
    CAppSettings& settings = app.settings();
    const ui::AnimationEditorRun run =
        ui::runAnimationEditor(app.doc().m_portfolio, std::move(services),
                               settings.m_bZoomAnimPreview, settings.m_fImageRatio, parent);
    settings.m_bZoomAnimPreview = run.zoom;
    // Picture commands changed the portfolio even when the window was cancelled.
    if (run.picturesChanged || run.animationsChanged) {
        app.doc().SetModifiedFlag();
        app.view().documentChanged();
    }
}

} // namespace
#endif

void registerAnimationCommands([[maybe_unused]] CGlyphonApp& app) {
#if PIXELON_HAVE_ANIMATION_UI
    app.view().addCommand(ID_ANIMATIONS, [&app] { openAnimationEditor(app); });
#endif
}

} // namespace pixelon::app
