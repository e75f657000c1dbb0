#include "store/AuditLog.h"
#include "support/ProgramFixture.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

class AuditLogTest : public ::testing::Test {
protected:
    test::ProgramFixture f{QDateTime(QDate(2026, 12, 5), QTime(10, 11, 12, 345))};
    CallStore* store = f.store.get();
    ManualClock& clock = f.clock;
};

TEST_F(AuditLogTest, SeqIsMillisecondsTimesAThousandPlusTheCounter) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    ASSERT_TRUE(log.write(QStringLiteral("I"), QStringLiteral("one")).ok());
    ASSERT_TRUE(log.write(QStringLiteral("I"), QStringLiteral("two")).ok());
    const auto rows = store->allAudit();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].seq, 345001);
    EXPECT_EQ(rows[1].seq, 345002) << "two writes in one millisecond sort in write order";
    EXPECT_EQ(rows[0].auditDnt, QDateTime(QDate(2026, 12, 5), QTime(10, 11, 12))) << "whole seconds";
}

TEST_F(AuditLogTest, CounterStartsAgainAfterNineHundred) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    for (int i = 0; i < 901; ++i)
        log.write(QStringLiteral("I"), QString::number(i));
    const auto rows = store->allAudit();
    EXPECT_EQ(rows[899].seq.value() % 1000, 900);
    EXPECT_EQ(rows[900].seq.value() % 1000, 1);
}

struct MessageCase {
    const char* type;
    QString msg;
    const char* storedType;
    QString storedMsg;
};

TEST_F(AuditLogTest, TypeAndMessageAreTrimmedAndCut) {
    const QString longText = QString(200, QLatin1Char('x'));
    const MessageCase cases[] = {
        {"Extracted", QStringLiteral("call # 17"), "E", QStringLiteral("call # 17")},
        {"I", QStringLiteral("   leading blanks"), "I", QStringLiteral("leading blanks")},
        {"W", longText, "W", longText.left(150)},
        {"", QStringLiteral("no type"), "", QStringLiteral("no type")},
    };
    AuditLog log(*store, clock, QLatin1Char('B'));
    for (const MessageCase& c : cases)
        ASSERT_TRUE(log.write(QString::fromLatin1(c.type), c.msg).ok());
    const auto rows = store->allAudit();
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].type, QString::fromLatin1(cases[i].storedType));
        EXPECT_EQ(rows[i].msg, cases[i].storedMsg);
        EXPECT_EQ(rows[i].instance, QStringLiteral("B"));
    }
}

TEST_F(AuditLogTest, TheCallersEventTimeIsKept) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    const QDateTime callTime(QDate(2026, 12, 4), QTime(23, 59, 0));
    log.writeAudit(callTime, QStringLiteral("G"), QStringLiteral("Good Call: #00017 Line:01 Bytes:0000123"));
    EXPECT_EQ(store->allAudit()[0].eventDnt, callTime);
}

TEST_F(AuditLogTest, AFailedWriteReachesTheCaller) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    store->database().exec("DROP TABLE Audit");
    EXPECT_FALSE(log.write(QStringLiteral("I"), QStringLiteral("lost")).ok());
}

} // namespace
