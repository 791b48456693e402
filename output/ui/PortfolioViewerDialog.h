#pragma once

#include <QDialog>
#include <QWidget>

#include <functional>

#include "output/PortfolioViewer.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace pixelon {

class CAppSettings;
class CPicture;

namespace ui {

// The owner-drawn picture area: shows the visible part of the viewer's canvas and reports
// clicks in its own coordinates.
class ViewerArea : public QWidget {
    Q_OBJECT
public:
    explicit ViewerArea(const PortfolioViewer& viewer, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {520, 360}; }

signals:
    void clicked(QPoint at);
    void doubleClicked(QPoint at);
    void resized();
    void wheelLines(int lines);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    const PortfolioViewer& m_viewer;
};

// What the viewer needs from the main window.
struct ViewerServices {
    // Opens the picture editor; true when the picture changed.
    std::function<bool(CPicture&)> edit;
    // Runs after an edit changed the portfolio.
    std::function<void()> changed;
};

// "Picture Portfolio...": every picture at once, scrollable, with Edit Picture, Zoom x2,
// Plain View and Copy.
class PortfolioViewerDialog : public QDialog {
    Q_OBJECT
public:
    PortfolioViewerDialog(CPortfolio& portfolio, const std::string& fileName, Feedback& feedback,
                          CAppSettings& settings, ViewerServices services,
                          QWidget* parent = nullptr);

    PortfolioViewer& viewer() { return m_viewer; }
    ViewerArea* area() const { return m_area; }
    QScrollBar* scrollBar() const { return m_scroll; }
    QLabel* infoText() const { return m_info; }
    QLabel* idText() const { return m_id; }
    QPushButton* editButton() const { return m_edit; }
    QPushButton* copyButton() const { return m_copy; }
    QCheckBox* zoomBox() const { return m_zoom; }
    QCheckBox* plainBox() const { return m_plainBox; }

    // The actions of the window, callable without events.
    void clickAt(QPoint at);
    void editSelected();
    void copySelected();
    void setZoom(bool on);
    void setPlainView(bool on);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild(bool zoom);
    void syncControls();

    PortfolioViewer m_viewer;
    CAppSettings& m_settings;
    ViewerServices m_services;
    bool m_built = false;
    ViewerArea* m_area = nullptr;
    QScrollBar* m_scroll = nullptr;
    QLabel* m_info = nullptr;
    QLabel* m_id = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_copy = nullptr;
    QCheckBox* m_zoom = nullptr;
    QCheckBox* m_plainBox = nullptr;
};

} // namespace ui
} // namespace pixelon
