#include "ui/viewers/OrdersViewWindow.h"

#include "context/AppContext.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/OrderViewModel.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerFormats.h"
#include "ui/viewers/ViewerGrid.h"
#include "ui/viewers/WorkstationScope.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

namespace vrq {

namespace {

// Geometry in twips shared by the three views.
constexpr TwipsBox kOrdersLabel{360, 960, 435, 255};
constexpr TwipsBox kGrid{300, 1380, 0, 2190}; // width from the design
constexpr int kFindWidth = 735;
constexpr int kFindHeight = 315;
constexpr int kLabelGap = 90; // between a label and its box
constexpr int kHeaderLeft = 900;
constexpr int kHeaderTop = 900;
constexpr int kHeaderHeight = 510;
constexpr int kRowHeight = 240;
// The box under the input row, and what the workstation column adds to the grid and the window.
constexpr TwipsBox kAllWorkstationsBox{360, 640, 2400, 255};
constexpr int kWorkstationWidth = 975;

// The widest text a column of the view shows; empty for a column without text.
QString widestTextOf(OrderViewCell cell) {
    switch (cell) {
    case OrderViewCell::CallNumber:
        return widestDigits(5);
    case OrderViewCell::DateTime:
        return widestCallDateTime();
    case OrderViewCell::Salesperson:
        return widestDigits(6);
    case OrderViewCell::Customer:
        return widestDigits(8);
    case OrderViewCell::Details:
    case OrderViewCell::DateKey:
        break;
    }
    return {};
}

QRect rectOf(const TwipsBox& box) {
    return Twips::rect(box.left, box.top, box.width, box.height);
}

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

// Places a control at its twips rectangle, widened when the system's face needs more room for its text.
void placeFitting(QWidget* control, const TwipsBox& box) {
    QRect rect = rectOf(box);
    rect.setWidth(std::max(rect.width(), control->sizeHint().width()));
    control->setGeometry(rect);
}

} // namespace

OrdersViewWindow::OrdersViewWindow(OrderViewKind kind, AppContext& ctx, const HeaderPictures& pictures,
                                   SelectedCall& selected, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_design(OrderViewDesign::of(kind)), m_ctx(ctx), m_selected(selected) {
    setObjectName(text(m_design.windowName));
    setWindowTitle(text(m_design.caption));
    setModal(true);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(Twips::toPixelsX(m_design.clientWidth), Twips::toPixelsY(m_design.clientHeight));

    buildInput(this);
    m_model = new OrderViewModel(m_design, pictures, this);
    buildGrid(this);

    auto* close = new QPushButton(text(m_design.closeCaption), this);
    close->setObjectName(QStringLiteral("btnOK"));
    close->setAutoDefault(false);
    close->setGeometry(rectOf(m_design.close));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    m_headers = new HeaderBar(pictures, *m_model, this);
    for (const OrderViewHeader& h : m_design.headers) {
        HeaderButton* header = m_headers->addHeader(this, h.picture, h.widthTwips, h.sortColumn, h.sortKind);
        const QString caption =
            HeaderPictures::caption(h.picture).replace(QLatin1Char('\n'), QLatin1Char(' '));
        header->setObjectName(text(h.name));
        header->setAccessibleName(caption);
    }
    m_workstationHeader = m_headers->addHeader(this, HeaderPicture::Workstation, 1000,
                                               m_model->workstationColumn(), SortKind::Numeric);
    m_workstationHeader->setObjectName(QStringLiteral("imgWorkstation"));
    m_workstationHeader->setAccessibleName(workstationCaption());

    m_allWorkstationsBox = makeAllWorkstationsBox(this, m_ctx);
    m_allWorkstationsBox->setGeometry(rectOf(kAllWorkstationsBox));
    // A find already made is made again for the workstations now asked for.
    connect(m_allWorkstationsBox, &QCheckBox::toggled, this, [this] {
        if (m_found)
            findOrders();
        else
            setUpViewGrid();
    });
    setTabOrder(m_textInput ? static_cast<QWidget*>(m_textInput) : m_dateInput, m_findButton);
    setTabOrder(m_findButton, m_allWorkstationsBox);
    setTabOrder(m_allWorkstationsBox, m_grid);
    setTabOrder(m_grid, close);

    // Load: an empty grid, every header raised.
    setUpViewGrid();
    m_headers->setPressedHeader(nullptr);
}

OrdersViewWindow::~OrdersViewWindow() = default;

void OrdersViewWindow::buildInput(QWidget* client) {
    auto* label = new QLabel(text(m_design.labelText), client);
    placeFitting(label, m_design.label);
    QWidget* input = nullptr;
    if (m_design.isDateView()) {
        m_dateInput = new QDateEdit(client);
        m_dateInput->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
        m_dateInput->setCalendarPopup(true);
        m_dateInput->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
        const QDateTime now = m_ctx.clock ? m_ctx.clock->now() : QDateTime::currentDateTime();
        m_dateInput->setDate(now.date());
        input = m_dateInput;
    } else {
        m_textInput = new QLineEdit(client);
        m_textInput->setMaxLength(m_design.inputMaxLength);
        input = m_textInput;
    }
    input->setObjectName(text(m_design.inputName));
    input->setAccessibleName(label->text());
    placeFitting(input, m_design.input);
    // A label widened for the system's face keeps clear of its box: the box moves right.
    const int clearOfLabel = label->geometry().right() + 1 + Twips::toPixelsX(kLabelGap);
    if (input->x() < clearOfLabel)
        input->move(clearOfLabel, input->y());
    label->setBuddy(input);

    m_findButton = new QPushButton(QStringLiteral("Find"), client);
    m_findButton->setObjectName(QStringLiteral("cmdFind"));
    m_findButton->setDefault(true); // Enter in the input control finds
    QRect find = Twips::rect(m_design.findLeft, m_design.findTop, kFindWidth, kFindHeight);
    // Kept clear of an input control that had to grow.
    find.moveLeft(std::max(find.left(), input->geometry().right() + Twips::toPixelsX(120)));
    m_findButton->setGeometry(find);
    connect(m_findButton, &QPushButton::clicked, this, &OrdersViewWindow::findOrders);
}

void OrdersViewWindow::buildGrid(QWidget* client) {
    auto* label = new QLabel(QStringLiteral("Orders"), client);
    placeFitting(label, kOrdersLabel);
    m_grid = makeViewerGrid(client, m_model, QStringLiteral("fgCalls"), QStringLiteral("Orders"),
                            m_design.columnOf(OrderViewCell::Details), kRowHeight);
    label->setBuddy(m_grid);
    connect(m_grid, &QTableView::clicked, this, &OrdersViewWindow::onRowClicked);
    // Enter or Space on the current row does what a click does.
    m_grid->installEventFilter(this);
}

void OrdersViewWindow::setUpViewGrid() {
    m_model->clear();
    std::vector<int> widths;
    for (const OrderViewColumn& column : m_design.gridColumns())
        widths.push_back(column.widthTwips);
    const bool all = allWorkstations();
    widths.push_back(all ? kWorkstationWidth : 0);
    setColumnWidthsTwips(m_grid, widths);
    m_workstationHeader->setVisible(all);
    setFixedSize(Twips::toPixelsX(m_design.clientWidth + (all ? kWorkstationWidth : 0)),
                 Twips::toPixelsY(m_design.clientHeight));
    std::vector<ColumnText> widest;
    for (const OrderViewColumn& column : m_design.gridColumns())
        if (const QString text = widestTextOf(column.cell); !text.isEmpty())
            widest.push_back({m_design.columnOf(column.cell), text});
    fitGridFont(m_grid, widest);
    setGridWidth(m_design.gridWidth);
    m_headers->placeRow(kHeaderLeft, kHeaderTop, kHeaderHeight);
}

// The width given is that of the grid without the workstation column.
void OrdersViewWindow::setGridWidth(int twips) {
    m_gridWidthTwips = twips;
    const int shownTwips = twips + (allWorkstations() ? kWorkstationWidth : 0);
    m_grid->setGeometry(Twips::rect(kGrid.left, kGrid.top, shownTwips, kGrid.height));
}

bool OrdersViewWindow::allWorkstations() const {
    return scopeOf(m_allWorkstationsBox) == ViewScope::AllWorkstations;
}

void OrdersViewWindow::findOrders() {
    setUpViewGrid();
    m_found = false;
    // A blank entry runs no query; a date is always set.
    if (m_textInput && m_textInput->text().trimmed().isEmpty())
        return;
    bool ok = true;
    std::vector<OrderViewRow> found = readOrders(&ok);
    if (!ok)
        return;
    m_found = true;
    std::vector<OrderViewGridRow> rows;
    rows.reserve(found.size());
    for (const OrderViewRow& order : found)
        rows.push_back(OrderViewModel::rowFor(order));
    m_model->appendRows(std::move(rows));
    setGridWidth(m_model->rowCount() >= OrderViewDesign::kRowsForScrollBar ? m_design.gridWidthWithScrollBar
                                                                           : m_design.gridWidth);
    m_headers->setPressedHeader(m_headers->headers().front());
}

std::vector<OrderViewRow> OrdersViewWindow::readOrders(bool* ok) {
    *ok = false;
    if (!m_ctx.store)
        return {};
    Result result;
    std::vector<OrderViewRow> found;
    const ViewScope scope = scopeOf(m_allWorkstationsBox);
    switch (m_design.kind) {
    case OrderViewKind::BySalesperson:
        found = m_ctx.store->viewers().ordersOfSalesperson(m_textInput->text(), scope, &result);
        break;
    case OrderViewKind::ByCustomer:
        found = m_ctx.store->viewers().ordersOfCustomer(m_textInput->text(), scope, &result);
        break;
    case OrderViewKind::ByDate:
        found = m_ctx.store->viewers().ordersOfDay(m_dateInput->date(), scope, &result);
        break;
    }
    if (!result.ok()) {
        const QString message =
            QStringLiteral("The orders could not be read (%1 - %2).").arg(result.code).arg(result.message);
        if (m_ctx.audit)
            m_ctx.audit->write(AuditType::Error, text(m_design.windowName) + QStringLiteral(": ") + message);
        QMessageBox::warning(this, programTitle(), message);
        return {};
    }
    *ok = true;
    return found;
}

void OrdersViewWindow::onRowClicked(const QModelIndex& index) {
    if (!index.isValid() || m_model->rowCount() == 0)
        return;
    const int row = index.row();
    const int numberColumn = m_design.columnOf(OrderViewCell::CallNumber);
    if (m_model->index(row, numberColumn).data().toString().isEmpty())
        return;
    m_grid->setCurrentIndex(index);
    if (const OrderViewGridRow& order = m_model->rowAt(row); !isOwnWorkstation(m_ctx, order.workstation)) {
        tellCallOfOtherWorkstation(this, order.workstation, order.callNumber);
        return;
    }
    m_model->setDetailsPressed(row, true);
    m_grid->viewport()->repaint();

    const OrderViewGridRow& clicked = m_model->rowAt(row);
    m_selected.selectedSource = static_cast<qint16>(clicked.source);
    m_selected.selectedCallNumber = clicked.callNumber;
    // The row is followed by a persistent index while the details window is open.
    const QPersistentModelIndex kept(m_model->index(row, 0));
    emit callDetailsRequested();
    if (kept.isValid()) {
        m_model->setDetailsPressed(kept.row(), false);
        m_grid->viewport()->repaint();
    }
}

bool OrdersViewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid && opensCurrentRow(m_grid, event)) {
        onRowClicked(m_grid->currentIndex());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vrq
