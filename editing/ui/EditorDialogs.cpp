#include "editing/ui/EditorDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/Portfolio.h"
#include "editing/EditorSession.h"
#include "editing/PixelFont.h"
#include "operations/NewPicture.h"
#include "editing/ui/PaletteButton.h"
#include "platform/qt/QtFeedback.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

QDialogButtonBox* okCancel(QDialog& dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText("OK");
    box->button(QDialogButtonBox::Cancel)->setText("Cancel");
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

QIcon pairIcon(const ColourPair& pair) {
    Surface s(24, 16);
    paintPaletteButton(s, pair.first, pair.second);
    return QIcon(QPixmap::fromImage(toQImage(s)));
}

} // namespace

std::optional<FoldMode> runFoldDialog(QWidget* parent, bool& rotate) {
    rotate = false;
    QDialog dialog(parent);
    dialog.setWindowTitle("Fold Image");
    auto* layout = new QVBoxLayout(&dialog);
    QButtonGroup group(&dialog);
    for (std::size_t i = 0; i < FoldChoices.size(); ++i) {
        auto* radio = new QRadioButton(FoldChoices[i].text);
        radio->setChecked(i == 0);
        group.addButton(radio, int(i));
        layout->addWidget(radio);
    }
    auto* rotateButton = new QPushButton("&Rotate");
    QObject::connect(rotateButton, &QPushButton::clicked, &dialog, [&] {
        rotate = true;
        dialog.reject();
    });
    layout->addWidget(rotateButton);
    layout->addWidget(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return FoldChoices[std::size_t(group.checkedId())].mode;
}

std::optional<Rotation> runRotateDialog(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Rotate");
    auto* layout = new QVBoxLayout(&dialog);
    auto* preview = new QLabel;
    preview->setAlignment(Qt::AlignCenter);
    preview->setMinimumHeight(40);
    QButtonGroup group(&dialog);
    static const char* previews[] = {"\xE2\x96\xA1", "\xE2\x86\xBA", "\xE2\x86\xBB",
                                     "\xE2\x87\x85"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(RotationTexts[std::size_t(i)]));
        radio->setChecked(i == 0);
        group.addButton(radio, i);
        layout->addWidget(radio);
    }
    layout->addWidget(preview);
    auto* box = okCancel(dialog);
    layout->addWidget(box);
    auto refresh = [&] {
        const int id = group.checkedId();
        box->button(QDialogButtonBox::Ok)->setEnabled(id != 0);
        preview->setText(QString::fromUtf8(previews[id]));
    };
    QObject::connect(&group, &QButtonGroup::idClicked, &dialog, refresh);
    refresh();
    if (dialog.exec() != QDialog::Accepted || group.checkedId() == 0)
        return {};
    return Rotation(group.checkedId());
}

std::optional<std::pair<int, int>> runScaleDialog(QWidget* parent, int width, int height) {
    ScaleDialogModel model(width, height);
    QDialog dialog(parent);
    dialog.setWindowTitle("Scale Image to new Dimensions");
    auto* form = new QFormLayout(&dialog);
    auto* x = new QSpinBox;
    auto* y = new QSpinBox;
    x->setRange(1, MaxEditSize);
    y->setRange(1, MaxEditSize);
    x->setValue(width);
    y->setValue(height);
    auto* ratio = new QLineEdit(QString::fromStdString(model.ratioText()));
    form->addRow("X pix:", x);
    form->addRow("Y pix:", y);
    form->addRow("Picture Size Ratio:", ratio);
    form->addRow(okCancel(dialog));
    QObject::connect(ratio, &QLineEdit::textChanged, &dialog, [&](const QString& text) {
        model.setRatioText(text.toStdString());
        x->setValue(model.xPix());
        y->setValue(model.yPix());
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (x->value() == width && y->value() == height)
        return {};
    return std::pair{x->value(), y->value()};
}

std::optional<std::pair<int, int>> runResizeDialog(QWidget* parent, int width, int height) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Enter new size");
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel("Dimensions in pixels"));
    auto* w = new QSpinBox;
    auto* h = new QSpinBox;
    w->setRange(1, MaxEditSize);
    h->setRange(1, MaxEditSize);
    w->setValue(width);
    h->setValue(height);
    form->addRow("Width:", w);
    form->addRow("Height:", h);
    form->addRow(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return std::pair{w->value(), h->value()};
}

std::optional<Colour> chooseColour(QWidget* parent, Colour initial, UserPalette* palette) {
    if (palette)
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(i, toQColor(palette->colours[std::size_t(i)]));
    const QColor chosen = QColorDialog::getColor(toQColor(initial), parent);
    if (palette)
        for (int i = 0; i < 16; ++i)
            palette->colours[std::size_t(i)] = fromQColor(QColorDialog::customColor(i));
    if (!chosen.isValid())
        return {};
    return fromQColor(chosen);
}

std::optional<std::array<ColourPair, 5>> runColourSwapDialog(QWidget* parent, Colour userColour,
                                                             UserPalette* palette) {
    ColourSwapModel model(userColour);
    QDialog dialog(parent);
    dialog.setWindowTitle("Color Swap");
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    std::array<QComboBox*, 5> lists{};
    std::array<PaletteButton*, 5> sources{};
    bool filling = false;
    auto refresh = [&] {
        filling = true;
        for (int row = 0; row < 5; ++row) {
            QComboBox* list = lists[std::size_t(row)];
            list->clear();
            for (int e = 0; e < ColourSwapModel::Entries; ++e)
                list->addItem(pairIcon(model.entry(row, e)), QString::number(e));
            list->setCurrentIndex(model.selection(row));
            const Colour s = model.source(row);
            sources[std::size_t(row)]->setColours(s, s);
        }
        filling = false;
    };
    for (int row = 0; row < 5; ++row) {
        sources[std::size_t(row)] = new PaletteButton(1300 + row);
        lists[std::size_t(row)] = new QComboBox;
        lists[std::size_t(row)]->setIconSize({24, 16});
        grid->addWidget(sources[std::size_t(row)], row, 0);
        grid->addWidget(new QLabel("\xE2\x86\x92"), row, 1);
        grid->addWidget(lists[std::size_t(row)], row, 2);
        QObject::connect(lists[std::size_t(row)], &QComboBox::currentIndexChanged, &dialog,
                         [&, row](int index) {
                             if (!filling)
                                 model.select(row, index);
                         });
    }
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto add = [&](const char* text, auto action) {
        auto* b = new QPushButton(text);
        buttons->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, &dialog, [&, action] {
            action();
            refresh();
        });
    };
    add("&Invert", [&] { model.invert(); });
    add("&Normal", [&] { model.normal(); });
    add("&Darken", [&] { model.darken(); });
    add("&Lighten", [&] { model.lighten(); });
    add("&Soften", [&] { model.soften(); });
    add("Color", [&] {
        if (auto c = chooseColour(&dialog, model.userColour(), palette))
            model.chooseColour(*c);
    });
    layout->addWidget(okCancel(dialog));
    refresh();
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return model.result();
}

std::optional<MappingSteps> runMappingStepsDialog(QWidget* parent, const MappingSteps& steps) {
    MappingStepsDialogModel model(steps);
    QDialog dialog(parent);
    dialog.setWindowTitle("Set Color Mapping Steps");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Move the sliders to raise or lower the breakpoints used to map "
                                 "many colours into 4."));
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    std::array<QSlider*, 4> sliders{};
    for (int i = 0; i < 4; ++i) {
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(0, 255);
        slider->setPageStep(MappingStepsDialogModel::PageSize);
        slider->setValue(model.position(i));
        auto* value = new QLabel(QString::fromStdString(model.label(i)));
        grid->addWidget(new QLabel(MappingStepsDialogModel::Labels[std::size_t(i)]), i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(value, i, 2);
        QObject::connect(slider, &QSlider::valueChanged, &dialog, [&model, value, i](int v) {
            model.setPosition(i, v);
            value->setText(QString::fromStdString(model.label(i)));
        });
        sliders[std::size_t(i)] = slider;
    }
    layout->addWidget(okCancel(dialog));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return model.result();
}

FontColourDialog::FontColourDialog(QWidget* parent, const QFont& font, Colour colour)
    : QDialog(parent) {
    setWindowTitle("Font");
    auto* layout = new QVBoxLayout(this);
    m_fonts = new QFontDialog(font, this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setObjectName("fontChooser");
    layout->addWidget(m_fonts);
    // The embedded chooser is a dialog of its own: Escape would close only it and leave this
    // window empty. Escape cancels the whole window instead, and the chooser stays shown.
    connect(m_fonts, &QDialog::finished, this, [this] {
        m_fonts->setVisible(true);
        reject();
    });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("&Color:"));
    m_colours = new QComboBox;
    m_colours->setObjectName("fontColour");
    for (const NamedColour& c : fontDialogColours()) {
        QPixmap swatch(16, 16);
        swatch.fill(toQColor(c.colour));
        m_colours->addItem(QIcon(swatch), c.name);
    }
    m_colours->setCurrentIndex(std::max(0, fontDialogColourIndex(colour)));
    static_cast<QLabel*>(row->itemAt(0)->widget())->setBuddy(m_colours);
    row->addWidget(m_colours, 1);
    layout->addLayout(row);
    layout->addWidget(okCancel(*this));
}

QFont FontColourDialog::font() const {
    return m_fonts->currentFont();
}

Colour FontColourDialog::colour() const {
    const int index = std::clamp(m_colours->currentIndex(), 0, int(fontDialogColours().size()) - 1);
    return fontDialogColours()[std::size_t(index)].colour;
}

namespace {

bool saveUserPalette(QWidget* parent, UserPalette& palette, bool ask) {
    if (ask || palette.currentPaletteFile.empty()) {
        // The dialog's own prompt would ask about the typed name, not the one written.
        const QString name =
            QFileDialog::getSaveFileName(parent, QString(), QString(), "Palette File (*.p)",
                                         nullptr, QFileDialog::DontConfirmOverwrite);
        if (name.isEmpty())
            return false;
        const std::filesystem::path target = userPaletteSaveTarget(name.toStdString());
        QtFeedback feedback(parent);
        if (!confirmUserPaletteTarget(target, feedback))
            return false;
        palette.currentPaletteFile = target.string();
    }
    CPaletteFile::Write(palette.currentPaletteFile, palette.colours);
    return true;
}

} // namespace

void runUserPaletteDialog(QWidget* parent, UserPalette& palette) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QString("User Palette - ") +
                          (palette.currentPaletteFile.empty()
                               ? QString("No current file")
                               : QString::fromStdString(palette.currentPaletteFile)));
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    for (int i = 0; i < 16; ++i) {
        auto* b = new PaletteButton(2000 + i);
        b->setObjectName(QString("CustomColor%1").arg(i));
        const Colour c = palette.colours[std::size_t(i)];
        b->setColours(c, c);
        grid->addWidget(b, i / 8, i % 8);
    }
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    auto* save = new QPushButton("Save");
    auto* saveAs = new QPushButton("Save As...");
    auto* cancel = new QPushButton("Cancel");
    buttons->addWidget(save);
    buttons->addWidget(saveAs);
    buttons->addWidget(cancel);
    QObject::connect(save, &QPushButton::clicked, &dialog, [&] {
        if (saveUserPalette(&dialog, palette, false))
            dialog.accept();
    });
    QObject::connect(saveAs, &QPushButton::clicked, &dialog, [&] {
        if (saveUserPalette(&dialog, palette, true))
            dialog.accept();
    });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    dialog.exec();
}

bool openUserPalette(QWidget* parent, UserPalette& palette) {
    const QString name =
        QFileDialog::getOpenFileName(parent, QString(), QString(), "Palette File (*.p)");
    if (name.isEmpty())
        return false;
    palette.currentPaletteFile = name.toStdString();
    CPaletteFile::Read(palette.currentPaletteFile, palette.colours);
    return true;
}

bool importPspPalette(QWidget* parent) {
    const QString name =
        QFileDialog::getOpenFileName(parent, QString(), QString(), "PSP palettefiles (*.pal)");
    if (name.isEmpty() || !name.endsWith(".pal", Qt::CaseInsensitive))
        return false;
    std::array<Colour, 256> colours{};
    return readPspPalette(name.toStdString(), colours);
}

std::unique_ptr<CPicture> runNewPictureDialog(QWidget* parent, const CPortfolio& portfolio,
                                              int caret) {
    NewPictureModel model(portfolio, caret);
    QDialog dialog(parent);
    const QString title = "Add New Portfolio ID and Picture Size";
    dialog.setWindowTitle(title);
    // Wide enough that the title bar shows the whole title next to its buttons.
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(title) + 96);
    auto* form = new QFormLayout(&dialog);
    auto* id = new QLineEdit(QString::fromStdString(model.idText()));
    id->setMaxLength(5);
    auto* w = new QSpinBox;
    auto* h = new QSpinBox;
    w->setRange(0, 99999);
    h->setRange(0, 99999);
    w->setValue(model.width());
    h->setValue(model.height());
    form->addRow("Portfolio ID:", id);
    form->addRow("Width:", w);
    form->addRow("Height:", h);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(box);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, [&] {
        model.setIdText(id->text().toStdString());
        model.setWidth(w->value());
        model.setHeight(h->value());
        if (auto error = model.validate())
            QMessageBox::warning(&dialog, "Vistrel", QString::fromStdString(*error));
        else
            dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return model.create();
}

} // namespace pixelon::ui
