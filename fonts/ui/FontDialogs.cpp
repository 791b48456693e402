#include "fonts/ui/FontDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/Document.h"
#include "fonts/FontChoice.h"
#include "fonts/qt/QtGlyphRenderer.h"

namespace pixelon::ui {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* codeField(const std::string& text, int maxLength = 4) {
    auto* field = new QLineEdit(q(text));
    field->setMaxLength(maxLength);
    field->setMaximumWidth(70);
    return field;
}

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

// The styles of a family with their slant and weight. Qt counts only "Italic" styles as
// italic, so the slant is read from the font each style gives ("Oblique" too).
std::vector<FontStyle> stylesOf(const QString& family) {
    std::vector<FontStyle> out;
    for (const QString& name : QFontDatabase::styles(family)) {
        const QFont font = QFontDatabase::font(family, name, 12);
        out.push_back({name.toStdString(), font.style() != QFont::StyleNormal,
                       QFontDatabase::weight(family, name)});
    }
    return out;
}

// The family the chooser lists for a name that may be an alias ("monospace").
QString listedFamily(const QString& family) {
    return QFontInfo(QFont(family)).family();
}

// The chooser's font for a chosen one: the family's style nearest to the slant and weight.
QFont chooserFont(const SystemFont& chosen, bool slanted, int weight) {
    const QString family = listedFamily(QString::fromStdString(chosen.family));
    const std::vector<FontStyle> styles = stylesOf(family);
    QFont font(family);
    const int nearest = NearestFontStyle(styles, slanted, weight);
    if (nearest >= 0)
        font.setStyleName(QString::fromStdString(styles[std::size_t(nearest)].name));
    font.setPointSizeF(chosen.tenthsOfPoint / 10.0);
    font.setUnderline(chosen.underline);
    font.setStrikeOut(chosen.strikeout);
    return font;
}

} // namespace

BdfImportDialog::BdfImportDialog(const BdfImportChoice& proposal, QWidget* parent)
    : QDialog(parent), m_proposal(proposal) {
    setWindowTitle("Import BDF font");
    auto* grid = new QGridLayout(this);
    m_single = new QRadioButton("Single glyph");
    m_range = new QRadioButton("Range of glyphs");
    m_code = codeField(proposal.singleCode);
    m_first = codeField(proposal.rangeFirst);
    m_last = codeField(proposal.rangeLast);
    m_global = new QCheckBox("Use global height for all glyphs");
    m_global->setChecked(proposal.useGlobalHeight);
    m_global->setEnabled(proposal.globalHeightEnabled);
    grid->addWidget(m_single, 0, 0);
    grid->addWidget(m_code, 0, 1);
    grid->addWidget(m_range, 1, 0);
    grid->addWidget(m_first, 1, 1);
    grid->addWidget(new QLabel("--->"), 1, 2);
    grid->addWidget(m_last, 1, 3);
    grid->addWidget(m_global, 2, 0, 1, 4);
    grid->addWidget(okCancel(this), 3, 0, 1, 4);
    (proposal.singleGlyph ? m_single : m_range)->setChecked(true);
    connect(m_single, &QRadioButton::toggled, this, [this] { enableFields(); });
    enableFields();
}

void BdfImportDialog::enableFields() {
    const bool single = m_single->isChecked();
    m_code->setEnabled(single);
    m_first->setEnabled(!single);
    m_last->setEnabled(!single);
}

BdfImportChoice BdfImportDialog::choice() const {
    BdfImportChoice c = m_proposal;
    c.singleGlyph = m_single->isChecked();
    c.singleCode = m_code->text().toStdString();
    c.rangeFirst = m_first->text().toStdString();
    c.rangeLast = m_last->text().toStdString();
    c.useGlobalHeight = m_global->isChecked();
    return c;
}

FontChooserDialog::FontChooserDialog(const std::optional<ChosenFont>& lastUsed, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Font");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_fonts = new QFontDialog(this);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const SystemFont initial =
        InitialChooserFont(lastUsed ? std::optional<SystemFont>(lastUsed->font) : std::nullopt,
                           listedFamily(fixed.family()).toStdString(), fixed.pointSize());
    m_slanted = initial.italic;
    m_weight = initial.bold ? BoldFontWeight : NormalFontWeight;
    m_fonts->setCurrentFont(chooserFont(initial, m_slanted, m_weight));
    m_family = m_fonts->currentFont().family();
    connect(m_fonts, &QFontDialog::currentFontChanged, this, &FontChooserDialog::fontChanged);
    row->addWidget(m_fonts);
    // The embedded chooser is a dialog of its own: Escape would close only it and leave this
    // window empty. Escape cancels the whole window instead, and the chooser stays shown.
    connect(m_fonts, &QDialog::finished, this, [this] {
        m_fonts->setVisible(true);
        reject();
    });
    auto* colourColumn = new QVBoxLayout;
    colourColumn->addWidget(new QLabel("Color:"));
    m_colourButton = new QPushButton;
    m_colourButton->setFixedSize(48, 24);
    colourColumn->addWidget(m_colourButton);
    colourColumn->addStretch();
    row->addLayout(colourColumn);
    layout->addLayout(row);
    layout->addWidget(okCancel(this));
    setColour(lastUsed ? lastUsed->colour : 0);
    connect(m_colourButton, &QPushButton::clicked, this, [this] {
        const QColor picked = QColorDialog::getColor(
            QColor(redOf(m_colour), greenOf(m_colour), blueOf(m_colour)), this);
        if (picked.isValid())
            setColour(rgb(picked.red(), picked.green(), picked.blue()));
    });
}

void FontChooserDialog::fontChanged(const QFont& font) {
    if (m_adjusting)
        return;
    if (font.family() == m_family) {
        // A style or size chosen in the same family: its slant and weight are what later
        // families follow.
        m_slanted = font.style() != QFont::StyleNormal;
        m_weight = font.weight();
        return;
    }
    m_family = font.family();
    const std::vector<FontStyle> styles = stylesOf(m_family);
    const int nearest = NearestFontStyle(styles, m_slanted, m_weight);
    if (nearest < 0)
        return;
    const QString style = QString::fromStdString(styles[std::size_t(nearest)].name);
    if (style == font.styleName())
        return;
    QFont wanted = font;
    wanted.setStyleName(style);
    const QScopedValueRollback<bool> adjusting(m_adjusting, true);
    m_fonts->setCurrentFont(wanted);
}

void FontChooserDialog::setColour(Colour colour) {
    m_colour = colour;
    m_colourButton->setStyleSheet(QString("background-color: rgb(%1, %2, %3)")
                                      .arg(redOf(colour))
                                      .arg(greenOf(colour))
                                      .arg(blueOf(colour)));
}

ChosenFont FontChooserDialog::chosen() const {
    const QFont font = m_fonts->currentFont();
    ChosenFont c;
    c.font.family = font.family().toStdString();
    c.font.tenthsOfPoint = int(font.pointSizeF() * 10 + 0.5);
    c.font.bold = font.bold();
    c.font.italic = font.italic();
    c.font.underline = font.underline();
    c.font.strikeout = font.strikeOut();
    c.colour = m_colour;
    return c;
}

CharacterSetDialog::CharacterSetDialog(int tenthsOfPoint, int dotsPerInch, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Select character set from Font");
    auto* grid = new QGridLayout(this);
    const CharacterSetChoice defaults;
    m_range = new QRadioButton("Character set");
    m_single = new QRadioButton("Single character");
    m_first = codeField(defaults.rangeFirst);
    m_last = codeField(defaults.rangeLast);
    m_code = codeField(defaults.singleCode);
    m_tenths = codeField(defaults.tenths, 1);
    grid->addWidget(m_range, 0, 0);
    grid->addWidget(m_first, 0, 1);
    grid->addWidget(new QLabel("--->"), 0, 2);
    grid->addWidget(m_last, 0, 3);
    grid->addWidget(m_single, 1, 0);
    grid->addWidget(m_code, 1, 1);
    grid->addWidget(new QLabel("Select a single character or a character set."), 2, 0, 1, 4);
    grid->addWidget(new QLabel(q(ChosenPointSizeText(tenthsOfPoint))), 3, 0, 1, 4);
    grid->addWidget(new QLabel(q(PixelHeightText(tenthsOfPoint, dotsPerInch))), 4, 0, 1, 4);
    grid->addWidget(new QLabel("This can be adjust by entering Tenths of Point size:"), 5, 0, 1, 3);
    grid->addWidget(m_tenths, 5, 3);
    grid->addWidget(okCancel(this), 6, 0, 1, 4);
    m_range->setChecked(true);
    connect(m_range, &QRadioButton::toggled, this, [this] { lockFields(); });
    lockFields();
}

void CharacterSetDialog::lockFields() {
    const bool range = m_range->isChecked();
    m_first->setReadOnly(!range);
    m_last->setReadOnly(!range);
    m_code->setReadOnly(range);
}

CharacterSetChoice CharacterSetDialog::choice() const {
    CharacterSetChoice c;
    c.single = m_single->isChecked();
    c.rangeFirst = m_first->text().toStdString();
    c.rangeLast = m_last->text().toStdString();
    c.singleCode = m_code->text().toStdString();
    c.tenths = m_tenths->text().toStdString();
    return c;
}

FntExportDialog::FntExportDialog(const FntExportState& proposal, FileChooser& chooser,
                                 QWidget* parent)
    : QDialog(parent), m_proposal(proposal), m_chooser(chooser) {
    setWindowTitle("Export to Windows Font");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(q(proposal.fileName));
    auto* browseButton = new QPushButton("...");
    browseButton->setMaximumWidth(32);
    fileRow->addWidget(m_file);
    fileRow->addWidget(browseButton);
    form->addRow("Filename:", fileRow);
    m_name = new QLineEdit(q(proposal.fontName));
    form->addRow("Font name:", m_name);
    layout->addLayout(form);

    auto* styles = new QGridLayout;
    m_bold = new QCheckBox("Bold");
    m_italic = new QCheckBox("Italic");
    m_underline = new QCheckBox("Underline");
    m_strikeout = new QCheckBox("Strikeout");
    m_fixed = new QCheckBox("Fixed width");
    m_preserve = new QCheckBox("Preserve Unicodes 20 - FF");
    m_bold->setChecked(proposal.bold);
    m_italic->setChecked(proposal.italic);
    m_underline->setChecked(proposal.underline);
    m_strikeout->setChecked(proposal.strikeout);
    m_fixed->setChecked(proposal.fixedWidth);
    m_preserve->setChecked(proposal.preserve);
    styles->addWidget(m_bold, 0, 0);
    styles->addWidget(m_italic, 0, 1);
    styles->addWidget(m_underline, 1, 0);
    styles->addWidget(m_strikeout, 1, 1);
    styles->addWidget(m_fixed, 2, 0);
    styles->addWidget(m_preserve, 2, 1);
    layout->addLayout(styles);

    auto* typeBox = new QGroupBox(" Font type ");
    auto* typeRow = new QHBoxLayout(typeBox);
    m_type = new QButtonGroup(this);
    const char* names[] = {"ANSI", "OEM", "Default"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(names[i]);
        m_type->addButton(button, i);
        typeRow->addWidget(button);
    }
    m_type->button(proposal.fontType)->setChecked(true);
    layout->addWidget(typeBox);

    auto* whatBox = new QGroupBox(" What to export ");
    auto* whatColumn = new QVBoxLayout(whatBox);
    m_selection = new QRadioButton(q(proposal.selectionCaption));
    m_selection->setEnabled(proposal.selectionEnabled);
    m_all = new QRadioButton(FntAllCaption);
    whatColumn->addWidget(m_selection);
    whatColumn->addWidget(m_all);
    (proposal.exportAll ? m_all : m_selection)->setChecked(true);
    layout->addWidget(whatBox);

    auto* heightRow = new QHBoxLayout;
    m_height = new QSpinBox;
    m_height->setRange(1, std::max(proposal.maximumHeight, 1));
    m_height->setValue(proposal.heightLimit);
    heightRow->addWidget(new QLabel("Crop image heights to:"));
    heightRow->addWidget(m_height);
    heightRow->addWidget(new QLabel(q(proposal.maximumText())));
    heightRow->addWidget(new QLabel(q(proposal.medianText())));
    layout->addLayout(heightRow);

    auto* buttons = okCancel(this);
    auto* info = buttons->addButton("&Information...", QDialogButtonBox::HelpRole);
    connect(info, &QPushButton::clicked, this, [this] { showFntInformation(this); });
    layout->addWidget(buttons);
    connect(browseButton, &QPushButton::clicked, this, [this] { browse(); });
}

void FntExportDialog::browse() {
    FileRequest request;
    request.filter = FntFileFilter;
    request.defaultExt = FntDefaultExt;
    request.defaultName = m_file->text().toStdString();
    if (auto answer = m_chooser.chooseSave(request); answer && !answer->paths.empty())
        m_file->setText(q(answer->paths.front()));
}

FntExportState FntExportDialog::state() const {
    FntExportState s = m_proposal;
    s.fileName = m_file->text().toStdString();
    s.fontName = m_name->text().toStdString();
    s.bold = m_bold->isChecked();
    s.italic = m_italic->isChecked();
    s.underline = m_underline->isChecked();
    s.strikeout = m_strikeout->isChecked();
    s.fixedWidth = m_fixed->isChecked();
    s.preserve = m_preserve->isChecked();
    s.fontType = std::max(m_type->checkedId(), 0);
    s.exportAll = m_all->isChecked();
    s.heightLimit = m_height->value();
    return s;
}

void showFntInformation(QWidget* parent) {
    QMessageBox box(QMessageBox::Information, FntInformationTitle, FntInformationText,
                    QMessageBox::Ok, parent);
    box.exec();
}

std::optional<BdfImportChoice> QtFontDialogs::importBdf(const BdfImportChoice& proposal) {
    BdfImportDialog dialog(proposal, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<ChosenFont>& lastChosenFont() {
    static std::optional<ChosenFont> last;
    return last;
}

std::optional<ChosenFont> QtFontDialogs::chooseFont() {
    FontChooserDialog dialog(lastChosenFont(), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    lastChosenFont() = dialog.chosen();
    return lastChosenFont();
}

std::optional<CharacterSetChoice> QtFontDialogs::chooseCharacters(int tenthsOfPoint,
                                                                  int dotsPerInch) {
    CharacterSetDialog dialog(tenthsOfPoint, dotsPerInch, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::unique_ptr<GlyphRenderer> QtFontDialogs::renderer(const SystemFont& font) {
    return MakeQtGlyphRenderer(font, dotsPerInch());
}

int QtFontDialogs::dotsPerInch() {
    return ScreenDotsPerInch();
}

std::optional<FntExportState> QtFontDialogs::exportFnt(const FntExportState& proposal) {
    FntExportDialog dialog(proposal, m_chooser, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.state();
}

} // namespace pixelon::ui
