// The store's tables on PostgreSQL: made once, in real types, with the embedded store's columns and
// widths; a newer version and a role without CREATE are refused with a message that says what to do.
#include "PgTestDatabase.h"

#include "store/Store.h"
#include "store/pg/PgSchema.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace vrq {
namespace {

using pg::Connection;
using pg::Rows;

class PgSchema : public test::PgDatabaseTest {
protected:
    QStringList column(const QString& sql, const std::vector<pg::Param>& params = {}) {
        Rows rows;
        const Result r = m_conn.query(sql, params, &rows);
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        QStringList values;
        for (const auto& row : rows.values)
            values.append(row.at(0).value_or(QStringLiteral("NULL")));
        return values;
    }
};

TEST_F(PgSchema, EmptyDatabaseGetsTheEmbeddedStoresColumnsAndThisVersion) {
    const Result r = pg::ensureSchema(m_conn);
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    int version = -1;
    ASSERT_TRUE(pg::readSchemaVersion(m_conn, &version).ok());
    EXPECT_EQ(version, pg::kSchemaVersion);

    // Every column an upgraded embedded store has, in the same order, after the id and workstation.
    QTemporaryDir folder;
    std::unique_ptr<Store> embedded = openStoreFile(folder.filePath(QString::fromLatin1(kStoreFileName)));
    ASSERT_TRUE(embedded);
    embedded->schema().dataConversions();
    for (const char* table : {"Calls", "Orders", "OrderLineItems", "Audit"}) {
        QStringList expected = embedded->schema().columnsOf(QString::fromLatin1(table));
        QStringList pgColumns =
            column(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                  "WHERE table_name = lower($1) ORDER BY ordinal_position"),
                   {QString::fromLatin1(table)});
        ASSERT_GE(pgColumns.size(), 2) << table;
        EXPECT_EQ(pgColumns.mid(0, 2), (QStringList{QStringLiteral("id"), QStringLiteral("workstation")}));
        pgColumns = pgColumns.mid(2);
        // The claims of the calls by the workstations' exports are the shared store's own.
        pgColumns.removeAll(QStringLiteral("claimedby"));
        pgColumns.removeAll(QStringLiteral("claimepoch"));
        std::sort(pgColumns.begin(), pgColumns.end());
        for (QString& name : expected)
            name = name.toLower();
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(pgColumns, expected) << table;
    }
}

struct TextWidthRow {
    const char* table;
    const char* column;
    int width;
};

class PgSchemaTextWidths : public PgSchema, public ::testing::WithParamInterface<TextWidthRow> {};

// The widths the embedded store checks on every text column.
TEST_P(PgSchemaTextWidths, MatchTheEmbeddedStore) {
    ASSERT_TRUE(pg::ensureSchema(m_conn).ok());
    const QStringList width =
        column(QStringLiteral("SELECT character_maximum_length FROM information_schema.columns "
                              "WHERE table_name = lower($1) AND column_name = lower($2)"),
               {QString::fromLatin1(GetParam().table), QString::fromLatin1(GetParam().column)});
    EXPECT_EQ(width, QStringList{QString::number(GetParam().width)});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PgSchemaTextWidths,
    ::testing::Values(TextWidthRow{"Calls", "ExtractedFileName", 64}, TextWidthRow{"Calls", "Salesperson", 6},
                      TextWidthRow{"Calls", "Customer", 8}, TextWidthRow{"Orders", "Salesperson", 6},
                      TextWidthRow{"Orders", "Customer", 8}, TextWidthRow{"Orders", "Route", 6},
                      TextWidthRow{"Orders", "Message", 255}, TextWidthRow{"Orders", "ShipTo", 2},
                      TextWidthRow{"OrderLineItems", "ItemNumber", 13}, TextWidthRow{"Audit", "Type", 1},
                      TextWidthRow{"Audit", "Msg", 150}, TextWidthRow{"Audit", "Instance", 1}),
    [](const auto& info) { return std::string(info.param.table) + "_" + info.param.column; });

TEST_F(PgSchema, SecondStartKeepsRowsAndOneVersion) {
    ASSERT_TRUE(pg::ensureSchema(m_conn).ok());
    ASSERT_TRUE(m_conn.query(QStringLiteral("INSERT INTO Calls (CallNumber) VALUES (12)"), {}).ok());
    const Result again = pg::ensureSchema(m_conn);
    ASSERT_TRUE(again.ok()) << again.message.toStdString();
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM SchemaVersion")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(column(QStringLiteral("SELECT CallNumber FROM Calls")), QStringList{QStringLiteral("12")});
}

// A database the first version made gets what the later ones add, in place, once.
TEST_F(PgSchema, AnOlderVersionIsUpgradedKeepingItsRows) {
    ASSERT_TRUE(pg::ensureSchema(m_conn).ok());
    ASSERT_TRUE(m_conn.query(QStringLiteral("INSERT INTO Calls (CallNumber) VALUES (12)"), {}).ok());
    // What the later versions added, taken away again.
    for (const char* undo :
         {"DROP TABLE SiteJobs", "DROP TABLE Workstations", "DROP TABLE OrderFileCounters",
          "DROP TABLE OrderFileLedger", "DROP SEQUENCE ClaimEpochs", "DROP TABLE SiteMarker",
          "ALTER TABLE Calls DROP COLUMN ClaimedBy, DROP COLUMN ClaimEpoch",
          "UPDATE SchemaVersion SET Version = 1"})
        ASSERT_TRUE(m_conn.exec(QString::fromLatin1(undo)).ok()) << undo;

    const Result upgraded = pg::ensureSchema(m_conn);
    ASSERT_TRUE(upgraded.ok()) << upgraded.message.toStdString();
    EXPECT_EQ(column(QStringLiteral("SELECT Version FROM SchemaVersion")),
              QStringList{QString::number(pg::kSchemaVersion)});
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM SiteJobs")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM OrderFileLedger")),
              QStringList{QStringLiteral("0")});
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM SiteMarker")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(column(QStringLiteral("SELECT CallNumber, ClaimedBy IS NULL FROM Calls")),
              QStringList{QStringLiteral("12")});
}

TEST_F(PgSchema, KeyIsWorkstationSourceAndCallNumber) {
    ASSERT_TRUE(pg::ensureSchema(m_conn).ok());
    const QString insert =
        QStringLiteral("INSERT INTO Calls (Workstation, Source, CallNumber) VALUES ($1, 1, 12)");
    ASSERT_TRUE(m_conn.query(insert, {QStringLiteral("1")}).ok());
    EXPECT_EQ(pg::failureOf(m_conn.query(insert, {QStringLiteral("1")})), pg::Failure::Duplicate);
    EXPECT_TRUE(m_conn.query(insert, {QStringLiteral("2")}).ok()) << "another workstation's call 12";
    EXPECT_EQ(pg::failureOf(m_conn.query(insert, {QStringLiteral("100")})), pg::Failure::Other)
        << "workstations are 1-99";
}

TEST_F(PgSchema, NewerVersionIsRefused) {
    ASSERT_TRUE(pg::ensureSchema(m_conn).ok());
    ASSERT_TRUE(m_conn
                    .query(QStringLiteral("UPDATE SchemaVersion SET Version = $1"),
                           {QString::number(pg::kSchemaVersion + 1)})
                    .ok());
    const Result r = pg::ensureSchema(m_conn);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.message.contains(QStringLiteral("newer version"))) << r.message.toStdString();
}

TEST_F(PgSchema, RoleWithoutCreateIsToldTheGrant) {
    const QString role = QStringLiteral("vrq_nocreate_%1").arg(m_db->name());
    ASSERT_TRUE(m_conn.exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(role)).ok());
    ASSERT_TRUE(m_conn.exec(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC")).ok());
    ASSERT_TRUE(m_conn.exec(QStringLiteral("SET ROLE %1").arg(role)).ok());
    const Result r = pg::ensureSchema(m_conn);
    m_conn.exec(QStringLiteral("RESET ROLE"));
    EXPECT_EQ(pg::failureOf(r), pg::Failure::NoPrivilege) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains(QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(role)))
        << r.message.toStdString();
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = "
                                    "'public'")),
              QStringList{QStringLiteral("0")})
        << "nothing of a refused creation is left";
    m_conn.exec(QStringLiteral("DROP ROLE IF EXISTS %1").arg(role));
}

TEST_F(PgSchema, TwoWorkstationsStartingAtOnceMakeTheTablesOnce) {
    Connection other;
    ASSERT_TRUE(other.open(m_db->conninfo()).ok());
    Result first, second;
    std::thread a([&] { first = pg::ensureSchema(m_conn); });
    std::thread b([&] { second = pg::ensureSchema(other); });
    a.join();
    b.join();
    EXPECT_TRUE(first.ok()) << first.message.toStdString();
    EXPECT_TRUE(second.ok()) << second.message.toStdString();
    EXPECT_EQ(column(QStringLiteral("SELECT count(*) FROM SchemaVersion")), QStringList{QStringLiteral("1")});
}

} // namespace
} // namespace vrq
