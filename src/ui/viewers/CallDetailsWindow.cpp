#include "ui/viewers/CallDetailsWindow.h"

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "export/ReExtract.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"
#include "ui/viewers/CallFacts.h"
#include "ui/viewers/CallPrintout.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/OrderDetailsWindow.h"
#include "ui/viewers/OrdersTableModel.h"
#include "ui/viewers/SelectedCall.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

namespace vrq {

namespace {

// Geometry in twips.
constexpr int kClientWidth = 7290;
constexpr int kClientHeight = 3525;
constexpr int kGridLeft = 240;
constexpr int kGridTop = 1500;
constexpr int kGridHeight = 1230;
constexpr int kGridWidth = 6570;
constexpr int kGridWidthWithScrollBar = 6830;
// Four rows fit the grid; the fifth brings the scroll bar.
constexpr int kRowHeight = 285;
constexpr int kOrdersForScrollBar = 5;
const std::vector<int> kColumnWidths{600, 1100, 900, 700, 750, 2505, 0};

} // namespace

CallDetailsWindow::CallDetailsWindow(AppContext& ctx, SelectedCall& selected, const HeaderPictures& pictures,
                                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ctx(ctx), m_selected(selected), m_pictures(pictures) {
    setObjectName(QStringLiteral("frmCallDetails"));
    setModal(true);
    if (m_selected.selectedSource != 1)
        m_selected.selectedSource = 0;
    m_source = m_selected.selectedSource;
    m_callNumber = m_selected.selectedCallNumber;
    setWindowTitle(callCaption(m_source, m_callNumber));
    buildControls();
    loadCall();
    // Enter closes, as OK is the default button; Tab reaches every control from there.
    m_okButton->setFocus();
}

CallDetailsWindow::~CallDetailsWindow() = default;

void CallDetailsWindow::buildControls() {
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(Twips::toPixelsX(kClientWidth), Twips::toPixelsY(kClientHeight));

    m_callInfoList = new QListWidget(this);
    m_callInfoList->setObjectName(QStringLiteral("lstCallInfo"));
    m_callInfoList->setAccessibleName(QStringLiteral("Call Details"));
    m_callInfoList->setGeometry(Twips::rect(300, 180, 4755, 645));

    m_reExtractButton = new QPushButton(QStringLiteral("Re-Extract Call"), this);
    m_reExtractButton->setObjectName(QStringLiteral("btnReExtract"));
    m_reExtractButton->setAccessibleName(QStringLiteral("Re-Extract Call"));
    m_reExtractButton->setGeometry(Twips::rect(5460, 360, 1395, 375));
    m_reExtractButton->setAutoDefault(false);
    connect(m_reExtractButton, &QPushButton::clicked, this, &CallDetailsWindow::reExtractCall);

    QLabel* summary = makeViewerLabel(this, QStringLiteral("Order(s) Summary"), 300, 960, 1275, 255);

    m_model = new OrdersTableModel(m_pictures, this);
    m_grid = makeViewerGrid(this, m_model, QStringLiteral("fgOrders"), QStringLiteral("Order(s) Summary"),
                            OrdersTableModel::DetailsColumn, kRowHeight);
    summary->setBuddy(m_grid);
    setColumnWidthsTwips(m_grid, kColumnWidths);
    fitGridFont(m_grid, {{OrdersTableModel::SalespersonColumn, widestDigits(6)},
                         {OrdersTableModel::CustomerColumn, widestDigits(8)},
                         {OrdersTableModel::RouteColumn, widestDigits(6)}});
    setGridWidth(kGridWidth);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::clicked, this, &CallDetailsWindow::onRowClicked);
    addHeaders(this);

    m_printCallButton = new QPushButton(QStringLiteral("&Print Call"), this);
    m_printCallButton->setObjectName(QStringLiteral("btnPrintCall"));
    m_printCallButton->setAccessibleName(QStringLiteral("Print Call"));
    m_printCallButton->setToolTip(QStringLiteral("Prints the call on the default printer. Right-click for a "
                                                 "preview or a PDF file."));
    m_printCallButton->setGeometry(Twips::rect(240, 3000, 1395, 375));
    m_printCallButton->setAutoDefault(false);
    connect(m_printCallButton, &QPushButton::clicked, this, &CallDetailsWindow::printCall);
    PrintDialogs::offerPreviewAndPdf(
        m_printCallButton, [this] { return printout(); }, &m_printEnv);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("btnOK"));
    m_okButton->setAccessibleName(QStringLiteral("OK"));
    m_okButton->setGeometry(Twips::rect(3060, 3000, 1155, 375));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void CallDetailsWindow::addHeaders(QWidget* client) {
    m_headers = new HeaderBar(m_pictures, *m_model, this);
    struct Header {
        const char* name;
        HeaderPicture picture;
        int width;
        int column;
        SortKind kind;
    };
    const Header headers[] = {
        {"imgSalesperson", HeaderPicture::SalespersonN, 1095, OrdersTableModel::SalespersonColumn,
         SortKind::Numeric},
        {"imgCustomer", HeaderPicture::CustomerN, 900, OrdersTableModel::CustomerColumn, SortKind::Numeric},
        {"imgRoute", HeaderPicture::RouteN, 705, OrdersTableModel::RouteColumn, SortKind::Numeric},
        {"imgNumItems", HeaderPicture::NumItemsN, 750, OrdersTableModel::NumItemsColumn, SortKind::Numeric},
        {"imgMsg", HeaderPicture::MessageN, 2520, OrdersTableModel::MessageColumn,
         SortKind::StringIgnoringCase},
    };
    for (const Header& h : headers)
        m_headers->addHeader(client, h.picture, h.width, h.column, h.kind)
            ->setObjectName(QString::fromLatin1(h.name));
    m_headers->placeRow(840, 1225, 285);
    m_headers->setPressedHeader(nullptr);
    // Tab order: the list, the re-extract, the headers, the grid, then the buttons.
    QWidget* previous = m_reExtractButton;
    for (HeaderButton* header : m_headers->headers()) {
        setTabOrder(previous, header);
        previous = header;
    }
    setTabOrder(previous, m_grid);
}

void CallDetailsWindow::setGridWidth(int twips) {
    m_gridWidthTwips = twips;
    m_grid->setGeometry(Twips::rect(kGridLeft, kGridTop, twips, kGridHeight));
}

void CallDetailsWindow::loadCall() {
    Result result;
    if (m_ctx.store)
        m_call = m_ctx.store->calls().findCall(m_source, m_callNumber, &result);
    if (!result.ok())
        reportStoreFailure(QStringLiteral("CallDetails"), result.message);
    if (!m_call) {
        // Nothing here acts on a call that is not there: no orders to open and no re-extract.
        addNotFoundLine();
        m_reExtractButton->setEnabled(false);
        return;
    }
    m_callInfoList->addItems(callInfoLines(*m_call));
    m_reExtractButton->setEnabled(m_call->extractedCall);

    const std::vector<OrderRow> orders = m_ctx.store->calls().ordersOfCall(m_source, m_callNumber, &result);
    if (!result.ok())
        reportStoreFailure(QStringLiteral("CallDetails"), result.message);
    m_model->fill(orders, m_call->numberOfOrders);
    setGridWidth(static_cast<int>(orders.size()) >= kOrdersForScrollBar ? kGridWidthWithScrollBar
                                                                        : kGridWidth);
}

void CallDetailsWindow::addNotFoundLine() {
    const QString line = callNotFoundLine(m_callNumber);
    if (m_callInfoList->findItems(line, Qt::MatchExactly).isEmpty())
        m_callInfoList->addItem(line);
}

bool CallDetailsWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter or Space on the grid's current row does what a click on it does.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            onRowClicked(m_grid->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CallDetailsWindow::onRowClicked(const QModelIndex& index) {
    if (!index.isValid() || m_model->rowCount() == 0)
        return;
    openOrderDetails(index.row());
}

void CallDetailsWindow::openOrderDetails(int row) {
    m_grid->setCurrentIndex(m_model->index(row, OrdersTableModel::SalespersonColumn));
    m_model->setDetailsPressed(row, true);
    m_grid->viewport()->repaint();
    m_selected.selectedSource = static_cast<qint16>(m_source);
    m_selected.selectedCallNumber = m_callNumber;
    m_selected.selectedOrderSeqNumber = m_model->rowAt(row).orderSeqNumber;
    OrderDetailsWindow::showModal(m_ctx, m_selected, m_pictures, this);
    m_model->setDetailsPressed(row, false);
    m_grid->viewport()->repaint();
}

PrintDocument CallDetailsWindow::printout() const {
    Result result;
    CallPrintData data;
    data.callNumber = m_callNumber;
    if (m_ctx.store)
        data = loadCallPrintData(*m_ctx.store, m_source, m_callNumber, &result);
    return callPrintout(data);
}

void CallDetailsWindow::printCall() {
    setCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    const PrintDocument document = printout();
    // The call may have gone (the purge keeps running) since the window was filled.
    if (m_ctx.store && !m_ctx.store->calls().findCall(m_source, m_callNumber))
        addNotFoundLine();
    PrintDialogs(this, m_printEnv).printOnDefaultPrinter(document);
    unsetCursor();
    QCoreApplication::processEvents();
}

void CallDetailsWindow::reExtractCall() {
    if (!m_ctx.store || !m_reExtractButton->isEnabled())
        return;
    // The host gets this call's orders a second time: ask, with No as the safe answer.
    if (QMessageBox::question(this, programTitle(), QStringLiteral("Send this call to QX7 again?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const Result result = ReExtract(m_ctx).markToSendAgain({m_source, m_callNumber});
    if (result.isNotFound())
        return; // gone since the window was filled: nothing to send again
    if (!result.ok()) {
        QMessageBox::warning(this, programTitle(),
                             QStringLiteral("The call could not be marked to be sent again: ") +
                                 result.message);
        return;
    }
    if (m_callInfoList->count() >= 3)
        m_callInfoList->item(2)->setText(notExtractedLine());
    // The disabled button would hand the focus on to a header picture, where Enter sorts: OK takes it.
    if (focusWidget() == m_reExtractButton)
        m_okButton->setFocus(Qt::OtherFocusReason);
    m_reExtractButton->setEnabled(false);
}

void CallDetailsWindow::reportStoreFailure(const QString& operation, const QString& description) {
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Error,
                           operation + QStringLiteral(" error (") + description + QLatin1Char(')'));
}

} // namespace vrq
