// Fonts: BDF import, system fonts into glyphs, Windows FNT export.

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"

#if PIXELON_HAVE_FONTS_UI
#include "fonts/BdfWriter.h"
#include "fonts/FontCommands.h"
#include "fonts/ui/FontDialogs.h"
#endif

namespace pixelon::app {

#if PIXELON_HAVE_FONTS_UI
namespace {

// Marks the document changed and selects the picture a command added last.
void showAdded(CGlyphonApp& app, const FontCommandResult& result) {
    if (result.added == 0)
        return;
    const CPortfolio& portfolio = app.doc().m_portfolio;
    int select = -1;
    for (int i = 0; i < portfolio.Count(); ++i)
        if (&portfolio.Picture(i) == result.select)
            select = i;
    app.picturesChanged(select);
}

} // namespace
#endif

void registerFontCommands(CGlyphonApp& app) {
#if PIXELON_HAVE_FONTS_UI
    CGlyphonView& view = app.view();
    view.addCommand(ID_INSERT_BDF_FONT, [&app] {
        ui::QtFontDialogs dialogs(app.doc().chooser(), &app.frame());
        showAdded(
            app, RunBdfImport(app.doc().m_portfolio, app.doc().chooser(), dialogs, app.feedback()));
    });
    view.addCommand(ID_INSERT_WINDOWS_FONT, [&app] {
        ui::QtFontDialogs dialogs(app.doc().chooser(), &app.frame());
        showAdded(app, RunWindowsFontImport(app.doc().m_portfolio, dialogs, app.feedback()));
    });
    view.addCommand(ID_EXPORT_WINDOWS_FONT, [&app] {
        ui::QtFontDialogs dialogs(app.doc().chooser(), &app.frame());
        RunFntExport(app.doc().m_portfolio, app.doc().GetPathName(), app.view().selectedIndices(),
                     app.settings(), dialogs, app.feedback());
    });
    view.addCommand(ID_EXPORT_BDF_FONT, [&app] {
        RunBdfExport(app.doc().m_portfolio, app.doc().GetPathName(), app.doc().chooser(),
                     app.feedback());
    });
#else
    (void)app;
#endif
}

} // namespace pixelon::app
