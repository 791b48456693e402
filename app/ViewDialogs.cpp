#include "app/ViewDialogs.h"
#include "app/SpacingSpinBox.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace pixelon::app {

namespace {

// A whole number typed into a field; anything else is refused like an out-of-range value.
std::optional<int> fieldValue(const QLineEdit* edit) {
    bool ok = false;
    int v = edit->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

std::optional<std::string> QtViewDialogs::askPortfolioName(const std::string& current) {
    bool ok = false;
    QString text = QInputDialog::getText(m_parent, "Portfolio Name",
                                         "Enter Portfolio Name:", QLineEdit::Normal,
                                         QString::fromStdString(current), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::optional<std::string> QtViewDialogs::askPortfolioNotes(const std::string& current) {
    bool ok = false;
    QString text = QInputDialog::getMultiLineText(m_parent, "Edit Resource Notes",
                                                  "Notes:", QString::fromStdString(current), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::optional<int> QtViewDialogs::askPictureNumber(const std::string& label, int proposal,
                                                   int maximum) {
    bool ok = false;
    int v = QInputDialog::getInt(m_parent, "Enter Picture #", QString::fromStdString(label),
                                 std::clamp(proposal, 1, std::max(1, maximum)), 1,
                                 std::max(1, maximum), 1, &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<TextMetrics> QtViewDialogs::editTextMetrics(const TextMetrics& current) {
    QDialog dialog(m_parent);
    dialog.setWindowTitle("Text Metrics");
    auto* form = new QFormLayout;
    auto* ascent = new QLineEdit(QString::number(current.ascent));
    auto* height = new QLineEdit(QString::number(current.height));
    // A spacing from the file outside the range is shown as it is and refused with the range
    // message at OK, not clamped silently.
    auto* spacing = new SpacingSpinBox(TextMetrics::SpacingMin, TextMetrics::SpacingMax);
    spacing->setValue(current.spacing);
    auto* italic = new QCheckBox("Italic");
    italic->setChecked(current.italic);
    auto* normal = new QRadioButton("Normal");
    auto* bold = new QRadioButton("Bold");
    (current.bold ? bold : normal)->setChecked(true);
    form->addRow("Ascent:", ascent);
    form->addRow("Height:", height);
    form->addRow("", new QLabel(QString::fromStdString(current.medianText())));
    form->addRow("Spacing:", spacing);
    form->addRow("", italic);
    form->addRow("", normal);
    form->addRow("", bold);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);

    TextMetrics result = current;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        spacing->interpretText();
        std::optional<int> a = fieldValue(ascent), h = fieldValue(height);
        std::optional<int> s =
            spacing->hasAcceptableInput() ? std::optional<int>(spacing->value()) : std::nullopt;
        if (!a || !h || !s) {
            m_feedback.message("Please enter an integer.", MessageIcon::Exclamation);
            return;
        }
        result.ascent = *a;
        result.height = *h;
        result.spacing = *s;
        result.italic = italic->isChecked();
        result.bold = bold->isChecked();
        if (std::optional<std::string> error = result.validate()) {
            m_feedback.message(*error, MessageIcon::Exclamation);
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return result;
}

} // namespace pixelon::app
