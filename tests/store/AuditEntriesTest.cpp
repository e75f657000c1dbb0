#include "store/AuditLog.h"
#include "support/ProgramFixture.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// Five entries over two days, written in this order; the messages carry the characters LIKE treats
// as wildcards, a quote and a backslash.
struct FiveEntries {
    explicit FiveEntries(test::BackendStores& backends) : fixture(backends.fixture()) {
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

    std::unique_ptr<test::ProgramFixture> fixture;
    test::ProgramFixture& f = *fixture;
};

class AuditEntriesTest : public test::BackendTest {};

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

class AuditEntriesFilter : public test::BackendCaseTest<FilterCase> {};

TEST_P(AuditEntriesFilter, GivesTheMatchingEntriesNewestFirst) {
    const FilterCase& c = row();
    FiveEntries entries(backends);
    test::ProgramFixture& f = entries.f;
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

const FilterCase kFilters[] = {
    {"None", {}, {kGood, kFile, kBad, kDisk, kRename}},
    {"Type", {.type = u"E"_s}, {kFile, kDisk}},
    {"Day", {.from = kDay, .through = kDay}, {kGood, kFile, kBad, kDisk}},
    {"TextAnyCase", {.text = u"CALL"_s}, {kGood, kBad}},
    {"PercentIsPlain", {.text = u"%"_s}, {kDisk}},
    {"UnderscoreIsPlain", {.text = u"_1"_s}, {kFile}},
    {"BackslashIsPlain", {.text = u":\\W"_s}, {kFile}},
    {"AllThree", {u"B"_s, kDay, kDay, u"hara"_s, true}, {kBad}},
    {"OldestFirst", {.type = u"E"_s, .newestFirst = false}, {kDisk, kFile}},
};

INSTANTIATE_TEST_SUITE_P(Filters, AuditEntriesFilter, test::onBothBackends(kFilters), test::BackendRowName());

// Letter case does not count for ASCII letters only, as the SQLite store's LIKE has it.
TEST_P(AuditEntriesTest, OnlyAsciiLettersAreFoundInAnyCase) {
    FiveEntries entries(backends);
    test::ProgramFixture& f = entries.f;
    ASSERT_TRUE(f.audit->write(AuditType::Info, u"Caf\u00e9 open"_s).ok());
    EXPECT_EQ(messages(f.store->audit().auditEntries({.text = u"CAF\u00e9"_s})),
              QStringList{u"Caf\u00e9 open"_s});
    EXPECT_TRUE(f.store->audit().auditEntries({.text = u"CAF\u00c9"_s}).empty());
}

TEST_P(AuditEntriesTest, CountsTheCallsTakenOnADay) {
    FiveEntries entries(backends);
    test::ProgramFixture& f = entries.f;
    auto write = [&](const QDate& day, const QTime& time, AuditType type, const QString& msg) {
        entries.write(day, time, type, msg);
    };
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

INSTANTIATE_TEST_SUITE_P(Backends, AuditEntriesTest, test::bothBackends(), test::backendParamName);

} // namespace
