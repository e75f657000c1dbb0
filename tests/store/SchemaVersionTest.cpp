// SQLite only: the schema version and the upgrade it skips are the SQLite file's (user_version).
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "support/TestNames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrq;
using vrq::test::succeeded;

namespace {

std::unique_ptr<Store> openStore(const QString& path) {
    Result error;
    auto store = openStoreFile(path, StoreAccess::ReadWrite, &error);
    EXPECT_TRUE(store) << error.message.toStdString();
    return store;
}

struct VersionCase {
    const char* name;
    // What is done to the new (base-form) store before its first upgrade.
    void (*prepare)(Store& store);
    int versionAfterUpgrade;
};

const VersionCase kVersionCases[] = {
    {"NewStore", [](Store&) {}, StoreSchema::kFinalSchemaVersion},
    {"BaseFormWithRows",
     [](Store& store) {
         StoreProbe probe(store);
         ASSERT_TRUE(succeeded(
             probe.exec(QStringLiteral("INSERT INTO Calls (CallNumber, Complete) VALUES (12, 1)"))));
         ASSERT_TRUE(succeeded(
             probe.exec(QStringLiteral("INSERT INTO Orders (CallNumber, OrderSeqNumber) VALUES (12, 1)"))));
     },
     StoreSchema::kFinalSchemaVersion},
    // Source added by hand before the upgrade: the upgrade leaves the Calls key without it.
    {"SourceAddedWithoutItsKey",
     [](Store& store) {
         ASSERT_TRUE(
             store.schema().executeJetDdl(QStringLiteral("Alter Table Calls ADD COLUMN Source NUMBER")));
     },
     0},
    {"AnIndexThatCannotBeMade",
     [](Store& store) {
         // Its name taken by a table of someone else's.
         StoreProbe probe(store);
         ASSERT_TRUE(succeeded(probe.exec(QStringLiteral("DROP INDEX CallsPending"))));
         ASSERT_TRUE(succeeded(probe.exec(QStringLiteral("CREATE TABLE CallsPending (x)"))));
     },
     0},
    {"AColumnOfItsOwn",
     [](Store& store) {
         ASSERT_TRUE(
             store.schema().executeJetDdl(QStringLiteral("Alter Table Orders ADD COLUMN Note TEXT(10)")));
     },
     0},
};

class SchemaVersionTest : public ::testing::TestWithParam<VersionCase> {};

// Only a store whose every table, column, key and index is what the upgrade makes is marked final; any
// other keeps version 0, so that the next start runs the upgrade again.
TEST_P(SchemaVersionTest, TheUpgradeMarksOnlyAStoreInItsFinalForm) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("CallsAndOrders.db"));
    auto store = openStore(path);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->schema().schemaVersion(), 0);
    ASSERT_NO_FATAL_FAILURE(GetParam().prepare(*store));
    store->schema().dataConversions();
    EXPECT_EQ(store->schema().schemaVersion(), GetParam().versionAfterUpgrade);

    store.reset();
    EXPECT_EQ(openStore(path)->schema().schemaVersion(), GetParam().versionAfterUpgrade)
        << "kept in the file";
}

INSTANTIATE_TEST_SUITE_P(Table, SchemaVersionTest, ::testing::ValuesIn(kVersionCases), test::RowName());

// On a store marked final the upgrade runs none of its statements and reports each as failed, as each
// would fail there.
TEST(SchemaVersionRunTest, AStoreInItsFinalFormRunsNoUpgradeStatement) {
    QTemporaryDir dir;
    auto store = openStore(dir.filePath(QStringLiteral("CallsAndOrders.db")));
    ASSERT_TRUE(store);
    const std::vector<bool> first = store->schema().dataConversions();
    ASSERT_EQ(store->schema().schemaVersion(), StoreSchema::kFinalSchemaVersion);

    // A column the upgrade adds, taken away behind its back: only a run of the statements brings it back.
    ASSERT_TRUE(succeeded(StoreProbe(*store).exec(QStringLiteral("ALTER TABLE Orders DROP COLUMN ShipTo"))));
    const std::vector<bool> again = store->schema().dataConversions();
    EXPECT_FALSE(store->schema().columnsOf(QStringLiteral("Orders")).contains(QStringLiteral("ShipTo")));
    EXPECT_EQ(again, std::vector<bool>(14, false));
    EXPECT_GT(first.size(), again.size()) << "the first upgrade ran the key rebuilds too";
}

} // namespace
