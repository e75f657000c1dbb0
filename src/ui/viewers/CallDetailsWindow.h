#pragma once

#include "store/StoreRecords.h"
#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrintDocument.h"

#include <QDialog>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace vrq {

struct AppContext;
struct SelectedCall;
class HeaderBar;
class HeaderPictures;
class OrdersTableModel;

// The call details window (object name "frmCallDetails"): one call of one source, its three facts, its
// orders, printing it and sending an extracted call to the host again. Opened modally (exec) by a row
// click in the calls window or an order view, which first set the selected source and number. A call not in
// the store shows one line saying so, no orders and no re-extract; the print still sends its title page.
class CallDetailsWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CallDetailsWindow)
public:
    // Reads selected (the source and number; a source other than 1 becomes 0) and writes its order
    // number on a row click. The re-extract reaches the calls window through ctx.ui.
    CallDetailsWindow(AppContext& ctx, SelectedCall& selected, const HeaderPictures& pictures,
                      QWidget* parent = nullptr);
    ~CallDetailsWindow() override;

    // Where printing goes; tests replace the default printer and the PDF question.
    void setPrintEnvironment(PrintEnvironment environment) { m_printEnv = std::move(environment); }
    // The printout as it would go to the printer now.
    PrintDocument printout() const;

    int gridWidthTwips() const { return m_gridWidthTwips; }
    const OrdersTableModel& ordersModel() const { return *m_model; }
    HeaderBar& headerBar() { return *m_headers; }

    void printCall();
    void reExtractCall();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void addHeaders(QWidget* client);
    void loadCall();
    void setGridWidth(int twips);
    void onRowClicked(const QModelIndex& index);
    void openOrderDetails(int row);
    void addNotFoundLine();
    void reportStoreFailure(const QString& operation, const QString& description);

    AppContext& m_ctx;
    SelectedCall& m_selected;
    const HeaderPictures& m_pictures;
    int m_source = 0;
    int m_callNumber = 0;
    std::optional<CallRow> m_call;
    PrintEnvironment m_printEnv;
    OrdersTableModel* m_model = nullptr;
    HeaderBar* m_headers = nullptr;
    QListWidget* m_callInfoList = nullptr;
    QPushButton* m_reExtractButton = nullptr;
    QTableView* m_grid = nullptr;
    QPushButton* m_printCallButton = nullptr;
    QPushButton* m_okButton = nullptr;
    int m_gridWidthTwips = 6570;
};

} // namespace vrq
