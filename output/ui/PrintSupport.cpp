#include "output/ui/PrintSupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "operations/DuplicateCheck.h"
#include "output/About.h"
#include "output/PrintPage.h"
#include "output/qt/PdfPages.h"

namespace pixelon::ui {

ResolutionDialog::ResolutionDialog(int preselected, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Choose Printer Resolution"));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QRadioButton(
            QString::fromUtf8(PrintResolutions[std::size_t(i)].label.data(),
                              qsizetype(PrintResolutions[std::size_t(i)].label.size())),
            this);
        layout->addWidget(m_buttons[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setChoice(preselected);
}

int ResolutionDialog::choice() const {
    for (int i = 0; i < 3; ++i)
        if (m_buttons[i]->isChecked())
            return i;
    return 0;
}

void ResolutionDialog::setChoice(int choice) {
    m_buttons[ValidResolutionChoice(choice)]->setChecked(true);
}

PortfolioPrinting::PortfolioPrinting(CAppSettings& settings, Feedback& feedback)
    : m_settings(settings), m_feedback(feedback),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    m_printer->setFullPage(true);
}

PortfolioPrinting::~PortfolioPrinting() = default;

std::optional<int> PortfolioPrinting::prepare(QWidget* parent, const PrintDocument& document) {
    const int preselected = StoredResolutionChoice(m_settings);
    std::optional<int> choice;
    if (chooseResolution) {
        choice = chooseResolution(preselected);
    } else {
        ResolutionDialog dialog(preselected, parent);
        if (dialog.exec() == QDialog::Accepted)
            choice = dialog.choice();
    }
    if (!choice)
        return {};
    StoreResolutionChoice(m_settings, *choice);
    CheckDuplicateIds(document.portfolio, document.portfolio.m_strName, m_feedback, false);
    return ValidResolutionChoice(*choice);
}

void PortfolioPrinting::print(QWidget* parent, const PrintDocument& document) {
    const std::optional<int> choice = prepare(parent, document);
    if (!choice)
        return;
    const PrintJob job(document.portfolio, *choice);
    std::optional<bool> grid;
    if (printDialog) {
        grid = printDialog(*m_printer, job.PageCount(), m_settings.m_bPrintGrid);
    } else {
        QPrintDialog dialog(m_printer.get(), parent);
        dialog.setMinMax(1, job.PageCount());
        auto* options = new QWidget;
        options->setWindowTitle(QObject::tr("Pictures"));
        auto* box = new QCheckBox(QObject::tr("Show grid"), options);
        box->setChecked(m_settings.m_bPrintGrid);
        (new QVBoxLayout(options))->addWidget(box);
        dialog.setOptionTabs({options});
        if (dialog.exec() == QDialog::Accepted)
            grid = box->isChecked();
    }
    if (!grid)
        return;
    m_settings.m_bPrintGrid = *grid;
    int from = m_printer->fromPage(), to = m_printer->toPage();
    if (from < 1 || to < from) {
        from = 1;
        to = job.PageCount();
    }
    const PageHeader header{document.title, FileStampOf(document.path)};
    PaintPages(*m_printer, job, header, {true, *grid}, from, std::min(to, job.PageCount()),
               m_feedback);
}

void PortfolioPrinting::preview(QWidget* parent, const PrintDocument& document) {
    const std::optional<int> choice = prepare(parent, document);
    if (!choice)
        return;
    const PrintJob job(document.portfolio, *choice);
    const PageHeader header{document.title, FileStampOf(document.path)};
    QPrintPreviewDialog dialog(m_printer.get(), parent);
    QObject::connect(
        &dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* printer) {
            PaintPages(*printer, job, header, {false, false}, 1, job.PageCount(), m_feedback);
        });
    dialog.exec();
}

void PortfolioPrinting::setup(QWidget* parent) {
    QPageSetupDialog dialog(m_printer.get(), parent);
    dialog.exec();
}

void showAbout(QWidget* parent) {
    const AboutInfo info = ProgramAbout();
    QMessageBox::about(parent, QObject::tr("About %1").arg(QString::fromStdString(info.name)),
                       QString::fromStdString(AboutText(info)));
}

} // namespace pixelon::ui
