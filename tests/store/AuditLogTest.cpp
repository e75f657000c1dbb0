#include "store/AuditLog.h"
#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

class AuditLogTest : public test::BackendTest {};

TEST_P(AuditLogTest, SeqIsMillisecondsTimesAThousandPlusACounterThatStartsAgainAfterNineHundred) {
    const std::unique_ptr<test::ProgramFixture> fixture =
        backends.fixture(QDateTime(QDate(2026, 12, 5), QTime(10, 11, 12, 345)));
    test::ProgramFixture& f = *fixture;
    for (int i = 0; i < 901; ++i)
        ASSERT_TRUE(f.audit->write(AuditType::Info, QString::number(i)).ok());
    const auto rows = f.store->audit().allAudit();
    EXPECT_EQ(rows[0].seq, 345001);
    EXPECT_EQ(rows[1].seq, 345002) << "two writes in one millisecond sort in write order";
    EXPECT_EQ(rows[899].seq, 345900);
    EXPECT_EQ(rows[900].seq, 345001);
    EXPECT_EQ(rows[0].auditDnt, QDateTime(QDate(2026, 12, 5), QTime(10, 11, 12))) << "whole seconds";
}

// Each kind keeps the letter the Audit.Type column has always held; messages lose their leading blanks
// and are cut to 150 characters.
TEST_P(AuditLogTest, TypeLettersAndTrimmedMessagesAreStored) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    f.setRunMode(u'B');
    const QString longText(200, u'x');
    ASSERT_TRUE(f.audit->write(AuditType::Info, u"   leading blanks"_s).ok());
    ASSERT_TRUE(f.audit->write(AuditType::Warning, longText).ok());
    for (AuditType type :
         {AuditType::Started, AuditType::Stopped, AuditType::FileFault, AuditType::Error,
          AuditType::LockCleared, AuditType::GoodCall, AuditType::BadCall, AuditType::Properties,
          AuditType::ConnectionLost, AuditType::Extracted, AuditType::Validated})
        ASSERT_TRUE(f.audit->write(type, u"m"_s).ok());
    QStringList expected{u"I|leading blanks"_s, u"W|"_s + longText.left(150)};
    for (QChar letter : u"10FECGBPLXV"_s)
        expected << QString(letter) + u"|m"_s;
    EXPECT_EQ(f.auditTexts(), expected);
    for (const AuditRow& row : f.store->audit().allAudit())
        EXPECT_EQ(row.instance, u"B"_s);
}

TEST_P(AuditLogTest, ARefusedEntryReachesTheCallerAndTheErrorOutput) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    ASSERT_TRUE(test::succeeded(StoreProbe(*f.store).exec(u"DROP TABLE Audit"_s)));
    ::testing::internal::CaptureStderr();
    const Result written = f.audit->write(AuditType::Warning, u"Audit/File0007.Txt already exists"_s);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(written.ok());
    EXPECT_NE(printed.find("W Audit/File0007.Txt already exists"), std::string::npos) << printed;
    EXPECT_NE(printed.find(postgres() ? "relation \"audit\" does not exist" : "no such table: Audit"),
              std::string::npos)
        << printed;
}

INSTANTIATE_TEST_SUITE_P(Backends, AuditLogTest, test::bothBackends(), test::backendParamName);

} // namespace
