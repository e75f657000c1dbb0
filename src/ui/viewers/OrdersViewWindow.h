#pragma once

#include "ui/viewers/OrderViewDesign.h"
#include "ui/viewers/SelectedCall.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vrq {

struct AppContext;
class HeaderBar;
class HeaderButton;
class HeaderPictures;
class OrderViewModel;
struct OrderViewRow;

// The order views (object names "frmSPCalls", "frmCustCalls" and "frmDateCalls"): the orders of one
// salesperson, one customer or one day, one row per order with its call. The three differ only in their
// OrderViewDesign. A row click writes the call's source and number into the selected call and asks for its
// details window. Over a shared store "All workstations" finds every workstation's orders, each row
// with its workstation.
class OrdersViewWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrdersViewWindow)
public:
    OrdersViewWindow(OrderViewKind kind, AppContext& ctx, const HeaderPictures& pictures,
                     SelectedCall& selected, QWidget* parent = nullptr);
    ~OrdersViewWindow() override;

    // Fills the grid from the store for what the input control holds ("Find").
    void findOrders();

    const OrderViewDesign& design() const { return m_design; }
    const OrderViewModel& ordersModel() const { return *m_model; }
    QTableView* ordersGrid() const { return m_grid; }
    HeaderBar& headerBar() { return *m_headers; }
    QLineEdit* textInput() const { return m_textInput; } // the text views
    QDateEdit* dateInput() const { return m_dateInput; } // the date view
    QCheckBox* allWorkstationsBox() const { return m_allWorkstationsBox; }
    int gridWidthTwips() const { return m_gridWidthTwips; }

signals:
    // A row was clicked and the selected call set to its source and number; the receiver shows that
    // call's details modally, owned by this window, and returns when it has closed.
    void callDetailsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildInput(QWidget* client);
    void buildGrid(QWidget* client);
    void setUpViewGrid();
    void setGridWidth(int twips);
    bool allWorkstations() const;
    std::vector<OrderViewRow> readOrders(bool* ok);
    void onRowClicked(const QModelIndex& index);

    const OrderViewDesign& m_design;
    AppContext& m_ctx;
    SelectedCall& m_selected;
    OrderViewModel* m_model = nullptr;
    HeaderBar* m_headers = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_textInput = nullptr;
    QDateEdit* m_dateInput = nullptr;
    QPushButton* m_findButton = nullptr;
    QCheckBox* m_allWorkstationsBox = nullptr;
    HeaderButton* m_workstationHeader = nullptr;
    bool m_found = false; // the grid shows what a find read
    int m_gridWidthTwips = 0;
};

} // namespace vrq
