// "All workstations" in the viewers: hidden over a store in a file, which is one workstation; over a shared
// PostgreSQL store ticking it shows the other workstations' rows with a Workstation column, and the calls
// window keeps those rows up to date each second without touching the other workstation's marks.
#include "ViewerTestSupport.h"

#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"
#include "ui/viewers/AuditLogTableModel.h"
#include "ui/viewers/AuditLogWindow.h"
#include "ui/viewers/CallsTableModel.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrderViewModel.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

const QDateTime kCallTime(QDate(2010, 3, 7), QTime(14, 5));

QCheckBox* allWorkstationsBoxOf(const QWidget& window) {
    return window.findChild<QCheckBox*>(u"chkAllWorkstations"_s);
}

// Over a file store, every viewer's box is there for its name's sake but never shown.
class FileStoreWorkstationsTest : public WindowTest {};

TEST_F(FileStoreWorkstationsTest, EveryViewerHidesTheBox) {
    addCall(0, 10);
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<CallsWindow>(fx.ctx));
    for (OrderViewKind kind :
         {OrderViewKind::BySalesperson, OrderViewKind::ByCustomer, OrderViewKind::ByDate})
        windows.push_back(std::make_unique<OrdersViewWindow>(kind, fx.ctx, pictures, selected));
    windows.push_back(std::make_unique<AuditLogWindow>(fx.ctx));
    windows.push_back(std::make_unique<ListCallsDialog>(fx.ctx));
    for (const auto& window : windows) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        QCheckBox* box = allWorkstationsBoxOf(*window);
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->isHidden());
        EXPECT_EQ(box->accessibleName(), u"All workstations"_s);
        window->close();
    }
}

TEST_F(FileStoreWorkstationsTest, TheCallsWindowHasNoWorkstationColumn) {
    addCall(0, 10);
    CallsWindow& window = keep(std::make_unique<CallsWindow>(fx.ctx));
    EXPECT_TRUE(window.callsGrid()->isColumnHidden(CallsTableModel::WorkstationColumn));
    EXPECT_EQ(column(window.callsModel(), CallsTableModel::NumberColumn), QStringList{u"10"_s});
}

// Workstation 1 (the program fixture's store) and workstation 2 over one database.
class SharedStoreWorkstationsTest : public WindowTest {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        m_desk1 = m_backends.fixture(QDateTime(QDate(2010, 3, 8), QTime(9, 0)));
        StoreLocation location;
        location.backend = StoreBackend::PostgreSQL;
        location.connection = m_desk1->pgConnection;
        location.workstation = 2;
        Result opened;
        m_desk2 = openStore(location, StoreAccess::ReadWrite, &opened);
        ASSERT_TRUE(m_desk2) << opened.message.toStdString();
    }
    void TearDown() override {
        WindowTest::TearDown();
        m_desk2.reset();
        m_desk1.reset();
    }

    static void addCallTo(Store& store, int number, const QString& salesperson) {
        CallRow call;
        call.callNumber = number;
        call.callDnt = kCallTime;
        call.goodCall = true;
        call.complete = true;
        call.numberOfOrders = 1;
        ASSERT_TRUE(succeeded(store.calls().insertCall(call)));
        ASSERT_TRUE(succeeded(store.calls().insertOrder(
            OrderRow{0, number, 1, salesperson, u"130067  "_s, u"01"_s, u"R7"_s, u"MSG"_s, 1, {}})));
    }
    QStringList desk2Marks() {
        return StoreProbe(*m_desk2).rows(u"SELECT CallNumber || ':' || Displayed::int FROM Calls "
                                         "WHERE Workstation = 2 ORDER BY CallNumber"_s);
    }
    // Each row as "workstation:number:status".
    static QStringList callRows(const CallsWindow& window) {
        const QAbstractItemModel& model = window.callsModel();
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row)
            rows << model.index(row, CallsTableModel::WorkstationColumn).data().toString() + u':' +
                        model.index(row, CallsTableModel::NumberColumn).data().toString() + u':' +
                        model.index(row, CallsTableModel::StatusColumn).data().toString();
        return rows;
    }

    BackendStores m_backends{StoreBackend::PostgreSQL};
    std::unique_ptr<ProgramFixture> m_desk1;
    std::unique_ptr<Store> m_desk2;
};

TEST_F(SharedStoreWorkstationsTest, TickingTheBoxAddsTheOtherWorkstationsCallsAndTheColumn) {
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk1->store, 10, u"100"_s));
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk2, 10, u"100"_s));
    CallsWindow& window = keep(std::make_unique<CallsWindow>(m_desk1->ctx));
    QCheckBox* box = window.allWorkstationsBox();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(window.callsGrid()->isColumnHidden(CallsTableModel::WorkstationColumn));
    EXPECT_EQ(callRows(window), QStringList{u"1:10:Good Call"_s});
    const int narrowWidth = window.width();

    box->setChecked(true);
    EXPECT_FALSE(window.callsGrid()->isColumnHidden(CallsTableModel::WorkstationColumn));
    EXPECT_GT(window.width(), narrowWidth);
    EXPECT_EQ(callRows(window), (QStringList{u"1:10:Good Call"_s, u"2:10:Good Call"_s}));
    EXPECT_EQ(window.callsModel().headerData(CallsTableModel::WorkstationColumn, Qt::Horizontal).toString(),
              u"Workstation"_s);

    // The other desk sends its call and takes in another: the next tick shows both.
    ASSERT_TRUE(succeeded(m_desk2->calls().setExtracted(0, 10, true)));
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk2, 11, u"100"_s));
    window.refreshCallDisplay();
    EXPECT_EQ(callRows(window), (QStringList{u"1:10:Good Call"_s, u"2:10:Extracted"_s, u"2:11:Good Call"_s}));
    // Its call gone (the site's purge): the row leaves.
    ASSERT_TRUE(succeeded(
        StoreProbe(*m_desk2).exec(u"DELETE FROM Calls WHERE Workstation = 2 AND CallNumber = 10"_s)));
    window.refreshCallDisplay();
    EXPECT_EQ(callRows(window), (QStringList{u"1:10:Good Call"_s, u"2:11:Good Call"_s}));
    EXPECT_EQ(desk2Marks(), QStringList{u"11:0"_s});

    // This desk's own changes reach its own row, never the other desk's of the same number.
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk2, 12, u"100"_s));
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk1->store, 11, u"100"_s));
    window.refreshCallDisplay();
    window.updateCallDisplay(0, 11, CallDisplay::Extracted);
    EXPECT_EQ(callRows(window), (QStringList{u"1:10:Good Call"_s, u"2:11:Good Call"_s, u"1:11:Extracted"_s,
                                             u"2:12:Good Call"_s}));

    box->setChecked(false);
    EXPECT_TRUE(window.callsGrid()->isColumnHidden(CallsTableModel::WorkstationColumn));
    EXPECT_EQ(window.width(), narrowWidth);
    EXPECT_EQ(column(window.callsModel(), CallsTableModel::NumberColumn), (QStringList{u"10"_s, u"11"_s}));
    EXPECT_EQ(desk2Marks(), (QStringList{u"11:0"_s, u"12:0"_s}));
}

TEST_F(SharedStoreWorkstationsTest, TheOrderViewFindsAgainWithEveryWorkstation) {
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk1->store, 10, u"100"_s));
    ASSERT_NO_FATAL_FAILURE(addCallTo(*m_desk2, 20, u"100"_s));
    OrdersViewWindow& window = keep(
        std::make_unique<OrdersViewWindow>(OrderViewKind::BySalesperson, m_desk1->ctx, pictures, selected));
    const int workstationColumn = window.ordersModel().workstationColumn();
    window.textInput()->setText(u"100"_s);
    window.findOrders();
    EXPECT_EQ(column(window.ordersModel(), 1), QStringList{u"10"_s});
    EXPECT_TRUE(window.ordersGrid()->isColumnHidden(workstationColumn));

    window.allWorkstationsBox()->setChecked(true);
    EXPECT_EQ(column(window.ordersModel(), 1), (QStringList{u"10"_s, u"20"_s}));
    EXPECT_EQ(column(window.ordersModel(), workstationColumn), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_FALSE(window.ordersGrid()->isColumnHidden(workstationColumn));
}

TEST_F(SharedStoreWorkstationsTest, TheAuditLogShowsEveryWorkstationsEntriesWithTheirNumber) {
    AuditRow entry;
    entry.auditDnt = kCallTime;
    entry.eventDnt = kCallTime;
    entry.type = u"I"_s;
    entry.msg = u"from desk 2"_s;
    ASSERT_TRUE(succeeded(m_desk2->audit().insertAudit(entry)));
    AuditLogWindow& window = keep(std::make_unique<AuditLogWindow>(m_desk1->ctx));
    EXPECT_FALSE(column(window.entriesModel(), AuditLogTableModel::MessageColumn).contains(u"from desk 2"_s));
    EXPECT_TRUE(window.entriesGrid()->isColumnHidden(AuditLogTableModel::WorkstationColumn));

    window.allWorkstationsBox()->setChecked(true);
    const QStringList messages = column(window.entriesModel(), AuditLogTableModel::MessageColumn);
    const auto at = messages.indexOf(u"from desk 2"_s);
    ASSERT_GE(at, 0) << messages.join(u'|').toStdString();
    EXPECT_EQ(column(window.entriesModel(), AuditLogTableModel::WorkstationColumn).at(at), u"2"_s);
    EXPECT_FALSE(window.entriesGrid()->isColumnHidden(AuditLogTableModel::WorkstationColumn));
}

} // namespace
} // namespace vrq::test
