// Two workstations share one PostgreSQL store: each viewer read gives this workstation's rows, or with
// every workstation's scope the rows of both, each naming its own. The calls window's read of the other
// workstations' calls leaves their display marks alone and reads them again only after they changed.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

const QDateTime kMorning(QDate(2026, 3, 10), QTime(9, 15));

// What one read gives, as "workstation:call number" in the order read.
using ScopedRead = std::function<QStringList(Store&, ViewScope, Result*)>;

template <typename Row> QStringList keysOf(const std::vector<Row>& rows) {
    QStringList keys;
    for (const Row& row : rows)
        keys << u"%1:%2"_s.arg(row.workstation).arg(row.callNumber);
    return keys;
}

struct ScopeCase {
    const char* name;
    ScopedRead read;
    QStringList thisWorkstation; // of workstation 1
    QStringList allWorkstations;
};

// Workstation 1 took in calls 10 (Ann for customer 100) and 11 (Bob for 200), workstation 2 calls 10
// (Ann for 200) and 12 (Ann for 100, the day after): the same number on both, as desks do. Taken in
// in the order 1:10, 2:10, 1:11, 2:12, which is the calls' natural order.
const ScopeCase kReads[] = {
    {"OrdersOfSalesperson",
     [](Store& s, ViewScope scope, Result* r) {
         return keysOf(s.viewers().ordersOfSalesperson(u"Ann"_s, scope, r));
     },
     {u"1:10"_s},
     {u"1:10"_s, u"2:10"_s, u"2:12"_s}},
    {"OrdersOfCustomer",
     [](Store& s, ViewScope scope, Result* r) {
         return keysOf(s.viewers().ordersOfCustomer(u"200"_s, scope, r));
     },
     {u"1:11"_s},
     {u"2:10"_s, u"1:11"_s}},
    {"OrdersOfDay",
     [](Store& s, ViewScope scope, Result* r) {
         return keysOf(s.viewers().ordersOfDay(kMorning.date(), scope, r));
     },
     {u"1:10"_s, u"1:11"_s},
     {u"1:10"_s, u"2:10"_s, u"1:11"_s}},
    {"CallsBetween",
     [](Store& s, ViewScope scope, Result* r) {
         return keysOf(s.viewers().callsBetween(kMorning.addDays(-1), kMorning.addDays(2), scope, r));
     },
     {u"1:10"_s, u"1:11"_s},
     {u"1:10"_s, u"2:10"_s, u"1:11"_s, u"2:12"_s}},
    {"AuditEntries",
     [](Store& s, ViewScope scope, Result* r) {
         AuditFilter filter;
         filter.newestFirst = false;
         filter.scope = scope;
         QStringList keys;
         for (const AuditRow& row : s.audit().auditEntries(filter, r))
             keys << u"%1:%2"_s.arg(row.workstation).arg(row.msg);
         return keys;
     },
     {u"1:Good Call : #10"_s, u"1:Good Call : #11"_s},
     {u"1:Good Call : #10"_s, u"2:Good Call : #10"_s, u"1:Good Call : #11"_s, u"2:Good Call : #12"_s}},
};

// Both workstations' stores over one database, workstation 1's first.
class TwoWorkstations {
public:
    void open() {
        const QString database = m_backends.newDatabase();
        for (int workstation : {1, 2}) {
            StoreLocation location;
            location.backend = StoreBackend::PostgreSQL;
            location.connection = database;
            location.workstation = workstation;
            Result opened;
            m_stores.push_back(openStore(location, StoreAccess::ReadWrite, &opened));
            ASSERT_TRUE(m_stores.back()) << opened.message.toStdString();
        }
    }
    Store& of(int workstation) { return *m_stores[static_cast<std::size_t>(workstation - 1)]; }

    // A complete good call with one order, and its "G" entry a second after the call per number.
    void addCall(int workstation, int number, const QDateTime& when, const QString& salesperson,
                 const QString& customer) {
        Store& store = of(workstation);
        CallRow call;
        call.callNumber = number;
        call.callDnt = when;
        call.goodCall = true;
        call.complete = true;
        call.numberOfOrders = 1;
        ASSERT_TRUE(succeeded(store.calls().insertCall(call)));
        ASSERT_TRUE(succeeded(store.calls().insertOrder(
            OrderRow{0, number, 1, salesperson, customer, u"01"_s, u"R7"_s, u"MSG"_s, 2, {}})));
        AuditRow entry;
        entry.auditDnt = kMorning.addSecs(number * 10 + workstation);
        entry.eventDnt = entry.auditDnt;
        entry.type = u"G"_s;
        entry.msg = u"Good Call : #%1"_s.arg(number);
        ASSERT_TRUE(succeeded(store.audit().insertAudit(entry)));
    }
    void addTheSite() {
        ASSERT_NO_FATAL_FAILURE(addCall(1, 10, kMorning, u"Ann"_s, u"100"_s));
        ASSERT_NO_FATAL_FAILURE(addCall(2, 10, kMorning.addSecs(60), u"Ann"_s, u"200"_s));
        ASSERT_NO_FATAL_FAILURE(addCall(1, 11, kMorning.addSecs(120), u"Bob"_s, u"200"_s));
        ASSERT_NO_FATAL_FAILURE(addCall(2, 12, kMorning.addDays(1), u"Ann"_s, u"100"_s));
    }

    // Workstation:number:Displayed of every call, by workstation and number.
    QStringList marks() {
        Result read;
        QStringList rows = StoreProbe(of(1)).rows(
            u"SELECT Workstation || ':' || CallNumber || ':' || Displayed::int FROM Calls "
            "ORDER BY Workstation, CallNumber"_s,
            &read);
        EXPECT_TRUE(succeeded(read));
        return rows;
    }

private:
    BackendStores m_backends{StoreBackend::PostgreSQL};
    std::vector<std::unique_ptr<Store>> m_stores; // closed before the database is dropped
};

class ViewScopeTest : public ::testing::TestWithParam<ScopeCase> {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_NO_FATAL_FAILURE(m_site.open());
        ASSERT_NO_FATAL_FAILURE(m_site.addTheSite());
    }
    TwoWorkstations m_site;
};

TEST_P(ViewScopeTest, ThisWorkstationsRowsOrEveryWorkstations) {
    const ScopeCase& c = GetParam();
    Result result;
    EXPECT_EQ(c.read(m_site.of(1), ViewScope::ThisWorkstation, &result), c.thisWorkstation);
    EXPECT_TRUE(succeeded(result));
    EXPECT_EQ(c.read(m_site.of(1), ViewScope::AllWorkstations, &result), c.allWorkstations);
    EXPECT_TRUE(succeeded(result));
}

// The other workstation sees its own rows as "this workstation", and the same m_site as a whole.
TEST_P(ViewScopeTest, TheOtherWorkstationSeesItsOwnAndTheSameWhole) {
    const ScopeCase& c = GetParam();
    QStringList own;
    for (const QString& key : c.allWorkstations)
        if (key.startsWith(u"2:"_s))
            own << key;
    EXPECT_EQ(c.read(m_site.of(2), ViewScope::ThisWorkstation, nullptr), own);
    EXPECT_EQ(c.read(m_site.of(2), ViewScope::AllWorkstations, nullptr), c.allWorkstations);
}

INSTANTIATE_TEST_SUITE_P(Reads, ViewScopeTest, ::testing::ValuesIn(kReads),
                         [](const ::testing::TestParamInfo<ScopeCase>& info) {
                             return std::string(info.param.name);
                         });

class OtherWorkstationCallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_NO_FATAL_FAILURE(m_site.open());
        ASSERT_NO_FATAL_FAILURE(m_site.addTheSite());
    }
    static QStringList keysOfCalls(const OtherWorkstationCalls& others) { return keysOf(others.calls); }
    TwoWorkstations m_site;
};

TEST_F(OtherWorkstationCallsTest, AreReadAgainOnlyAfterTheyChanged) {
    Result result;
    const OtherWorkstationCalls first = m_site.of(1).viewers().otherWorkstationsCompleteCalls({}, &result);
    ASSERT_TRUE(succeeded(result));
    EXPECT_TRUE(first.changed);
    EXPECT_EQ(keysOfCalls(first), (QStringList{u"2:10"_s, u"2:12"_s}));

    const OtherWorkstationCalls same = m_site.of(1).viewers().otherWorkstationsCompleteCalls(first.stamp);
    EXPECT_FALSE(same.changed);
    EXPECT_TRUE(same.calls.empty());
    EXPECT_EQ(same.stamp, first.stamp);

    // Sent to the host: the status the window shows changes, and so does the stamp.
    ASSERT_TRUE(succeeded(m_site.of(2).calls().setExtracted(0, 12, true)));
    const OtherWorkstationCalls sent = m_site.of(1).viewers().otherWorkstationsCompleteCalls(first.stamp);
    EXPECT_TRUE(sent.changed);
    ASSERT_EQ(keysOfCalls(sent), (QStringList{u"2:10"_s, u"2:12"_s}));
    EXPECT_FALSE(sent.calls[0].extractedCall);
    EXPECT_TRUE(sent.calls[1].extractedCall);

    // This workstation's own calls are never among them.
    ASSERT_NO_FATAL_FAILURE(m_site.addCall(1, 13, kMorning, u"Cy"_s, u"300"_s));
    EXPECT_FALSE(m_site.of(1).viewers().otherWorkstationsCompleteCalls(sent.stamp).changed);
    ASSERT_NO_FATAL_FAILURE(m_site.addCall(2, 14, kMorning, u"Cy"_s, u"300"_s));
    EXPECT_EQ(keysOfCalls(m_site.of(1).viewers().otherWorkstationsCompleteCalls(sent.stamp)),
              (QStringList{u"2:10"_s, u"2:12"_s, u"2:14"_s}));
}

TEST_F(OtherWorkstationCallsTest, AWorkstationMarksOnlyItsOwnCalls) {
    const QStringList unmarked{u"1:10:0"_s, u"1:11:0"_s, u"2:10:0"_s, u"2:12:0"_s};
    ASSERT_EQ(m_site.marks(), unmarked);
    EXPECT_EQ(keysOf(m_site.of(1).viewers().retakeAllCompleteCalls()), (QStringList{u"1:10"_s, u"1:11"_s}));
    m_site.of(1).viewers().otherWorkstationsCompleteCalls({});
    EXPECT_EQ(m_site.marks(), (QStringList{u"1:10:1"_s, u"1:11:1"_s, u"2:10:0"_s, u"2:12:0"_s}));

    EXPECT_EQ(keysOf(m_site.of(2).viewers().takeUndisplayedCompleteCalls()),
              (QStringList{u"2:10"_s, u"2:12"_s}));
    ASSERT_TRUE(succeeded(m_site.of(1).viewers().resetDisplayed()));
    EXPECT_EQ(m_site.marks(), (QStringList{u"1:10:0"_s, u"1:11:0"_s, u"2:10:1"_s, u"2:12:1"_s}));
}

// A store in a file is one workstation: the scope reads the same rows, and there are no others.
TEST(FileStoreScope, IsOneWorkstation) {
    BackendStores backends{StoreBackend::SQLite};
    std::unique_ptr<Store> store = backends.store();
    ASSERT_TRUE(store);
    CallRow call;
    call.callNumber = 10;
    call.callDnt = kMorning;
    call.complete = true;
    call.numberOfOrders = 1;
    ASSERT_TRUE(succeeded(store->calls().insertCall(call)));
    ASSERT_TRUE(succeeded(store->calls().insertOrder(
        OrderRow{0, 10, 1, u"Ann"_s, u"100"_s, u"01"_s, u"R7"_s, u"MSG"_s, 2, {}})));
    EXPECT_FALSE(store->viewers().sharedByWorkstations());
    EXPECT_EQ(store->viewers().thisWorkstation(), 1);
    for (const ViewScope scope : {ViewScope::ThisWorkstation, ViewScope::AllWorkstations})
        EXPECT_EQ(keysOf(store->viewers().ordersOfSalesperson(u"Ann"_s, scope)), QStringList{u"1:10"_s});
    Result result = Result::failure(u"not read"_s);
    const OtherWorkstationCalls others = store->viewers().otherWorkstationsCompleteCalls({}, &result);
    EXPECT_TRUE(succeeded(result));
    EXPECT_FALSE(others.changed);
    EXPECT_TRUE(others.calls.empty());
}

} // namespace
} // namespace vrq::test
