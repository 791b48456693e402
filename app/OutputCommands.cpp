// Printing, the contact sheet, the Portfolio Viewer and the About box.

#include <memory>

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"
#if PIXELON_HAVE_OUTPUT
#include "output/ContactSheet.h"
#endif
#if PIXELON_HAVE_OUTPUT_UI
#include "output/ui/PortfolioViewerDialog.h"
#include "output/ui/PrintSupport.h"
#endif

namespace pixelon::app {

namespace {

#if PIXELON_HAVE_OUTPUT_UI
// The portfolio file's name, or the document's title for a portfolio without a file.
std::string shownFileName(CGlyphonDoc& doc) {
    const std::string& path = doc.GetPathName();
    return path.empty() ? doc.GetTitle() : std::string(fileNamePart(path));
}

ui::PrintDocument printDocument(CGlyphonApp& app) {
    return {app.doc().m_portfolio, app.doc().GetTitle(), app.doc().GetPathName()};
}

void openViewer(CGlyphonApp& app) {
    CGlyphonDoc& doc = app.doc();
    ui::ViewerServices services;
    if (app.editor())
        services.edit = app.editor();
    services.changed = [&app] { app.doc().SetModifiedFlag(); };
    ui::PortfolioViewerDialog dialog(doc.m_portfolio, shownFileName(doc), app.feedback(),
                                     app.settings(), std::move(services), &app.frame());
    dialog.exec();
    // Edits in the viewer may have changed sizes and pictures: show them in the list and the
    // preview too.
    app.view().documentChanged();
}
#endif

} // namespace

void registerOutputCommands(CGlyphonApp& app) {
    CGlyphonView& view = app.view();
#if PIXELON_HAVE_OUTPUT
    view.addCommand(ID_EXPORT_CONTACT_SHEET, [&app] {
        RunContactSheetExport(app.doc().m_portfolio, app.doc().GetPathName(), app.doc().chooser(),
                              app.feedback());
    });
#endif
#if PIXELON_HAVE_OUTPUT_UI
    // One printer for the session, so Print Setup's choices reach Print and Print Preview.
    auto printing = std::make_shared<ui::PortfolioPrinting>(app.settings(), app.feedback());
    view.addCommand(ID_FILE_PRINT,
                    [&app, printing] { printing->print(&app.frame(), printDocument(app)); });
    view.addCommand(ID_FILE_PRINT_PREVIEW,
                    [&app, printing] { printing->preview(&app.frame(), printDocument(app)); });
    view.addCommand(ID_FILE_PRINT_SETUP, [&app, printing] { printing->setup(&app.frame()); });
    view.addCommand(ID_PICTURE_PORTFOLIO, [&app] { openViewer(app); });
    view.addCommand(ID_APP_ABOUT, [&app] { ui::showAbout(&app.frame()); });
#endif
}

} // namespace pixelon::app
