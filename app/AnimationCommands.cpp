// The Animation Editor: "&Animations..." opens it on the document's portfolio.

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"

#if PIXELON_HAVE_ANIMATION_UI
#include <QInputDialog>

#include "animation/ui/AnimationEditorWindow.h"
#include "operations/ui/OperationWindows.h"
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

void openAnimationEditor(CGlyphonApp& app) {
    QWidget* parent = &app.frame();
    AnimationEditorServices services;
    services.feedback = &app.feedback();
    services.chooser = &app.doc().chooser();
    services.askText = [parent](std::string_view prompt, std::string_view title,
                                std::string_view initial) {
        return askText(parent, prompt, title, initial);
    };
    // The same "Enter Portfolio ID" dialog the portfolio's ID commands use.
    services.askId = [parent, &app](int proposed) {
        return ui::runIdDialog(parent, proposed, app.feedback());
    };
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
