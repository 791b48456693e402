#pragma once

#include <QDialog>

#include <array>

#include "phone/obex/GatewayPanel.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace pixelon {
class Registry;
}

namespace pixelon::ui {

// The Handset Gateway's panel: the phone connections in use (TCP, serial cable, Bluetooth),
// added, removed and tried here; every change is saved to the user hive at once.
class GatewayWindow : public QDialog {
    Q_OBJECT
public:
    GatewayWindow(Registry& registry, obex::TransportOpener open, QWidget* parent = nullptr);

    obex::GatewayPanelModel& model() { return m_model; }
    // The buttons' work, for the window and for tests.
    bool addConnection(const QString& name, const QString& address, const QString& maker,
                       const QString& model);
    void removeSelected();
    void testSelected();
    QString statusText() const;
    QTableWidget* table() const { return m_table; }
    // The entry fields, in the order they stand: name, address, maker, model.
    std::array<QLineEdit*, 4> fields() const { return {m_name, m_address, m_maker, m_modelName}; }
    QSize sizeHint() const override;

private:
    void showList();
    // Empties every entry field for the next connection.
    void clearFields();
    void setStatus(const QString& text);

    Registry& m_registry;
    obex::TransportOpener m_open;
    obex::GatewayPanelModel m_model;
    QTableWidget* m_table;
    QLineEdit* m_name;
    QLineEdit* m_address;
    QLineEdit* m_maker;
    QLineEdit* m_modelName;
    QLabel* m_status;
};

} // namespace pixelon::ui
