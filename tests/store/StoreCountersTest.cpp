// Calls.NumberOfOrders and Orders.NumberOfItems as the raises give them and the tables keep them, however
// the raises and other statements interleave inside and outside units of work, and when a unit of work
// or a group is undone.
#include "store/CallStore.h"

#include "support/TestNames.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

// The steps of a row, run against the store; each raise's new value is appended to `raised`.
struct Steps {
    CallStore& store;
    std::vector<int> raised;

    void call(int number) {
        CallRow row;
        row.callNumber = number;
        ASSERT_TRUE(store.insertCall(row).ok());
    }
    void order(int call, int seq) {
        OrderRow row;
        row.callNumber = call;
        row.orderSeqNumber = seq;
        ASSERT_TRUE(store.insertOrder(row).ok());
    }
    void raiseOrders(int call) {
        int count = -1;
        ASSERT_TRUE(store.raiseNumberOfOrders(0, call, &count).ok());
        raised.push_back(count);
    }
    // Raises the order's counter and stores the line item with the number it gave.
    void item(int call, int seq) {
        int count = -1;
        ASSERT_TRUE(store.raiseNumberOfItems(0, call, seq, &count).ok());
        raised.push_back(count);
        ItemRow row;
        row.callNumber = call;
        row.orderSeqNumber = seq;
        row.itemSeqNumber = count;
        ASSERT_TRUE(store.insertItem(row).ok());
    }
    void audit() {
        AuditRow row;
        row.auditDnt = QDateTime(QDate(2026, 3, 10), QTime(9, 0));
        row.type = QStringLiteral("I");
        row.msg = QStringLiteral("between two raises");
        ASSERT_TRUE(store.insertAudit(row).ok());
    }
    // The order's counter as a reader inside the same unit of work sees it.
    void seeItems(int call, int seq) {
        const std::optional<OrderRow> row = store.findOrder(0, call, seq);
        raised.push_back(row ? row->numberOfItems : -1);
    }
};

struct CounterCase {
    const char* name;
    std::function<void(Steps&)> run;
    std::vector<int> raised;
    // After the steps: Calls.NumberOfOrders of call 1, Orders.NumberOfItems of orders 1 and 2 of call 1
    // (-1: no such row).
    int ordersOfCall;
    int itemsOfOrder1;
    int itemsOfOrder2;
};

// Call 1 with order 1 of two line items, in the open unit of work.
void callWithTwoItems(Steps& s) {
    s.call(1);
    s.raiseOrders(1);
    s.order(1, 1);
    s.item(1, 1);
    s.item(1, 1);
}

const CounterCase kCases[] = {
    {"OneUnitTwoOrders",
     [](Steps& s) {
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         s.raiseOrders(1);
         s.order(1, 2);
         s.item(1, 2);
         ASSERT_TRUE(s.store.commit().ok());
     },
     {1, 1, 2, 2, 1},
     2,
     2,
     1},
    {"BackToAnEarlierOrder",
     [](Steps& s) {
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         s.order(1, 2);
         s.item(1, 2);
         s.item(1, 1);
         ASSERT_TRUE(s.store.commit().ok());
     },
     {1, 1, 2, 1, 3},
     1,
     3,
     1},
    {"AuditEntriesBetweenRaises",
     [](Steps& s) {
         ASSERT_TRUE(s.store.begin().ok());
         s.call(1);
         s.audit();
         s.raiseOrders(1);
         s.order(1, 1);
         s.audit();
         s.item(1, 1);
         s.audit();
         s.item(1, 1);
         ASSERT_TRUE(s.store.commit().ok());
     },
     {1, 1, 2},
     1,
     2,
     -1},
    {"ReadInsideTheUnit",
     [](Steps& s) {
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         s.seeItems(1, 1);
         s.item(1, 1);
         ASSERT_TRUE(s.store.commit().ok());
     },
     {1, 1, 2, 2, 3},
     1,
     3,
     -1},
    {"UndoneUnit",
     [](Steps& s) {
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         s.store.rollback();
     },
     {1, 1, 2},
     -1,
     -1,
     -1},
    {"NoUnitOfWork", [](Steps& s) { callWithTwoItems(s); }, {1, 1, 2}, 1, 2, -1},
    {"UndoneUnitInsideAGroup",
     [](Steps& s) {
         ASSERT_TRUE(s.store.beginGroup().ok());
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         ASSERT_TRUE(s.store.commit().ok());
         ASSERT_TRUE(s.store.begin().ok());
         s.item(1, 1);
         s.raiseOrders(1);
         s.store.rollback();
         ASSERT_TRUE(s.store.begin().ok());
         s.item(1, 1);
         ASSERT_TRUE(s.store.commit().ok());
         ASSERT_TRUE(s.store.endGroup().ok());
     },
     {1, 1, 2, 3, 2, 3},
     1,
     3,
     -1},
    {"AbandonedGroup",
     [](Steps& s) {
         ASSERT_TRUE(s.store.beginGroup().ok());
         ASSERT_TRUE(s.store.begin().ok());
         callWithTwoItems(s);
         ASSERT_TRUE(s.store.commit().ok());
         s.store.abandonGroup();
     },
     {1, 1, 2},
     -1,
     -1,
     -1},
};

class StoreCountersTest : public ::testing::TestWithParam<CounterCase> {
protected:
    void SetUp() override {
        Result error;
        store = CallStore::open(dir.filePath(QStringLiteral("CallsAndOrders.db")), &error);
        ASSERT_TRUE(store) << error.message.toStdString();
        store->dataConversions();
    }

    // What a later process reads from the file.
    int storedOrdersOfCall() {
        store.reset();
        store = CallStore::open(dir.filePath(QStringLiteral("CallsAndOrders.db")));
        const std::optional<CallRow> call = store->findCall(0, 1);
        return call ? call->numberOfOrders : -1;
    }
    int storedItemsOfOrder(int seq) {
        const std::optional<OrderRow> order = store->findOrder(0, 1, seq);
        return order ? order->numberOfItems : -1;
    }

    QTemporaryDir dir;
    std::unique_ptr<CallStore> store;
};

TEST_P(StoreCountersTest, RaisesGiveAndTablesKeepTheCounts) {
    const CounterCase& c = GetParam();
    Steps steps{*store, {}};
    c.run(steps);
    EXPECT_EQ(steps.raised, c.raised);
    EXPECT_FALSE(store->inTransaction());
    EXPECT_EQ(storedOrdersOfCall(), c.ordersOfCall);
    EXPECT_EQ(storedItemsOfOrder(1), c.itemsOfOrder1);
    EXPECT_EQ(storedItemsOfOrder(2), c.itemsOfOrder2);
}

INSTANTIATE_TEST_SUITE_P(Rows, StoreCountersTest, ::testing::ValuesIn(kCases), test::RowName());

} // namespace

namespace {

// Texts and dates as bound by the store and read back from the file.
struct TextCase {
    const char* name;
    QString text;
    QDateTime when;
};

const TextCase kTexts[] = {
    {"PlainAscii", QStringLiteral("Call # 12 set Complete = True."),
     QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7))},
    {"Accented", QStringLiteral("Caf\u00e9 \u00c5rhus \u20ac"),
     QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))},
    {"EmptyInYear999", QString(), QDateTime(QDate(999, 2, 3), QTime(4, 5, 6))},
};

class StoreTextsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StoreTextsTest, ReadBackAsBound) {
    const TextCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("CallsAndOrders.db"));
    {
        std::unique_ptr<CallStore> store = CallStore::open(path);
        store->dataConversions();
        AuditRow row;
        row.auditDnt = c.when;
        row.type = QStringLiteral("I");
        row.msg = c.text;
        ASSERT_TRUE(store->insertAudit(row).ok());
    }
    std::unique_ptr<CallStore> store = CallStore::open(path);
    const std::vector<AuditRow> rows = store->allAudit();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].msg, c.text);
    EXPECT_EQ(rows[0].auditDnt, c.when);
}

INSTANTIATE_TEST_SUITE_P(Rows, StoreTextsTest, ::testing::ValuesIn(kTexts), test::RowName());

} // namespace
