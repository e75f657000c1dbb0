#pragma once

#include "store/StoreRecords.h"

#include <QDialog>

class QListWidget;
class QTableView;

namespace vrq {

struct AppContext;
struct SelectedCall;
class HeaderBar;
class HeaderPictures;
class LineItemsTableModel;

// The order details window (object name "frmOrderDetails"): one order of the selected call (source,
// number and order number all matched): the call's date and extraction, the order's facts and its line
// items. It only reads the store.
class OrderDetailsWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrderDetailsWindow)
public:
    // Opens the window modally over owner; when the call or the order is not in the store it says
    // "Unable to find this order." instead and no window opens. True when the window was shown.
    static bool showModal(AppContext& ctx, const SelectedCall& selected, const HeaderPictures& pictures,
                          QWidget* owner);

    OrderDetailsWindow(const CallRow& call, const OrderRow& order, const std::vector<ItemRow>& items,
                       const HeaderPictures& pictures, QWidget* parent = nullptr);
    ~OrderDetailsWindow() override;

    int gridWidthTwips() const { return m_gridWidthTwips; }
    const LineItemsTableModel& itemsModel() const { return *m_model; }
    HeaderBar& headerBar() { return *m_headers; }

    static QString notFoundText();

private:
    void buildControls(const HeaderPictures& pictures);
    void setGridWidth(int twips);

    LineItemsTableModel* m_model = nullptr;
    HeaderBar* m_headers = nullptr;
    QListWidget* m_orderInfoList = nullptr;
    QTableView* m_grid = nullptr;
    int m_gridWidthTwips = 4015;
};

} // namespace vrq
