#include "ui/viewers/CallsWindow.h"

#include "context/AppContext.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"
#include "ui/StatusSummary.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsTableModel.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerGrid.h"
#include "ui/viewers/WindowPlacement.h"
#include "ui/viewers/WorkstationScope.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QWindow>

namespace vrq {

namespace {

// Geometry in twips.
constexpr int kClientWidth = 5535;
constexpr int kClientHeight = 6240;
constexpr int kGridLeft = 360;
constexpr int kGridTop = 1240;
constexpr int kGridHeight = 4590;
constexpr int kGridWidth = 4800;
constexpr int kGridWidthWithScrollBar = 5045;
constexpr int kRowHeight = 240;
constexpr std::array<int, CallsTableModel::ColumnCount> kColumnWidths{600, 700, 700, 1800, 975, 0, 975};
// What the workstation column adds to the grid and the window, while every workstation is shown.
constexpr int kWorkstationWidth = 975;
// Rows that fit in the grid without a scroll bar, plus one.
constexpr int kRowsForScrollBar = 20;

} // namespace

CallsWindow::CallsWindow(AppContext& ctx, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ctx(ctx) {
    setWindowTitle(QStringLiteral("Calls"));
    setObjectName(QStringLiteral("frmAllCalls"));

    auto* client = new QWidget(this);
    // The window's controls use the small sans-serif face of the header pictures.
    QFont font = client->font();
    font.setPixelSize(11);
    client->setFont(font);
    client->setFixedSize(Twips::toPixelsX(kClientWidth), Twips::toPixelsY(kClientHeight));
    setCentralWidget(client);
    m_client = client;
    buildMenus();
    buildStatusLine();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_displayCallsBox = new QCheckBox(QStringLiteral("Display Calls"), client);
    m_displayCallsBox->setGeometry(Twips::rect(360, 180, 2535, 255));
    m_displayCallsBox->setChecked(true);
    m_displayFilesBox = new QCheckBox(QStringLiteral("Display Files"), client);
    m_displayFilesBox->setGeometry(Twips::rect(360, 420, 2535, 255));
    m_displayFilesBox->setChecked(true);
    // A box ticked from the keyboard, by a screen reader or by the program rebuilds the grid as a click does.
    connect(m_displayCallsBox, &QCheckBox::toggled, this, &CallsWindow::rebuildCallDisplay);
    connect(m_displayFilesBox, &QCheckBox::toggled, this, &CallsWindow::rebuildCallDisplay);
    m_allWorkstationsBox = makeAllWorkstationsBox(client, m_ctx);
    m_allWorkstationsBox->setGeometry(Twips::rect(3000, 180, 2400, 255));
    connect(m_allWorkstationsBox, &QCheckBox::toggled, this, [this] {
        showWorkstationColumn();
        rebuildCallDisplay();
    });

    m_model = new CallsTableModel(m_pictures, this);
    // Fixed row heights (set by the grid's maker) let the view place 100,000 rows without measuring them.
    m_grid = makeViewerGrid(client, m_model, QStringLiteral("fgCalls"), QStringLiteral("Calls"),
                            CallsTableModel::DetailsColumn, kRowHeight);
    connect(m_grid, &QTableView::clicked, this, &CallsWindow::onRowClicked);
    showCurrentRow();
    m_grid->installEventFilter(this);

    m_headers = new HeaderBar(m_pictures, *m_model, this);
    m_headers->addHeader(client, HeaderPicture::Source, 705, CallsTableModel::SourceColumn, SortKind::String);
    m_headers->addHeader(client, HeaderPicture::CallNumber, 705, CallsTableModel::NumberColumn,
                         SortKind::Numeric);
    HeaderButton* dateHeader = m_headers->addHeader(client, HeaderPicture::CallDateTime, 1800,
                                                    CallsTableModel::DateKeyColumn, SortKind::String);
    m_headers->addHeader(client, HeaderPicture::Status, 1000, CallsTableModel::StatusColumn,
                         SortKind::String);
    m_workstationHeader = m_headers->addHeader(client, HeaderPicture::Workstation, 1000,
                                               CallsTableModel::WorkstationColumn, SortKind::Numeric);
    m_workstationHeader->setObjectName(QStringLiteral("imgWorkstation"));
    m_workstationHeader->setAccessibleName(workstationCaption());

    // Load: position, reset, grid set-up, header pictures, first refresh.
    placeOnScreen();
    resetCallDisplay();
    setUpCallGrid();
    m_headers->setPressedHeader(dateHeader);
    refreshCallDisplay();

    m_refreshTimer.setInterval(1000);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CallsWindow::refreshCallDisplay);
    m_refreshTimer.start();
}

CallsWindow::~CallsWindow() = default;

void CallsWindow::buildMenus() {
    auto entry = [this](QMenu* menu, MenuEntry which, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setEnabled(false);
        m_entries[static_cast<std::size_t>(which)] = action;
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    connect(entry(file, MenuEntry::Properties, QStringLiteral("Properties...")), &QAction::triggered, this,
            &CallsWindow::propertiesRequested);
    file->addSeparator();
    m_exitAction = file->addAction(QStringLiteral("Exit"));
    connect(m_exitAction, &QAction::triggered, this, &CallsWindow::exitWithoutQuestion);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    connect(entry(view, MenuEntry::OrdersBySalesperson, QStringLiteral("Orders By Salesperson...")),
            &QAction::triggered, this, [this] { emit ordersViewRequested(OrdersBySalesperson); });
    connect(entry(view, MenuEntry::OrdersByCustomer, QStringLiteral("Orders By Customer...")),
            &QAction::triggered, this, [this] { emit ordersViewRequested(OrdersByCustomer); });
    connect(entry(view, MenuEntry::OrdersByDate, QStringLiteral("Orders By Date...")), &QAction::triggered,
            this, [this] { emit ordersViewRequested(OrdersByDate); });

    QMenu* reports = menuBar()->addMenu(QStringLiteral("Reports"));
    connect(entry(reports, MenuEntry::ListOfCalls, QStringLiteral("List of Calls...")), &QAction::triggered,
            this, &CallsWindow::listOfCallsRequested);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    connect(entry(help, MenuEntry::SaveAudits, QStringLiteral("Save Audits to File")), &QAction::triggered,
            this, &CallsWindow::saveAuditsRequested);
    connect(entry(help, MenuEntry::AuditLog, QStringLiteral("Audit Log...")), &QAction::triggered, this,
            &CallsWindow::auditLogRequested);
    connect(entry(help, MenuEntry::About, QStringLiteral("About VRQToQX7...")), &QAction::triggered, this,
            &CallsWindow::aboutRequested);
}

void CallsWindow::buildStatusLine() {
    statusBar()->setSizeGripEnabled(false);
    auto* panel = new QWidget(this);
    auto* rows = new QGridLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    m_stateIcon = new QLabel(panel);
    m_stateIcon->setObjectName(QStringLiteral("imgState"));
    m_statusLabel = new QLabel(panel);
    m_statusLabel->setObjectName(QStringLiteral("lblStatus"));
    m_statusLabel->setWordWrap(true);
    // Room for the three lines it usually has, so the window is placed at the size it keeps.
    m_statusLabel->setMinimumHeight(m_statusLabel->fontMetrics().lineSpacing() * 3);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    rows->addWidget(m_stateIcon, 0, 0);
    rows->addWidget(m_statusLabel, 0, 1);
    m_statusButtons = new QHBoxLayout;
    m_statusButtons->addStretch();
    rows->addLayout(m_statusButtons, 1, 1);
    rows->setColumnStretch(1, 1);
    statusBar()->addWidget(panel, 1);
}

void CallsWindow::addStatusButton(QPushButton* button) {
    button->setParent(m_statusLabel->parentWidget());
    button->hide();
    m_statusButtons->addWidget(button);
}

void CallsWindow::showStatus(const StatusSummary& summary) {
    const int size = m_statusLabel->fontMetrics().height();
    m_stateIcon->setPixmap(statePicture(summary.stateColour(), size));
    m_stateIcon->setAccessibleName(summary.trayToolTip());
    m_statusLabel->setText(summary.lineText());
    m_statusLabel->setAccessibleName(summary.lineText());
}

QString CallsWindow::statusText() const {
    return m_statusLabel->text();
}

QAction* CallsWindow::menuAction(MenuEntry entry) const {
    return m_entries[static_cast<std::size_t>(entry)];
}

void CallsWindow::setMenuEntryEnabled(MenuEntry entry, bool enabled) {
    menuAction(entry)->setEnabled(enabled);
}

bool CallsWindow::isMenuEntryEnabled(MenuEntry entry) const {
    return menuAction(entry)->isEnabled();
}

void CallsWindow::setUpCallGrid() {
    m_model->clear();
    // Column edges rounded from running twips totals, so the pixel widths add up to the grid's.
    int edgeTwips = 0;
    for (int column = 0; column < CallsTableModel::ColumnCount; ++column) {
        const int width = kColumnWidths[static_cast<std::size_t>(column)];
        m_grid->setColumnWidth(column, Twips::toPixelsX(edgeTwips + width) - Twips::toPixelsX(edgeTwips));
        edgeTwips += width;
    }
    m_grid->setColumnHidden(CallsTableModel::DateKeyColumn, true);
    fitGridFont(m_grid, {{CallsTableModel::DateTimeColumn, widestCallDateTime()},
                         {CallsTableModel::NumberColumn, widestDigits(5)}});
    m_headers->placeRow(960, 760, 510);
    showWorkstationColumn();
}

void CallsWindow::showWorkstationColumn() {
    const bool shown = scopeOf(m_allWorkstationsBox) == ViewScope::AllWorkstations;
    m_grid->setColumnHidden(CallsTableModel::WorkstationColumn, !shown);
    m_workstationHeader->setVisible(shown);
    m_client->setFixedSize(Twips::toPixelsX(kClientWidth + (shown ? kWorkstationWidth : 0)),
                           Twips::toPixelsY(kClientHeight));
    setGridWidth(kGridWidth);
    // The window takes its new size now, not when the layout's next event comes.
    layout()->activate();
}

// The width given is that of the grid without the workstation column.
void CallsWindow::setGridWidth(int twips) {
    m_gridWidthTwips = twips;
    const int shownTwips =
        twips + (scopeOf(m_allWorkstationsBox) == ViewScope::AllWorkstations ? kWorkstationWidth : 0);
    m_grid->setGeometry(Twips::rect(kGridLeft, kGridTop, shownTwips, kGridHeight));
}

void CallsWindow::resetCallDisplay() {
    // The store's marks are cleared by the next refresh, together with taking the calls again: a reset
    // of every row followed by marking them all again would write each row twice.
    m_resetPending = true;
    m_otherCallsStamp.clear();
    m_model->clear();
}

void CallsWindow::refreshCallDisplay() {
    const int startCount = m_model->rowCount();
    m_rowCount = startCount;
    if (!m_ctx.store)
        return;
    Result result;
    const std::vector<CallDisplayRow> found =
        m_resetPending ? m_ctx.store->viewers().retakeAllCompleteCalls(&result)
                       : m_ctx.store->viewers().takeUndisplayedCompleteCalls(&result);
    if (!result.ok()) {
        reportStoreFailure(m_resetPending ? QStringLiteral("ResetCallDisplay")
                                          : QStringLiteral("RefreshCallDisplay"),
                           result);
        return;
    }
    m_resetPending = false;

    // Calls the check boxes filter out are still taken (marked displayed) and stay off the grid.
    const bool showCalls = m_displayCallsBox->isChecked();
    const bool showFiles = m_displayFilesBox->isChecked();
    std::vector<CallGridRow> shown;
    shown.reserve(found.size());
    for (const CallDisplayRow& call : found)
        if ((call.source == 0 && showCalls) || (call.source == 1 && showFiles))
            shown.push_back(CallsTableModel::rowFor(call));
    m_model->appendRows(std::move(shown));
    // The other workstations' calls are read, never marked: their marks are their own windows'.
    if (scopeOf(m_allWorkstationsBox) != ViewScope::AllWorkstations || refreshOtherCalls())
        m_storeFailing = false;
    m_rowCount = m_model->rowCount();

    setGridWidth(m_rowCount >= kRowsForScrollBar ? kGridWidthWithScrollBar : kGridWidth);
    if (m_rowCount != startCount && m_rowCount >= kRowsForScrollBar)
        scrollToTopRow(m_rowCount - (kRowsForScrollBar - 1));
}

bool CallsWindow::refreshOtherCalls() {
    Result result;
    OtherWorkstationCalls others =
        m_ctx.store->viewers().otherWorkstationsCompleteCalls(m_otherCallsStamp, &result);
    if (!result.ok()) {
        reportStoreFailure(QStringLiteral("RefreshCallDisplay"), result);
        return false;
    }
    if (!others.changed)
        return true;
    m_otherCallsStamp = others.stamp;
    const bool showCalls = m_displayCallsBox->isChecked();
    const bool showFiles = m_displayFilesBox->isChecked();
    std::erase_if(others.calls, [&](const CallDisplayRow& call) {
        return !((call.source == 0 && showCalls) || (call.source == 1 && showFiles));
    });
    m_model->mergeOtherCalls(others.calls);
    return true;
}

void CallsWindow::scrollToTopRow(int row) {
    m_scrollTopRow = row;
    // The view lays out new rows later; its scroll range must know them now.
    m_grid->doItemsLayout();
    m_grid->scrollTo(m_model->index(row, CallsTableModel::SourceColumn), QAbstractItemView::PositionAtTop);
}

void CallsWindow::updateCallDisplay(int callNumber, CallDisplay mode) {
    const bool remove = mode == CallDisplay::Remove;
    changeCallRow((remove || m_model->rowCount() > 0) ? m_model->findCallRow(callNumber) : -1, mode);
}

void CallsWindow::updateCallDisplay(int source, int callNumber, CallDisplay mode) {
    changeCallRow(m_model->findCallRow(source, callNumber), mode);
}

void CallsWindow::changeCallRow(int row, CallDisplay mode) {
    m_refreshTimer.stop();
    const bool remove = mode == CallDisplay::Remove;
    if (row >= 0) {
        if (!remove)
            m_model->setStatus(row, callStatusOfMode(mode));
        else if (m_model->rowCount() > 1)
            m_model->removeRowAt(row);
        else
            m_model->clear();
    }
    m_refreshTimer.start();
}

void CallsWindow::rebuildCallDisplay() {
    resetCallDisplay();
    refreshCallDisplay();
    // The rows come back in store order: the pressed header says which order is shown.
    m_headers->sortByPressedHeader();
}

void CallsWindow::onRowClicked(const QModelIndex& index) {
    if (!index.isValid() || m_model->rowCount() == 0)
        return;
    const int row = index.row();
    m_grid->setCurrentIndex(index);
    const QString source = m_model->index(row, CallsTableModel::SourceColumn).data().toString();
    if (source.isEmpty())
        return;
    if (!m_model->rowAt(row).ownCall) {
        tellCallOfOtherWorkstation(this, m_model->rowAt(row).workstation, m_model->rowAt(row).callNumber);
        return;
    }
    m_model->setDetailsPressed(row, true);
    m_grid->viewport()->repaint();

    m_selected.selectedSource = source == QLatin1String("File") ? 1 : 0;
    m_selected.selectedCallNumber = m_model->rowAt(row).callNumber;
    // The row may move or go while the details window is open (the export and purge keep running).
    const QPersistentModelIndex clicked(m_model->index(row, CallsTableModel::DetailsColumn));
    CallDetailsWindow details(m_ctx, m_selected, m_pictures, this);
    details.exec();
    if (clicked.isValid()) {
        m_model->setDetailsPressed(clicked.row(), false);
        m_grid->viewport()->repaint();
    }
}

void CallsWindow::exitWithoutQuestion() {
    close();
}

// The row the keys move is drawn selected, so the person sees which call Enter opens.
void CallsWindow::showCurrentRow() {
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    m_grid->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
            });
}

bool CallsWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter or Space on the grid's current row does what a click on it does.
    if (watched == m_grid && opensCurrentRow(m_grid, event)) {
        onRowClicked(m_grid->currentIndex());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CallsWindow::exitWhenConfirmed() {
    if (!m_unloaded && confirmExit())
        exitWithoutQuestion();
}

bool CallsWindow::confirmExit() {
    const QString text = QStringLiteral("Exiting this program will stop all orders from being sent to QX7.") +
                         QLatin1Char('\n') + QStringLiteral("Do you still want to exit?");
    return QMessageBox::question(this, programTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void CallsWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    keepOnScreen();
    // Rows added while hidden could not be scrolled to: the grid had no size yet.
    if (m_scrollTopRow >= 0 && m_scrollTopRow < m_model->rowCount())
        scrollToTopRow(m_scrollTopRow);
}

// Only the close box asks: its request comes from the window system. A close from the program, the
// "Exit" entry or the session ending goes straight on.
void CallsWindow::closeEvent(QCloseEvent* event) {
    if (!m_unloaded && event->spontaneous() && !confirmExit()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_refreshTimer.stop();
    storePosition();
    emit unloaded();
}

// The position kept is that of the window's inside, as placeOnScreen restores it: placing by one edge
// and saving by another would move the window by its title bar at every start.
void CallsWindow::storePosition() {
    const QPoint inside = geometry().topLeft();
    m_ctx.settings.detailsTop = Twips::clamp16(Twips::fromPixelsY(inside.y()));
    m_ctx.settings.detailsLeft = Twips::clamp16(Twips::fromPixelsX(inside.x()));
}

// Both settings at 0 is a window never placed before (or placed with its title bar off screen).
void CallsWindow::placeOnScreen() {
    const QPoint stored(Twips::toPixelsX(m_ctx.settings.detailsLeft),
                        Twips::toPixelsY(m_ctx.settings.detailsTop));
    const bool storedBefore = m_ctx.settings.detailsLeft != 0 || m_ctx.settings.detailsTop != 0;
    adjustSize();
    const QPoint inside =
        WindowPlacement::place(stored, storedBefore, size(), WindowPlacement::availableScreens());
    setGeometry(QRect(inside, size()));
}

// The window only grows by itself (the status line takes another line), never by the clerk's hand: a
// window that grew past the screen's edge is moved back onto it.
void CallsWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible())
        keepOnScreen();
}

// Moves the window, with its frame, wholly onto the screen it overlaps most. The frame is the window
// manager's once it is known, the assumed one before.
void CallsWindow::keepOnScreen() {
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame = WindowPlacement::kAssumedFrame;
    const QPoint inside = geometry().topLeft();
    const QPoint onScreen =
        WindowPlacement::place(inside, true, size(), WindowPlacement::availableScreens(), frame);
    if (onScreen != inside)
        setGeometry(QRect(onScreen, size()));
}

// One "E" entry per run of failures: a store that stays unreachable does not fill the log every second.
void CallsWindow::reportStoreFailure(const QString& operation, const Result& result) {
    if (m_storeFailing)
        return;
    m_storeFailing = true;
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Error,
                           operation + QStringLiteral(" error (") + result.message + QLatin1Char(')'));
}

} // namespace vrq
