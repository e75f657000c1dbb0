#include "ui/viewers/OrderDetailsWindow.h"

#include "context/AppContext.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"
#include "ui/viewers/CallFacts.h"
#include "ui/viewers/HeaderBar.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/LineItemsTableModel.h"
#include "ui/viewers/SelectedCall.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/ViewerGrid.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

namespace vrq {

namespace {

// Geometry in twips.
constexpr int kClientWidth = 8880;
constexpr int kClientHeight = 4035;
constexpr int kGridLeft = 4320;
constexpr int kGridTop = 660;
constexpr int kGridHeight = 3135;
constexpr int kGridWidth = 4015;
constexpr int kGridWidthWithScrollBar = 4275;
constexpr int kRowHeight = 285;
constexpr int kItemsForScrollBar = 5;
const std::vector<int> kColumnWidths{1300, 600, 600, 600, 900};

void reportStoreFailure(AppContext& ctx, const Result& result) {
    if (!result.ok() && ctx.audit)
        ctx.audit->write(AuditType::Error,
                         QStringLiteral("OrderDetails error (") + result.message + QLatin1Char(')'));
}

} // namespace

QString OrderDetailsWindow::notFoundText() {
    return QStringLiteral("Unable to find this order.");
}

bool OrderDetailsWindow::showModal(AppContext& ctx, const SelectedCall& selected,
                                   const HeaderPictures& pictures, QWidget* owner) {
    const int source = selected.selectedSource;
    const int number = selected.selectedCallNumber;
    const int orderSeq = selected.selectedOrderSeqNumber;
    Result result;
    std::optional<CallRow> call;
    std::optional<OrderRow> order;
    if (ctx.store) {
        call = ctx.store->calls().findCall(source, number, &result);
        reportStoreFailure(ctx, result);
        if (call) {
            order = ctx.store->calls().findOrder(source, number, orderSeq, &result);
            reportStoreFailure(ctx, result);
        }
    }
    if (!call || !order) {
        QMessageBox::information(owner, programTitle(), notFoundText());
        return false;
    }
    const std::vector<ItemRow> items = ctx.store->calls().itemsOfOrder(source, number, orderSeq, &result);
    reportStoreFailure(ctx, result);
    OrderDetailsWindow window(*call, *order, items, pictures, owner);
    window.exec();
    return true;
}

OrderDetailsWindow::OrderDetailsWindow(const CallRow& call, const OrderRow& order,
                                       const std::vector<ItemRow>& items, const HeaderPictures& pictures,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmOrderDetails"));
    setModal(true);
    setWindowTitle(orderCaption(call.callNumber, order));
    buildControls(pictures);
    m_orderInfoList->addItems(orderInfoLines(call, order));
    // Items beyond the order's count are shown too, in rows added for them.
    m_model->fill(items, order.numberOfItems);
    setGridWidth(static_cast<int>(items.size()) >= kItemsForScrollBar ? kGridWidthWithScrollBar : kGridWidth);
}

OrderDetailsWindow::~OrderDetailsWindow() = default;

void OrderDetailsWindow::buildControls(const HeaderPictures& pictures) {
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(Twips::toPixelsX(kClientWidth), Twips::toPixelsY(kClientHeight));

    QLabel* detailsLabel = makeViewerLabel(this, QStringLiteral("Order Details"), 240, 240, 1395, 255);
    m_orderInfoList = new QListWidget(this);
    m_orderInfoList->setObjectName(QStringLiteral("lstOrderInfo"));
    m_orderInfoList->setAccessibleName(QStringLiteral("Order Details"));
    m_orderInfoList->setGeometry(Twips::rect(240, 480, 3855, 2205));
    detailsLabel->setBuddy(m_orderInfoList);

    QLabel* itemsLabel = makeViewerLabel(this, QStringLiteral("Order Line Items"), 4320, 180, 1575, 315);
    m_model = new LineItemsTableModel(pictures, this);
    m_grid = makeViewerGrid(this, m_model, QStringLiteral("fgLineItems"), QStringLiteral("Order Line Items"),
                            -1, kRowHeight);
    itemsLabel->setBuddy(m_grid);
    setColumnWidthsTwips(m_grid, kColumnWidths);
    fitGridFont(m_grid, {{LineItemsTableModel::ItemNumberColumn, widestDigits(13)},
                         {LineItemsTableModel::QuantityColumn, QStringLiteral("-888")},
                         {LineItemsTableModel::PriceColumn, widestDigits(5)}});
    setGridWidth(kGridWidth);

    m_headers = new HeaderBar(pictures, *m_model, this);
    struct Header {
        const char* name;
        HeaderPicture picture;
        int width;
        int column;
    };
    const Header headers[] = {
        {"imgItNum", HeaderPicture::ItemNumberN, 1305, LineItemsTableModel::ItemNumberColumn},
        {"imgQty", HeaderPicture::QtyN, 600, LineItemsTableModel::QuantityColumn},
        {"imgLvl", HeaderPicture::LevelN, 600, LineItemsTableModel::UnitColumn},
        {"imgDisc", HeaderPicture::DiscN, 600, LineItemsTableModel::DiscountColumn},
        {"imgPrc", HeaderPicture::PriceN, 915, LineItemsTableModel::PriceColumn},
    };
    QWidget* previous = m_orderInfoList;
    for (const Header& h : headers) {
        HeaderButton* header = m_headers->addHeader(this, h.picture, h.width, h.column, SortKind::Numeric);
        header->setObjectName(QString::fromLatin1(h.name));
        setTabOrder(previous, header);
        previous = header;
    }
    setTabOrder(previous, m_grid);
    m_headers->placeRow(4320, 400, 285);
    m_headers->setPressedHeader(nullptr);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setGeometry(Twips::rect(1500, 3540, 1155, 375));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void OrderDetailsWindow::setGridWidth(int twips) {
    m_gridWidthTwips = twips;
    m_grid->setGeometry(Twips::rect(kGridLeft, kGridTop, twips, kGridHeight));
}

} // namespace vrq
