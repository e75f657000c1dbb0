#include "report/AuditReport.h"
#include "report/ReportCommandLine.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// The report's settings file and program folder, as the environment names them, for one test.
class ReportEnvironment {
public:
    ReportEnvironment(const QString& home, const QString& settingsFile) {
        qputenv("VRQTOQX7_HOME", home.toUtf8());
        qputenv("VRQTOQX7_SETTINGS", settingsFile.toUtf8());
    }
    ~ReportEnvironment() {
        qunsetenv("VRQTOQX7_HOME");
        qunsetenv("VRQTOQX7_SETTINGS");
    }
    ReportEnvironment(const ReportEnvironment&) = delete;
    ReportEnvironment& operator=(const ReportEnvironment&) = delete;
};

using ReportStoreTest = BackendTest;

// The report reads the store the settings name, on either engine: the entries written through the
// program's own store come back as the same lines.
TEST_P(ReportStoreTest, TheAuditReportReadsTheStoreTheSettingsName) {
    std::unique_ptr<ProgramFixture> fx = backends.fixture();
    ASSERT_TRUE(fx->audit->write(AuditType::Error, u"Disk 100% full"_s).ok());
    ASSERT_TRUE(fx->audit->write(AuditType::GoodCall, u"Good Call : #12"_s).ok());

    QFile settings(fx->path(u"report.ini"_s));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    if (postgres())
        settings.write("[Store]\nBackend=PostgreSQL\nConnection=" + fx->pgConnection.toUtf8() + "\n");
    settings.close();
    const ReportEnvironment environment(fx->programFolder(), settings.fileName());

    ReportCommand command;
    command.audit = true;
    command.auditType = u"E"_s;
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    EXPECT_EQ(runAuditReport(command, outStream, errStream), ReportExit::kOk) << err.toStdString();
    outStream.flush();
    EXPECT_EQ(out, u"2026-03-10 14:07:30  E  Disk 100% full\n"_s);
}

INSTANTIATE_TEST_SUITE_P(Engines, ReportStoreTest, bothBackends(), backendParamName);

} // namespace
} // namespace vrq::test
