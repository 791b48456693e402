#include "phone/ui/GatewayWindow.h"

#include <algorithm>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Registry.h"

namespace pixelon::ui {

namespace {

// The table, with the width its contents ask for column by column open to the window's size.
class ContentTable : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    using QTableWidget::sizeHintForColumn;
};

} // namespace

GatewayWindow::GatewayWindow(Registry& registry, obex::TransportOpener open, QWidget* parent)
    : QDialog(parent), m_registry(registry), m_open(std::move(open)),
      m_model(obex::LoadConnections(registry)) {
    setWindowTitle("Handset Gateway");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Phones in use:"));
    m_table = new ContentTable(0, 4);
    m_table->setHorizontalHeaderLabels({"Name", "Address", "Maker", "Model"});
    // Every column as wide as its longest entry; the last one takes what room is left.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideNone);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_table);

    auto* form = new QFormLayout;
    m_name = new QLineEdit;
    m_address = new QLineEdit;
    m_address->setPlaceholderText("tcp:HOST[:PORT], serial:DEVICE, serial-direct:DEVICE, "
                                  "bt:ADDRESS[:CHANNEL]");
    // Empty fields take the defaults the list would show.
    m_maker = new QLineEdit;
    m_maker->setPlaceholderText("OBEX");
    m_modelName = new QLineEdit;
    m_modelName->setPlaceholderText("the kind of connection");
    // Wide enough for the whole address placeholder.
    m_address->setMinimumWidth(
        m_address->fontMetrics().horizontalAdvance(m_address->placeholderText()) +
        4 * m_address->fontMetrics().averageCharWidth());
    form->addRow("&Name:", m_name);
    form->addRow("&Address:", m_address);
    form->addRow("&Maker:", m_maker);
    form->addRow("M&odel:", m_modelName);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton("&Add");
    auto* remove = new QPushButton("&Remove");
    auto* test = new QPushButton("&Test");
    auto* close = new QPushButton("Close");
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(test);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    connect(add, &QPushButton::clicked, this, [this] {
        if (addConnection(m_name->text(), m_address->text(), m_maker->text(), m_modelName->text()))
            clearFields();
    });
    connect(remove, &QPushButton::clicked, this, &GatewayWindow::removeSelected);
    connect(test, &QPushButton::clicked, this, &GatewayWindow::testSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showList();
}

void GatewayWindow::clearFields() {
    for (QLineEdit* field : {m_name, m_address, m_maker, m_modelName})
        field->clear();
    m_name->setFocus();
}

QSize GatewayWindow::sizeHint() const {
    // The table shows every column whole; the fields' own widths set the rest.
    QSize hint = QDialog::sizeHint();
    int columns = m_table->frameWidth() * 2;
    for (int col = 0; col < m_table->columnCount(); ++col)
        columns += std::max(m_table->horizontalHeader()->sectionSizeHint(col),
                            static_cast<const ContentTable*>(m_table)->sizeHintForColumn(col));
    const QMargins margins = layout()->contentsMargins();
    hint.setWidth(std::max(hint.width(), columns + margins.left() + margins.right()));
    return hint;
}

bool GatewayWindow::addConnection(const QString& name, const QString& address, const QString& maker,
                                  const QString& model) {
    obex::PhoneConnection c{name.trimmed().toStdString(), address.trimmed().toStdString(),
                            maker.trimmed().toStdString(), model.trimmed().toStdString()};
    if (auto error = m_model.add(c)) {
        setStatus(QString::fromStdString(*error));
        return false;
    }
    if (!m_model.save(m_registry))
        setStatus("The connections could not be saved.");
    else
        setStatus("Added " + name.trimmed() + ".");
    showList();
    m_table->selectRow(m_table->rowCount() - 1);
    return true;
}

void GatewayWindow::removeSelected() {
    int row = m_table->currentRow();
    if (row < 0)
        return;
    m_model.remove(row);
    if (!m_model.save(m_registry))
        setStatus("The connections could not be saved.");
    showList();
}

void GatewayWindow::testSelected() {
    int row = m_table->currentRow();
    setStatus(QString::fromStdString(m_model.test(row, m_open)));
}

QString GatewayWindow::statusText() const {
    return m_status->text();
}

void GatewayWindow::setStatus(const QString& text) {
    m_status->setText(text);
}

void GatewayWindow::showList() {
    const auto& list = m_model.connections();
    const QSize before = sizeHint();
    m_table->setRowCount(int(list.size()));
    for (int row = 0; row < int(list.size()); ++row) {
        const auto& c = list[std::size_t(row)];
        const std::string fields[] = {c.name, c.address, c.maker, c.model};
        for (int col = 0; col < 4; ++col)
            m_table->setItem(
                row, col, new QTableWidgetItem(QString::fromStdString(fields[std::size_t(col)])));
    }
    // A longer entry widens the window rather than being cut.
    if (isVisible() && sizeHint().width() > width() && sizeHint() != before)
        resize(std::max(width(), sizeHint().width()), height());
}

} // namespace pixelon::ui
