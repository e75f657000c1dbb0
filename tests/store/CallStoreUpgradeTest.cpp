#include "store/CallStore.h"
#include "support/ProgramFixture.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

class CallStoreUpgradeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("CallsAndOrders.db"));

    std::unique_ptr<CallStore> openStore() {
        Result error;
        auto store = CallStore::open(path, &error);
        EXPECT_TRUE(store) << error.message.toStdString();
        return store;
    }

    // Rows written by an installation older than the Source column.
    static void fillBaseForm(CallStore& store) {
        SQLite::Database& db = store.database();
        db.exec("INSERT INTO Calls (CallNumber, CallDNT, GoodCall, Complete, NumberOfOrders) "
                "VALUES (12, '2009-12-31 10:00:00', 1, 1, 1), (13, '2010-01-01 10:00:00', 0, 1, 0)");
        db.exec("INSERT INTO Orders (CallNumber, OrderSeqNumber, Salesperson, Customer, NumberOfItems) "
                "VALUES (12, 1, '000123', '004567  ', 1)");
        db.exec(
            "INSERT INTO OrderLineItems (CallNumber, OrderSeqNumber, ItemSeqNumber, ItemNumber, Quantity) "
            "VALUES (12, 1, 1, '0000000012345', 3)");
    }
};

TEST_F(CallStoreUpgradeTest, BaseFormIsUpgradedWithSourceFirstInEveryKey) {
    auto store = openStore();
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("Calls")), QStringList{QStringLiteral("CallNumber")})
        << "a new file starts in the base form";
    fillBaseForm(*store);
    store->dataConversions();

    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("Calls")),
              (QStringList{QStringLiteral("Source"), QStringLiteral("CallNumber")}));
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("Orders")),
              (QStringList{QStringLiteral("Source"), QStringLiteral("CallNumber"),
                           QStringLiteral("OrderSeqNumber")}));
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("OrderLineItems")),
              (QStringList{QStringLiteral("Source"), QStringLiteral("CallNumber"),
                           QStringLiteral("OrderSeqNumber"), QStringLiteral("ItemSeqNumber")}));

    const auto rows = store->allCalls();
    ASSERT_EQ(rows.size(), 2u);
    for (const CallRow& row : rows)
        EXPECT_EQ(row.source, 0);
    EXPECT_EQ(rows[0].callNumber, 12) << "rows keep their natural order through the rebuild";
    ASSERT_EQ(store->allOrders().size(), 1u);
    EXPECT_EQ(store->allOrders()[0].source, 0);
    EXPECT_FALSE(store->allOrders()[0].shipTo.has_value());
    ASSERT_EQ(store->allItems().size(), 1u);
    EXPECT_EQ(store->allItems()[0].source, 0);
}

TEST_F(CallStoreUpgradeTest, ASecondUpgradeChangesNoRow) {
    auto store = openStore();
    fillBaseForm(*store);
    store->dataConversions();
    CallRow scanned;
    scanned.source = 1;
    scanned.callNumber = 12;
    ASSERT_TRUE(store->insertCall(scanned).ok());
    store->dataConversions();
    EXPECT_EQ(store->allCalls().size(), 3u);
    EXPECT_TRUE(store->findCall(1, 12)) << "the Source fill runs only on the upgrade that adds the column";
    EXPECT_EQ(store->allItems().size(), 1u);
}

TEST_F(CallStoreUpgradeTest, OnlyTheMissingSourceStepsRun) {
    auto store = openStore();
    fillBaseForm(*store);
    ASSERT_TRUE(store->executeJetDdl(QStringLiteral("Alter Table Calls ADD COLUMN Source NUMBER")));
    store->database().exec("UPDATE Calls SET Source = 5");
    store->dataConversions();
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("Calls")), QStringList{QStringLiteral("CallNumber")})
        << "the Calls key is left alone when its Source column was already there";
    EXPECT_EQ(store->allCalls()[0].source, 5);
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("Orders")).first(), QStringLiteral("Source"));
    EXPECT_EQ(store->primaryKeyOf(QStringLiteral("OrderLineItems")).first(), QStringLiteral("Source"));
}

class UpgradedStoreTest : public ::testing::Test {
protected:
    test::ProgramFixture f;
    CallStore* store = f.store.get();
};

TEST_F(UpgradedStoreTest, CountersNumberOrdersAndItems) {
    CallRow call;
    call.callNumber = 3;
    ASSERT_TRUE(store->insertCall(call).ok());
    int orders = 0;
    ASSERT_TRUE(store->raiseNumberOfOrders(0, 3, &orders).ok());
    ASSERT_TRUE(store->raiseNumberOfOrders(0, 3, &orders).ok());
    EXPECT_EQ(orders, 2);
    EXPECT_EQ(store->raiseNumberOfOrders(1, 3, &orders).status, Result::Status::NotFound);
    EXPECT_EQ(store->findCall(0, 3)->numberOfOrders, 2);
}

TEST_F(UpgradedStoreTest, UnknownDdlFails) {
    EXPECT_FALSE(store->executeJetDdl(QStringLiteral("DROP TABLE Calls")));
    EXPECT_FALSE(store->executeJetDdl(QStringLiteral("Alter Table Calls ADD COLUMN Bad MEMOX")));
    EXPECT_FALSE(store->executeJetDdl(
        QStringLiteral("ALTER TABLE Calls add CONSTRAINT PrimaryKey PRIMARY KEY (Source)")))
        << "a table that has a key cannot get a second one";
    EXPECT_EQ(store->allCalls().size(), 0u);
}

} // namespace
