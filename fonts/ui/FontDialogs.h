#pragma once

#include <QDialog>

#include <optional>

#include "fonts/FontCommands.h"

class QButtonGroup;
class QCheckBox;
class QFontDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace pixelon {
class FileChooser;
}

namespace pixelon::ui {

// "Import BDF font": one glyph or a range of codes, and the global height.
class BdfImportDialog : public QDialog {
    Q_OBJECT
public:
    BdfImportDialog(const BdfImportChoice& proposal, QWidget* parent = nullptr);
    BdfImportChoice choice() const;

    QRadioButton* singleButton() const { return m_single; }
    QRadioButton* rangeButton() const { return m_range; }
    QLineEdit* singleField() const { return m_code; }
    QLineEdit* firstField() const { return m_first; }
    QLineEdit* lastField() const { return m_last; }
    QCheckBox* globalHeightBox() const { return m_global; }

private:
    void enableFields();

    BdfImportChoice m_proposal;
    QRadioButton* m_single;
    QRadioButton* m_range;
    QLineEdit* m_code;
    QLineEdit* m_first;
    QLineEdit* m_last;
    QCheckBox* m_global;
};

// Qt's font chooser (with its underline and strikeout effects) and a colour button beside it.
// It opens on the last font used, else on the desktop's fixed font in its regular style. When
// the user picks another family, the slant and weight chosen so far stay (Qt alone would keep
// only a style of the same name, else take the family's first style, which may be slanted).
class FontChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontChooserDialog(const std::optional<ChosenFont>& lastUsed = {},
                               QWidget* parent = nullptr);
    ChosenFont chosen() const;
    void setColour(Colour colour);

    QFontDialog* fontDialog() const { return m_fonts; }

private:
    void fontChanged(const QFont& font);

    QFontDialog* m_fonts;
    QPushButton* m_colourButton;
    Colour m_colour = 0;
    QString m_family;       // the family shown, to tell a family change from a style one
    bool m_slanted = false; // the slant and weight of the style the user chose last
    int m_weight = 400;
    bool m_adjusting = false;
};

// The font and colour chosen last in this run of the program; the chooser opens on it.
std::optional<ChosenFont>& lastChosenFont();

// "Select character set from Font": a range or one code, and tenths of a point to add.
class CharacterSetDialog : public QDialog {
    Q_OBJECT
public:
    CharacterSetDialog(int tenthsOfPoint, int dotsPerInch, QWidget* parent = nullptr);
    CharacterSetChoice choice() const;

    QRadioButton* rangeButton() const { return m_range; }
    QRadioButton* singleButton() const { return m_single; }
    QLineEdit* firstField() const { return m_first; }
    QLineEdit* lastField() const { return m_last; }
    QLineEdit* singleField() const { return m_code; }
    QLineEdit* tenthsField() const { return m_tenths; }

private:
    void lockFields();

    QRadioButton* m_range;
    QRadioButton* m_single;
    QLineEdit* m_first;
    QLineEdit* m_last;
    QLineEdit* m_code;
    QLineEdit* m_tenths;
};

// The Windows font export dialog.
class FntExportDialog : public QDialog {
    Q_OBJECT
public:
    FntExportDialog(const FntExportState& proposal, FileChooser& chooser,
                    QWidget* parent = nullptr);
    FntExportState state() const;

private:
    void browse();

    FntExportState m_proposal;
    FileChooser& m_chooser;
    QLineEdit* m_file;
    QLineEdit* m_name;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QCheckBox* m_underline;
    QCheckBox* m_strikeout;
    QCheckBox* m_fixed;
    QCheckBox* m_preserve;
    QButtonGroup* m_type;
    QRadioButton* m_all;
    QRadioButton* m_selection;
    QSpinBox* m_height;
};

// "Export Windows Font - Information".
void showFntInformation(QWidget* parent);

// The font commands' dialogs as windows.
class QtFontDialogs : public FontDialogs {
public:
    QtFontDialogs(FileChooser& chooser, QWidget* parent) : m_chooser(chooser), m_parent(parent) {}

    std::optional<BdfImportChoice> importBdf(const BdfImportChoice& proposal) override;
    std::optional<ChosenFont> chooseFont() override;
    std::optional<CharacterSetChoice> chooseCharacters(int tenthsOfPoint, int dotsPerInch) override;
    std::unique_ptr<GlyphRenderer> renderer(const SystemFont& font) override;
    int dotsPerInch() override;
    std::optional<FntExportState> exportFnt(const FntExportState& proposal) override;

private:
    FileChooser& m_chooser;
    QWidget* m_parent;
};

} // namespace pixelon::ui
