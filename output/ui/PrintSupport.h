#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QPrinter;
class QRadioButton;

namespace pixelon {

class CAppSettings;
class CPortfolio;
class Feedback;

namespace ui {

// "Choose Printer Resolution": the three resolutions as radio buttons.
class ResolutionDialog : public QDialog {
    Q_OBJECT
public:
    explicit ResolutionDialog(int preselected, QWidget* parent = nullptr);
    int choice() const;
    void setChoice(int choice);

private:
    QRadioButton* m_buttons[3] = {};
};

// What a print job needs to know about the document.
struct PrintDocument {
    const CPortfolio& portfolio;
    std::string title; // the document's title, normally its file name
    std::string path;  // the portfolio file, for its date; may be empty
};

// Print, Print Preview and Print Setup over one printer that keeps its set-up between them.
class PortfolioPrinting {
public:
    PortfolioPrinting(CAppSettings& settings, Feedback& feedback);
    ~PortfolioPrinting();

    // The resolution chooser, then the print dialog with "Show grid", then the pages.
    void print(QWidget* parent, const PrintDocument& document);
    // The resolution chooser, then Qt's preview of the pages (never with the grid).
    void preview(QWidget* parent, const PrintDocument& document);
    void setup(QWidget* parent);

    QPrinter& printer() { return *m_printer; }
    // Replaces the dialogs in tests: the resolution chooser's answer, and the print dialog's
    // answer as the "Show grid" state (nothing: Cancel).
    std::function<std::optional<int>(int preselected)> chooseResolution;
    std::function<std::optional<bool>(QPrinter&, int pageCount, bool grid)> printDialog;

private:
    std::optional<int> prepare(QWidget* parent, const PrintDocument& document);

    CAppSettings& m_settings;
    Feedback& m_feedback;
    std::unique_ptr<QPrinter> m_printer;
};

// The About box: the program's name, version and build.
void showAbout(QWidget* parent);

} // namespace ui
} // namespace pixelon
