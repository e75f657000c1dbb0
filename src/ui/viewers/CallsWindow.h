#pragma once

#include "context/UserInterface.h"
#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/SelectedCall.h"

#include <QMainWindow>
#include <QTimer>
#include <array>

class QAction;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;

namespace vrq {

struct AppContext;
struct Result;
class CallsTableModel;
class HeaderBar;
class HeaderButton;
class StatusSummary;

// The "Calls" window (object name "frmAllCalls"): one row per complete call in the store, refilled from
// the store at load and by the check boxes, topped up once a second with newly completed calls, and
// changed row by row through updateCallDisplay. Over a shared store "All workstations" adds the other
// workstations' complete calls, read without their display marks and brought up to date each second. Its
// menus ask the window layer, through signals, for the other windows. Closing it ends the program: the close
// box asks first, every other close does not.
class CallsWindow : public QMainWindow {
    Q_OBJECT
public:
    // The kinds of order view the "View" menu asks for.
    enum OrdersView { OrdersBySalesperson = 0, OrdersByCustomer = 1, OrdersByDate = 2 };
    // Menu entries that start disabled until the window layer can serve them.
    enum class MenuEntry {
        Properties,
        OrdersBySalesperson,
        OrdersByCustomer,
        OrdersByDate,
        ListOfCalls,
        SaveAudits,
        AuditLog,
        About
    };

    explicit CallsWindow(AppContext& ctx, QWidget* parent = nullptr);
    ~CallsWindow() override;

    // Changes the first row showing this call number, whatever its source: Remove takes the row off the
    // grid; Bad, Good and Extracted set its status to "Bad call", "Good Call" or "Extracted". A number
    // not on show changes nothing. The refresh timer is paused meanwhile.
    void updateCallDisplay(int callNumber, CallDisplay mode);
    // The same for the row of the call of this source and number only.
    void updateCallDisplay(int source, int callNumber, CallDisplay mode);

    // The status line under the grid: today's calls, last intake and export, the host folder, the purge.
    void showStatus(const StatusSummary& summary);
    QString statusText() const;
    // A button under the status text (hidden until its owner shows it), so the text keeps the whole width.
    void addStatusButton(QPushButton* button);

    void setMenuEntryEnabled(MenuEntry entry, bool enabled);
    bool isMenuEntryEnabled(MenuEntry entry) const;

    // Appends the complete calls not displayed yet (each tick of the refresh timer, and at load).
    void refreshCallDisplay();
    // Marks every call of the store not displayed and empties the grid.
    void resetCallDisplay();

    // The call and order the details windows show; row clicks here write it.
    SelectedCall& selectedCall() { return m_selected; }
    // The one header picture set, lent to the windows opened from here.
    const HeaderPictures& headerPictures() const { return m_pictures; }

    // For the window layer's tests and the screenshot tool.
    const CallsTableModel& callsModel() const { return *m_model; }
    QTableView* callsGrid() const { return m_grid; }
    HeaderBar& headerBar() { return *m_headers; }
    QCheckBox* displayCallsBox() const { return m_displayCallsBox; }
    QCheckBox* displayFilesBox() const { return m_displayFilesBox; }
    QCheckBox* allWorkstationsBox() const { return m_allWorkstationsBox; }
    QAction* menuAction(MenuEntry entry) const;
    QAction* exitAction() const { return m_exitAction; }
    // Asks as the close box does and closes the window when the person says Yes.
    void exitWhenConfirmed();
    int gridWidthTwips() const { return m_gridWidthTwips; }
    int rowCount() const { return m_rowCount; }
    bool refreshTimerActive() const { return m_refreshTimer.isActive(); }

signals:
    // Position stored into the settings; the program may end.
    void unloaded();
    void propertiesRequested();
    void saveAuditsRequested();
    void aboutRequested();
    void ordersViewRequested(int kind);
    void listOfCallsRequested();
    void auditLogRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildStatusLine();
    void placeOnScreen();
    void keepOnScreen();
    void setUpCallGrid();
    void showCurrentRow();
    void setGridWidth(int twips);
    void scrollToTopRow(int row);
    void rebuildCallDisplay();
    // Shows the workstation column (and widens the window for it) while every workstation is shown.
    void showWorkstationColumn();
    // Brings the other workstations' rows up to date; false when the store failed.
    bool refreshOtherCalls();
    void changeCallRow(int row, CallDisplay mode);
    void onRowClicked(const QModelIndex& index);
    void exitWithoutQuestion();
    bool confirmExit();
    void storePosition();
    void reportStoreFailure(const QString& operation, const Result& result);

    AppContext& m_ctx;
    HeaderPictures m_pictures;
    SelectedCall m_selected;
    CallsTableModel* m_model = nullptr;
    HeaderBar* m_headers = nullptr;
    QTableView* m_grid = nullptr;
    QCheckBox* m_displayCallsBox = nullptr;
    QCheckBox* m_displayFilesBox = nullptr;
    QCheckBox* m_allWorkstationsBox = nullptr;
    HeaderButton* m_workstationHeader = nullptr;
    QWidget* m_client = nullptr;
    QString m_otherCallsStamp; // what the other workstations' rows on the grid were read as
    QTimer m_refreshTimer;
    QLabel* m_stateIcon = nullptr;
    QLabel* m_statusLabel = nullptr;
    QHBoxLayout* m_statusButtons = nullptr;
    std::array<QAction*, 8> m_entries{};
    QAction* m_exitAction = nullptr;
    int m_scrollTopRow = -1;
    int m_rowCount = 0;
    int m_gridWidthTwips = 4800;
    bool m_storeFailing = false;
    bool m_resetPending = false; // the store's display marks are still to be reset
    bool m_unloaded = false;
};

} // namespace vrq
