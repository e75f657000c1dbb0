#include "store/AuditLog.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// Five entries over two days, written in this order; the messages carry the characters LIKE treats
// as wildcards, a quote and a backslash.
class AuditEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        write(QDate(2026, 3, 9), QTime(23, 59, 59), AuditType::Info, u"Rename of databin.dat"_s);
        write(QDate(2026, 3, 10), QTime(0, 0, 0), AuditType::Error, u"Disk 100% full"_s);
        write(QDate(2026, 3, 10), QTime(8, 0, 0), AuditType::BadCall, u"Bad Call : #7 O'Hara"_s);
        write(QDate(2026, 3, 10), QTime(8, 0, 0), AuditType::Error, u"File_1 C:\\WBZ"_s);
        write(QDate(2026, 3, 10), QTime(9, 0, 0), AuditType::GoodCall, u"Good Call: #8"_s);
    }
    void write(const QDate& day, const QTime& time, AuditType type, const QString& msg) {
        f.clock.set(QDateTime(day, time));
        ASSERT_TRUE(f.audit->write(type, msg).ok());
    }

    test::ProgramFixture f;
};

QStringList messages(const std::vector<AuditRow>& rows) {
    QStringList texts;
    for (const AuditRow& row : rows)
        texts << row.msg;
    return texts;
}

struct FilterCase {
    const char* name;
    AuditFilter filter;
    QStringList expected; // newest first
};

class AuditEntriesFilter : public AuditEntriesTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(AuditEntriesFilter, GivesTheMatchingEntriesNewestFirst) {
    const FilterCase& c = GetParam();
    Result read;
    EXPECT_EQ(messages(f.store->audit().auditEntries(c.filter, &read)), c.expected);
    EXPECT_TRUE(read.ok()) << read.message.toStdString();
}

const QString kRename = u"Rename of databin.dat"_s;
const QString kDisk = u"Disk 100% full"_s;
const QString kBad = u"Bad Call : #7 O'Hara"_s;
const QString kFile = u"File_1 C:\\WBZ"_s;
const QString kGood = u"Good Call: #8"_s;
const QDate kDay(2026, 3, 10);

INSTANTIATE_TEST_SUITE_P(
    Filters, AuditEntriesFilter,
    ::testing::Values(FilterCase{"None", {}, {kGood, kFile, kBad, kDisk, kRename}},
                      FilterCase{"Type", {.type = u"E"_s}, {kFile, kDisk}},
                      FilterCase{"Day", {.from = kDay, .through = kDay}, {kGood, kFile, kBad, kDisk}},
                      FilterCase{"TextAnyCase", {.text = u"CALL"_s}, {kGood, kBad}},
                      FilterCase{"PercentIsPlain", {.text = u"%"_s}, {kDisk}},
                      FilterCase{"AllThree", {u"B"_s, kDay, kDay, u"hara"_s, true}, {kBad}},
                      FilterCase{"OldestFirst", {.type = u"E"_s, .newestFirst = false}, {kDisk, kFile}}),
    test::RowName());

TEST_F(AuditEntriesTest, CountsTheCallsTakenOnADay) {
    write(kDay, QTime(23, 0), AuditType::BadCall, u"Bad Call : #9"_s);
    write(kDay.addDays(1), QTime(0, 0), AuditType::GoodCall, u"Good Call: #10"_s);
    Result read;
    const DayCallCounts counts = f.store->audit().callCountsOfDay(kDay, &read);
    ASSERT_TRUE(read.ok()) << read.message.toStdString();
    EXPECT_EQ(counts.good, 1);
    EXPECT_EQ(counts.bad, 2);
    EXPECT_EQ(f.store->audit().callCountsOfDay(kDay.addDays(-1)).good +
                  f.store->audit().callCountsOfDay(kDay.addDays(-1)).bad,
              0);
}

} // namespace
