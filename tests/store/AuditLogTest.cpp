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
    ASSERT_TRUE(log.write(AuditType::Info, QStringLiteral("one")).ok());
    ASSERT_TRUE(log.write(AuditType::Info, QStringLiteral("two")).ok());
    const auto rows = store->allAudit();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].seq, 345001);
    EXPECT_EQ(rows[1].seq, 345002) << "two writes in one millisecond sort in write order";
    EXPECT_EQ(rows[0].auditDnt, QDateTime(QDate(2026, 12, 5), QTime(10, 11, 12))) << "whole seconds";
}

TEST_F(AuditLogTest, CounterStartsAgainAfterNineHundred) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    for (int i = 0; i < 901; ++i)
        log.write(AuditType::Info, QString::number(i));
    const auto rows = store->allAudit();
    EXPECT_EQ(rows[899].seq.value() % 1000, 900);
    EXPECT_EQ(rows[900].seq.value() % 1000, 1);
}

struct MessageCase {
    AuditType type;
    QString msg;
    const char* storedType;
    QString storedMsg;
};

// Each kind keeps the letter the Audit.Type column has always held; messages lose their leading blanks
// and are cut to 150 characters.
TEST_F(AuditLogTest, TypeLetterAndTrimmedMessageAreStored) {
    const QString longText = QString(200, QLatin1Char('x'));
    const MessageCase cases[] = {
        {AuditType::Started, QStringLiteral("started"), "1", QStringLiteral("started")},
        {AuditType::Stopped, QStringLiteral("stopped"), "0", QStringLiteral("stopped")},
        {AuditType::Info, QStringLiteral("   leading blanks"), "I", QStringLiteral("leading blanks")},
        {AuditType::Warning, longText, "W", longText.left(150)},
        {AuditType::FileFault, QStringLiteral("file"), "F", QStringLiteral("file")},
        {AuditType::Error, QStringLiteral("error"), "E", QStringLiteral("error")},
        {AuditType::LockCleared, QStringLiteral("lock"), "C", QStringLiteral("lock")},
        {AuditType::GoodCall, QStringLiteral("good"), "G", QStringLiteral("good")},
        {AuditType::BadCall, QStringLiteral("bad"), "B", QStringLiteral("bad")},
        {AuditType::Properties, QStringLiteral("properties"), "P", QStringLiteral("properties")},
        {AuditType::ConnectionLost, QStringLiteral("lost"), "L", QStringLiteral("lost")},
        {AuditType::Extracted, QStringLiteral("call # 17"), "X", QStringLiteral("call # 17")},
        {AuditType::Validated, QStringLiteral("validated"), "V", QStringLiteral("validated")},
    };
    AuditLog log(*store, clock, QLatin1Char('B'));
    for (const MessageCase& c : cases)
        ASSERT_TRUE(log.write(c.type, c.msg).ok());
    const auto rows = store->allAudit();
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].type, QString::fromLatin1(cases[i].storedType)) << cases[i].storedType;
        EXPECT_EQ(rows[i].msg, cases[i].storedMsg);
        EXPECT_EQ(rows[i].instance, QStringLiteral("B"));
    }
}

TEST_F(AuditLogTest, TheCallersEventTimeIsKept) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    const QDateTime callTime(QDate(2026, 12, 4), QTime(23, 59, 0));
    log.writeAudit(callTime, AuditType::GoodCall, QStringLiteral("Good Call: #00017 Line:01 Bytes:0000123"));
    EXPECT_EQ(store->allAudit()[0].eventDnt, callTime);
}

TEST_F(AuditLogTest, ARefusedEntryReachesTheCallerAndTheErrorOutput) {
    AuditLog log(*store, clock, QLatin1Char('F'));
    store->database().exec("DROP TABLE Audit");
    ::testing::internal::CaptureStderr();
    const Result written = log.write(AuditType::Warning, QStringLiteral("Audit/File0007.Txt already exists"));
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(written.ok());
    EXPECT_NE(printed.find("W Audit/File0007.Txt already exists"), std::string::npos) << printed;
    EXPECT_NE(printed.find("no such table: Audit"), std::string::npos) << printed;
}

} // namespace
