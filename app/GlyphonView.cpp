#include "app/GlyphonView.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>
#include <cstdio>

#include "app/DragAndDrop.h"
#include "app/ListSelection.h"
#include "app/MainFrame.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::app {

PreviewPane::PreviewPane(const Surface& bitmap, QWidget* parent)
    : QWidget(parent), m_bitmap(bitmap) {
    setFixedSize(sizeHint());
}

QSize PreviewPane::sizeHint() const {
    return {m_bitmap.width() * Zoom + 2, m_bitmap.height() * Zoom + 2};
}

void PreviewPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::darkGray);
    painter.drawImage(QRect(1, 1, m_bitmap.width() * Zoom, m_bitmap.height() * Zoom),
                      toQImage(m_bitmap));
}

void PreviewPane::mouseDoubleClickEvent(QMouseEvent*) {
    emit doubleClicked();
}

CGlyphonView::CGlyphonView(CMainFrame& frame, CGlyphonDoc& doc, CAppSettings& settings,
                           Registry& registry, ViewDialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_frame(frame), m_doc(doc), m_settings(settings), m_registry(registry),
      m_dialogs(dialogs) {
    m_portfolioLabel = new QLabel(this);
    m_name = new QLineEdit(this);
    m_name->setReadOnly(true);
    m_notes = new QPlainTextEdit(this);
    m_notes->setReadOnly(true);
    m_notes->setMaximumHeight(90);
    m_list = new PictureListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMaximumWidth(140);
    m_preview = new PreviewPane(m_previewBitmap, this);
    m_pictureSize = new QLabel(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_portfolioLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Notes:", this), 1, 0, Qt::AlignTop);
    grid->addWidget(m_notes, 1, 1, 1, 2);
    grid->addWidget(m_list, 2, 0, 3, 1);
    grid->addWidget(m_preview, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_pictureSize, 3, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);
    m_preview->hide();

    // The list comes first in the tab order, as in the panes F6 moves through.
    setTabOrder(m_list, m_name);
    setTabOrder(m_name, m_notes);
    m_name->installEventFilter(this);
    m_notes->viewport()->installEventFilter(this);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CGlyphonView::selectionChanged);
    // The picture commands of the Edit and Insert menus, on the list itself.
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QMenu* menu = m_frame.pictureListMenu())
            menu->popup(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_preview, &PreviewPane::doubleClicked, this, [this] {
        if (selectedIndices().size() == 1 && hasCommand(ID_EDIT_PICTURE))
            runCommand(ID_EDIT_PICTURE);
    });
    m_doc.SetObserver(this);
    registerOwnCommands();
}

CGlyphonView::~CGlyphonView() {
    m_doc.SetObserver(nullptr);
    // Settings are written back only when they were loaded, so a view that never showed
    // cannot overwrite them with defaults.
    if (m_bSettingsLoaded)
        m_settings.save(m_registry);
}

void CGlyphonView::registerOwnCommands() {
    addCommand(ID_FILE_NEW, [this] {
        m_doc.NewPortfolio();
        updatePreview();
    });
    addCommand(ID_FILE_OPEN, [this] {
        m_doc.m_nOpenFilterIndex = m_settings.m_nDefaultImportType;
        m_doc.OpenFile();
        m_settings.m_nDefaultImportType = m_doc.m_nOpenFilterIndex;
    });
    addCommand(ID_FILE_SAVE, [this] { m_doc.Save(); });
    addCommand(ID_FILE_SAVE_AS, [this] { m_doc.SaveAs(); });
    addCommand(ID_FILE_CLOSE, [this] {
        m_doc.Close();
        updatePreview();
    });
    addCommand(ID_PORTFOLIO_NAME, [this] { editName(); });
    addCommand(ID_PORTFOLIO_NOTES, [this] { editNotes(); });
    addCommand(ID_TEXT_METRICS, [this] { textMetrics(); });
    addCommand(ID_SELECT_ALL, [this] { selectAll(); });
    addCommand(ID_DELETE_PICTURE, [this] {
        if (m_doc.DeletePictures(selectedIndices()))
            updatePreview();
    });
    addCommand(ID_ASCENT_LINE, [this] { toggleAscentLine(); });
    addCommand(ID_NEXT_PANE, [this] { moveToPane(1); });
    addCommand(ID_PREV_PANE, [this] { moveToPane(-1); });
}

void CGlyphonView::addCommand(int id, std::function<void()> run) {
    m_commands[id] = std::move(run);
}

void CGlyphonView::runCommand(int id) {
    auto it = m_commands.find(id);
    // Rules are checked again here: a shortcut may fire before the toolbar caught up.
    const CommandSpec* spec = findCommand(id);
    // A note left by an earlier command answers that command, not this one.
    m_frame.clearNote();
    if (it != m_commands.end() && (!spec || app::isEnabled(spec->rule, commandState())))
        it->second();
    m_frame.updateCommands();
}

std::array<QWidget*, 3> CGlyphonView::panes() const {
    // In tab order: the list, the name and the notes.
    return {m_list, m_name, m_notes};
}

QWidget* CGlyphonView::focusedPane() const {
    for (QWidget* p : panes())
        if (p->hasFocus() || p->isAncestorOf(QApplication::focusWidget()))
            return p;
    return nullptr;
}

void CGlyphonView::moveToPane(int step) {
    std::array<QWidget*, 3> all = panes();
    const int count = int(all.size());
    auto at = std::find(all.begin(), all.end(), focusedPane());
    int next = at == all.end() ? (step > 0 ? 0 : count - 1)
                               : (int(at - all.begin()) + step + count) % count;
    all[next]->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void CGlyphonView::OnInitialUpdate() {
    if (m_bFirstUpdate) {
        m_bFirstUpdate = false;
        QScreen* screen = QGuiApplication::primaryScreen();
        ScreenSize size{screen ? screen->geometry().width() : 0,
                        screen ? screen->geometry().height() : 0};
        m_settings.load(m_registry, size);
        m_bSettingsLoaded = true;
        if (m_afterSettingsLoad)
            m_afterSettingsLoad();
        m_frame.placeFrame(QPoint(m_settings.m_nMainWinX, m_settings.m_nMainWinY));
        // A portfolio opened from the command line was loaded before the settings: its ascent
        // has ticked the item already, and the stored choice must not untick it.
        m_frame.setAscentLineChecked(m_settings.m_nViewAscentLine != 0 || m_ascentShownEarly);
        layoutForPhoneType();
        m_portfolioLabel->setText("Portfolio:");
        // The arrows and Delete act on the pictures from the start.
        m_list->setFocus(Qt::OtherFocusReason);
    }
    refillList();
    documentChanged();
}

CommandState CGlyphonView::commandState() const {
    return {m_doc.m_bActive, m_doc.m_portfolio.Count(), int(selectedIndices().size()),
            m_settings.m_nPhoneType, int(applicationType())};
}

std::vector<int> CGlyphonView::selectedIndices() const {
    return selectedRows(m_list->selectionModel(), m_list->count());
}

void CGlyphonView::selectOnly(int index) {
    m_list->clearSelection();
    if (index >= 0 && index < m_list->count()) {
        m_list->item(index)->setSelected(true);
        m_list->setCurrentRow(index, QItemSelectionModel::Current);
    }
}

void CGlyphonView::selectAll() {
    m_list->selectAll();
    selectionChanged();
}

ApplicationType CGlyphonView::applicationType() const {
    return applicationTypeFromInt(m_settings.m_nApplicationType).value_or(ApplicationType::Kinetto);
}

void CGlyphonView::setApplicationType(ApplicationType app) {
    m_settings.m_nApplicationType = int(app);
    layoutForPhoneType();
    documentChanged();
}

void CGlyphonView::layoutForPhoneType() {
    // Types without a row of their own keep the previous preview size.
    int type = m_settings.m_nPhoneType;
    if (type >= 0 && type < PhoneFormatTypeCount) {
        if (auto size = phoneFormatInfo(type).previewFor(applicationType()))
            m_previewSize = *size;
    }
    updatePreview();
}

QString CGlyphonView::statusSummary() const {
    std::string phone = phoneFormatShortName(m_settings.m_nPhoneType);
    return QString::fromStdString(statusText(m_doc.m_portfolio.Count(),
                                             int(selectedIndices().size()), phone,
                                             applicationShortName(applicationType())));
}

void CGlyphonView::refillList() {
    const CPortfolio& p = m_doc.m_portfolio;
    bool same = m_list->count() == p.Count();
    for (int i = 0; same && i < p.Count(); ++i)
        same = m_list->item(i)->data(Qt::UserRole).toInt() == p.Picture(i).m_nId;
    if (same)
        return; // keeps the selection
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (int i = 0; i < p.Count(); ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%05d", p.Picture(i).m_nId);
        auto* item = new QListWidgetItem(QString::fromLatin1(line), m_list);
        item->setData(Qt::UserRole, p.Picture(i).m_nId);
    }
}

void CGlyphonView::documentCleared() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    m_previewBitmap.fill(colourWhite);
    m_preview->hide();
    m_pictureSize->clear();
}

void CGlyphonView::documentChanged() {
    m_frame.clearNote();
    refillList();
    m_name->setText(QString::fromStdString(m_doc.m_portfolio.m_strName));
    m_notes->setPlainText(QString::fromStdString(m_doc.m_portfolio.m_strNotes));
    m_frame.setCaption(QString::fromStdString(captionText(m_doc.GetTitle())));
    m_frame.setStatusSummary(m_doc.m_bActive || m_doc.m_portfolio.Count() ? statusSummary()
                                                                          : QString());
    updatePreview();
    m_frame.updateCommands();
}

void CGlyphonView::showAscentLine() {
    if (m_bFirstUpdate)
        m_ascentShownEarly = true;
    m_frame.setAscentLineChecked(true);
}

void CGlyphonView::selectionChanged() {
    // A note such as "select the pictures first" is answered once the selection changes.
    m_frame.clearNote();
    m_frame.setStatusSummary(statusSummary());
    updatePreview();
    m_frame.updateCommands();
}

void CGlyphonView::updatePreview() {
    std::vector<int> selected = selectedIndices();
    if (selected.size() != 1 || selected[0] >= m_doc.m_portfolio.Count()) {
        m_preview->hide();
        m_pictureSize->clear();
        return;
    }
    const CPicture& picture = m_doc.m_portfolio.Picture(selected[0]);
    m_previewBitmap.fill(colourWhite);
    // The region outside the phone's picture size is shaded.
    m_previewBitmap.fillRect({m_previewSize.width, 0, PreviewBitmapSize, PreviewBitmapSize},
                             0xC0C0C0);
    m_previewBitmap.fillRect({0, m_previewSize.height, PreviewBitmapSize, PreviewBitmapSize},
                             0xC0C0C0);
    picture.Draw(m_previewBitmap, 0, 0, -1, PreviewBitmapSize, PreviewBitmapSize);
    if (m_frame.ascentLineChecked() && m_doc.m_portfolio.m_nAscent > 0)
        m_previewBitmap.fillRect(
            {0, m_doc.m_portfolio.m_nAscent, PreviewBitmapSize, m_doc.m_portfolio.m_nAscent + 1},
            rgb(255, 0, 0));
    m_pictureSize->setText(QString("%1 x %2").arg(picture.m_nWidth).arg(picture.m_nHeight));
    m_preview->show();
    m_preview->update();
}

bool CGlyphonView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_name) {
            runCommand(ID_PORTFOLIO_NAME);
            return true;
        }
        if (watched == m_notes->viewport()) {
            runCommand(ID_PORTFOLIO_NOTES);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CGlyphonView::editName() {
    if (!m_doc.m_bActive)
        return;
    if (auto name = m_dialogs.askPortfolioName(m_doc.m_portfolio.m_strName))
        m_doc.SetPortfolioName(*name);
}

void CGlyphonView::editNotes() {
    if (!m_doc.m_bActive)
        return;
    if (auto notes = m_dialogs.askPortfolioNotes(m_doc.m_portfolio.m_strNotes))
        m_doc.SetPortfolioNotes(*notes);
}

void CGlyphonView::textMetrics() {
    auto metrics = m_dialogs.editTextMetrics(TextMetrics::from(m_doc.m_portfolio));
    if (metrics && !metrics->validate())
        metrics->apply(m_doc);
}

void CGlyphonView::toggleAscentLine() {
    bool on = !m_frame.ascentLineChecked();
    m_frame.setAscentLineChecked(on);
    m_settings.m_nViewAscentLine = on ? 1 : 0;
    updatePreview();
}

} // namespace pixelon::app
