// The spool of "E" entries kept while the store's server is away: what it keeps reads back as it was
// written, what someone else wrote into the file is passed over, and its entries reach the audit table
// in one unit of work.
#include "store/AuditSpool.h"
#include "platform/FileSystem.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

const QDateTime kAt{QDate(2026, 12, 8), QTime(9, 15, 2)};

AuditRow entry(const QString& msg, std::optional<qint64> seq = 17000,
               std::optional<QString> instance = u"F"_s) {
    AuditRow row;
    row.auditDnt = kAt;
    row.eventDnt = kAt.addSecs(-3);
    row.type = u"E"_s;
    row.msg = msg;
    row.seq = seq;
    row.instance = instance;
    return row;
}

void expectSameRow(const AuditRow& read, const AuditRow& written) {
    EXPECT_EQ(read.auditDnt, written.auditDnt);
    EXPECT_EQ(read.eventDnt, written.eventDnt);
    EXPECT_EQ(read.type, written.type);
    EXPECT_EQ(read.msg, written.msg);
    EXPECT_EQ(read.seq, written.seq);
    EXPECT_EQ(read.instance, written.instance);
}

class AuditSpoolTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(u"AuditSpool.txt"_s); }
    AuditSpool spool() const { return AuditSpool(realFileSystem(), path()); }
    QTemporaryDir dir;
};

struct OddRow {
    const char* name;
    AuditRow row;
};

// Every character the line format uses for itself, and the fields that may be missing.
const OddRow kOddRows[] = {
    {"Plain", entry(u"ExtractCalls: Err = 3 - connection lost"_s)},
    {"TabsAndLineBreaks", entry(u"a\tb\nc\r\nd"_s)},
    {"Backslashes", entry(u"I:\\QX7Com\\ and \\t \\n as written"_s)},
    {"NonAscii", entry(u"Kunde Müller – Straße ½"_s)},
    {"EmptyMessage", entry(QString())},
    {"NoSeqNoInstance", entry(u"old row"_s, std::nullopt, std::nullopt)},
    {"NoEventTime",
     [] {
         AuditRow row = entry(u"no event time"_s);
         row.eventDnt = QDateTime();
         return row;
     }()},
};

class AuditSpoolRowTest : public AuditSpoolTest, public ::testing::WithParamInterface<OddRow> {};

TEST_P(AuditSpoolRowTest, AKeptEntryReadsBackAsItWasWritten) {
    ASSERT_TRUE(spool().keep(GetParam().row).ok());
    ASSERT_TRUE(spool().keep(entry(u"next"_s)).ok());
    const std::vector<AuditRow> read = spool().entries();
    ASSERT_EQ(read.size(), 2u);
    expectSameRow(read[0], GetParam().row);
    EXPECT_EQ(read[1].msg, u"next"_s);
}

INSTANTIATE_TEST_SUITE_P(Rows, AuditSpoolRowTest, ::testing::ValuesIn(kOddRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AuditSpoolTest, LinesItDidNotWriteArePassedOverAndCounted) {
    ASSERT_TRUE(spool().keep(entry(u"first"_s)).ok());
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("not an entry\n"
               "2026-12-08 09:15:02\t\tE\t1\tF\tan escape \\x it never writes\n"
               "2026-13-45 09:15:02\t\tE\t1\tF\ta date that is none\n"
               "2026-12-08 09:15:02\t\tEE\t1\tF\ta type of two letters\n"
               "2026-12-08 09:15:02\t\tE\tseven\tF\ta Seq that is no number\n");
    file.close();
    ASSERT_TRUE(spool().keep(entry(u"last"_s)).ok());
    int unreadable = 0;
    const std::vector<AuditRow> read = spool().entries(&unreadable);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].msg, u"first"_s);
    EXPECT_EQ(read[1].msg, u"last"_s);
    EXPECT_EQ(unreadable, 5);
}

TEST_F(AuditSpoolTest, AFullSpoolRefusesFurtherEntries) {
    for (int i = 0; i < AuditSpool::kMostEntries; ++i)
        ASSERT_TRUE(spool().keep(entry(QString::number(i))).ok()) << i;
    const Result refused = spool().keep(entry(u"one too many"_s));
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.contains(path())) << refused.message.toStdString();
    EXPECT_EQ(spool().entries().size(), std::size_t(AuditSpool::kMostEntries));
}

using AuditSpoolStoreTest = test::BackendTest;

TEST_P(AuditSpoolStoreTest, KeptEntriesReachTheAuditTableWithTheirOwnTimesAndTheSpoolEmpties) {
    QTemporaryDir dir;
    AuditSpool spool(realFileSystem(), dir.filePath(u"AuditSpool.txt"_s));
    const std::unique_ptr<Store> store = backends.store();
    ASSERT_TRUE(store);
    ASSERT_TRUE(spool.keep(entry(u"first"_s, 1)).ok());
    ASSERT_TRUE(spool.keep(entry(u"tab\there"_s, 2)).ok());

    int written = 0;
    const Result result = spool.writeInto(store->audit(), store->units(), &written);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_EQ(written, 2);
    EXPECT_TRUE(spool.empty());
    const std::vector<AuditRow> rows = store->audit().allAudit();
    ASSERT_EQ(rows.size(), 2u);
    expectSameRow(rows[0], entry(u"first"_s, 1));
    expectSameRow(rows[1], entry(u"tab\there"_s, 2));
}

TEST_P(AuditSpoolStoreTest, AStoreThatRefusesTheEntriesLeavesTheSpoolAsItWas) {
    QTemporaryDir dir;
    AuditSpool spool(realFileSystem(), dir.filePath(u"AuditSpool.txt"_s));
    const std::unique_ptr<Store> store = backends.store();
    ASSERT_TRUE(store);
    ASSERT_TRUE(spool.keep(entry(u"kept"_s)).ok());
    store->units().refuseWrites(u"refused for the test"_s);

    EXPECT_FALSE(spool.writeInto(store->audit(), store->units()).ok());
    ASSERT_EQ(spool.entries().size(), 1u);
    EXPECT_TRUE(store->audit().allAudit().empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, AuditSpoolStoreTest, test::bothBackends(), test::backendParamName);

} // namespace
} // namespace vrq

namespace vrq {
namespace {

// An audit table whose server answers or not, as the test says.
class ScriptedAuditRecords : public AuditRecords {
public:
    Result insertAudit(const AuditRow& row) override {
        if (away)
            return Result::unreachable(4, u"connection lost"_s);
        stored.push_back(row.msg);
        return Result::success();
    }
    Result forEachExportableAudit(const std::function<void(const AuditRow&)>&) override { return {}; }
    Result deleteAuditUpTo(const QDateTime&) override { return {}; }
    std::vector<AuditRow> allAudit() override { return {}; }
    std::vector<AuditRow> auditEntries(const AuditFilter&, Result*) override { return {}; }
    DayCallCounts callCountsOfDay(const QDate&, Result*) override { return {}; }

    bool away = false;
    QStringList stored;
};

// One outage keeps what met it and its own entry, not every entry of the step that failed after it.
TEST(AuditLogSpoolTest, AnOutageKeepsItsFirstErrorAndItsOwnEntryOnly) {
    QTemporaryDir dir;
    AuditSpool spool(realFileSystem(), dir.filePath(u"AuditSpool.txt"_s));
    ScriptedAuditRecords records;
    const ManualClock clock{kAt};
    AuditLog log(records, clock, u'F');
    log.keepUnreachableErrorsIn(&spool);

    records.away = true;
    log.write(AuditType::Warning, u"a warning is done again with its work"_s);
    log.write(AuditType::Error, u"SaveRecord error: connection lost"_s);
    log.write(AuditType::Error, u"SaveRecord error: no connection"_s);
    log.writeKeptWhileAway(u"No call is taken in or sent: the server cannot be reached"_s);
    records.away = false;
    log.write(AuditType::Info, u"back"_s);
    records.away = true;
    log.write(AuditType::Error, u"the next outage"_s);

    QStringList kept;
    for (const AuditRow& row : spool.entries())
        kept.append(row.msg);
    EXPECT_EQ(kept, QStringList({u"SaveRecord error: connection lost"_s,
                                 u"No call is taken in or sent: the server cannot be reached"_s,
                                 u"the next outage"_s}));
}

} // namespace
} // namespace vrq
