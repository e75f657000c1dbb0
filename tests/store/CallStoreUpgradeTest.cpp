// SQLite only: the start-up upgrade of the old DDL dialect exists for the SQLite file alone.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrq;
using vrq::test::succeeded;

namespace {

class CallStoreUpgradeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("CallsAndOrders.db"));

    std::unique_ptr<Store> openStore() {
        Result error;
        auto store = openStoreFile(path, StoreAccess::ReadWrite, &error);
        EXPECT_TRUE(store) << error.message.toStdString();
        return store;
    }

    // Rows written by an installation older than the Source column.
    static void fillBaseForm(Store& store) {
        StoreProbe probe(store);
        ASSERT_TRUE(succeeded(probe.exec(QStringLiteral(
            "INSERT INTO Calls (CallNumber, CallDNT, GoodCall, Complete, NumberOfOrders) "
            "VALUES (12, '2009-12-31 10:00:00', 1, 1, 1), (13, '2010-01-01 10:00:00', 0, 1, 0)"))));
        ASSERT_TRUE(succeeded(probe.exec(QStringLiteral(
            "INSERT INTO Orders (CallNumber, OrderSeqNumber, Salesperson, Customer, NumberOfItems) "
            "VALUES (12, 1, '000123', '004567  ', 1)"))));
        ASSERT_TRUE(succeeded(probe.exec(QStringLiteral(
            "INSERT INTO OrderLineItems (CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, Quantity) "
            "VALUES (12, 1, 1, '0000000012345', 3)"))));
    }
};

// After the upgrade a scanned call (Source 1) may share its number, orders and items with a DataBin call;
// a second upgrade changes nothing.
TEST_F(CallStoreUpgradeTest, BaseFormIsUpgradedWithSourceInEveryKeyOnce) {
    auto store = openStore();
    ASSERT_NO_FATAL_FAILURE(fillBaseForm(*store));
    store->schema().dataConversions();

    const auto rows = store->calls().allCalls();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].callNumber, 12) << "rows keep their natural order through the rebuild";
    for (const CallRow& row : rows)
        EXPECT_EQ(row.source, 0);
    ASSERT_EQ(store->calls().allOrders().size(), 1u);
    EXPECT_EQ(store->calls().allOrders()[0].source, 0);
    EXPECT_FALSE(store->calls().allOrders()[0].shipTo.has_value());
    ASSERT_EQ(store->calls().allItems().size(), 1u);
    EXPECT_EQ(store->calls().allItems()[0].source, 0);

    StoreProbe probe(*store);
    ASSERT_TRUE(
        succeeded(probe.exec(QStringLiteral("INSERT INTO Calls (Source, CallNumber) VALUES (1, 12)"))));
    ASSERT_TRUE(succeeded(probe.exec(
        QStringLiteral("INSERT INTO Orders (Source, CallNumber, OrderSeqNumber) VALUES (1, 12, 1)"))));
    ASSERT_TRUE(succeeded(probe.exec(
        QStringLiteral("INSERT INTO OrderLineItems (Source, CallNumber, OrderSeqNumber, ItemSeqNumber) "
                       "VALUES (1, 12, 1, 1)"))));
    store->schema().dataConversions();
    EXPECT_EQ(store->calls().allCalls().size(), 3u);
    EXPECT_TRUE(store->calls().findCall(1, 12))
        << "the Source fill runs only on the upgrade that adds the column";
    EXPECT_EQ(store->calls().allItems().size(), 2u);
}

TEST_F(CallStoreUpgradeTest, OnlyTheMissingSourceStepsRun) {
    auto store = openStore();
    ASSERT_NO_FATAL_FAILURE(fillBaseForm(*store));
    ASSERT_TRUE(store->schema().executeJetDdl(QStringLiteral("Alter Table Calls ADD COLUMN Source NUMBER")));
    ASSERT_TRUE(succeeded(StoreProbe(*store).exec(QStringLiteral("UPDATE Calls SET Source = 5"))));
    store->schema().dataConversions();
    EXPECT_EQ(store->schema().primaryKeyOf(QStringLiteral("Calls")),
              QStringList{QStringLiteral("CallNumber")})
        << "the Calls key is left alone when its Source column was already there";
    EXPECT_EQ(store->calls().allCalls()[0].source, 5);
    EXPECT_EQ(store->schema().primaryKeyOf(QStringLiteral("Orders")).first(), QStringLiteral("Source"));
    EXPECT_EQ(store->schema().primaryKeyOf(QStringLiteral("OrderLineItems")).first(),
              QStringLiteral("Source"));
}

} // namespace
