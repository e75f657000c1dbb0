#include "ViewerTestSupport.h"

#include "ui/viewers/AuditLogTableModel.h"
#include "ui/viewers/AuditLogWindow.h"

#include <QComboBox>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// Entries over two days: the window's clock stands on the second.
class AuditLogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        write(QDateTime(QDate(2010, 3, 7), QTime(17, 0)), AuditType::Stopped, u"Program stopped"_s);
        write(QDateTime(QDate(2010, 3, 8), QTime(8, 0)), AuditType::Error, u"Disk 100% full"_s);
        write(QDateTime(QDate(2010, 3, 8), QTime(8, 30)), AuditType::BadCall, u"Bad Call : #7"_s);
        write(QDateTime(QDate(2010, 3, 8), QTime(8, 45)), AuditType::Error,
              u"Network connection established."_s);
        fx.clock.set(QDateTime(QDate(2010, 3, 8), QTime(9, 0)));
    }
    void write(const QDateTime& when, AuditType type, const QString& msg) {
        fx.clock.set(when);
        ASSERT_TRUE(fx.audit->write(type, msg).ok());
    }
};

TEST_F(AuditLogTest, WindowListsNewestFirstAndNarrowsByType) {
    AuditLogWindow& window = keep(std::make_unique<AuditLogWindow>(fx.ctx), false);
    EXPECT_EQ(
        column(window, "fgAudit", AuditLogTableModel::MessageColumn),
        strings({"Network connection established.", "Bad Call : #7", "Disk 100% full", "Program stopped"}));

    auto* type = window.findChild<QComboBox*>(u"cboType"_s);
    type->setCurrentIndex(type->findData(u"0"_s));
    EXPECT_EQ(column(window, "fgAudit", AuditLogTableModel::MessageColumn), strings({"Program stopped"}));
}

// vrqtoqx7-report --audit, as a headless site runs it (without a store: ReportCommandFailure).
TEST_F(AuditLogTest, ReportPrintsTheEntriesOldestFirst) {
    const ReportRun run = runReport(fx.programFolder(), u"--audit --since 2010-03-08 --type E"_s);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("2010-03-08 08:00:00  E  Disk 100% full\n"
                                      "2010-03-08 08:45:00  E  Network connection established.\n"));
}

} // namespace
} // namespace vrq::test
