#include "report/AuditReport.h"
#include "report/ReportCommandLine.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"
#include "ui/viewers/ListOfCallsReport.h"

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

// Two workstations' entries and calls in one PostgreSQL store, read by the reports of workstation 1's
// settings with --workstation as each row says.
struct WorkstationReportCase {
    const char* name;
    const char* arguments; // the --workstation part, split on blanks; empty: none
    const char* auditOut;
    std::vector<const char*> callLines; // the list of calls' body, each call line and its order line
};

const WorkstationReportCase kWorkstationReports[] = {
    {"TheSettingsWorkstation",
     "",
     "2026-03-10 14:07:30  I  desk one\n",
     {"Call # 10 - Good - made on 03/10/2026 at 09:15 AM",
      "    Order for Customer 100 by Salesperson Ann.  Number of Items = 2"}},
    {"AnotherWorkstation",
     "--workstation 2",
     "2026-03-10 14:07:30  I  desk two\n",
     {"Call # 10 - Good - made on 03/10/2026 at 09:16 AM",
      "    Order for Customer 200 by Salesperson Bob.  Number of Items = 2"}},
    {"EveryWorkstation",
     "--workstation all",
     "2026-03-10 14:07:30  I   1  desk one\n2026-03-10 14:07:30  I   2  desk two\n",
     {"Call # 10 - Good - made on 03/10/2026 at 09:15 AM - Workstation 1",
      "    Order for Customer 100 by Salesperson Ann.  Number of Items = 2",
      "Call # 10 - Good - made on 03/10/2026 at 09:16 AM - Workstation 2",
      "    Order for Customer 200 by Salesperson Bob.  Number of Items = 2"}},
};

class WorkstationReportTest : public ::testing::TestWithParam<WorkstationReportCase> {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        m_fx = m_backends.fixture();
        StoreLocation location;
        location.backend = StoreBackend::PostgreSQL;
        location.connection = m_fx->pgConnection;
        location.workstation = 2;
        Result opened;
        m_desk2 = openStore(location, StoreAccess::ReadWrite, &opened);
        ASSERT_TRUE(m_desk2) << opened.message.toStdString();
        ASSERT_NO_FATAL_FAILURE(addCall(*m_fx->store, QTime(9, 15), u"Ann"_s, u"100"_s, u"desk one"_s));
        ASSERT_NO_FATAL_FAILURE(addCall(*m_desk2, QTime(9, 16), u"Bob"_s, u"200"_s, u"desk two"_s));

        QFile settings(m_fx->path(u"report.ini"_s));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Store]\nBackend=PostgreSQL\nConnection=" + m_fx->pgConnection.toUtf8() +
                       "\nWorkstation=1\n");
        settings.close();
        m_environment = std::make_unique<ReportEnvironment>(m_fx->programFolder(), settings.fileName());
    }
    // Call 10 of the store's workstation with one order, and an "I" entry.
    static void addCall(Store& store, QTime time, const QString& salesperson, const QString& customer,
                        const QString& entry) {
        CallRow call;
        call.callNumber = 10;
        call.callDnt = QDateTime(QDate(2026, 3, 10), time);
        call.goodCall = true;
        call.complete = true;
        call.numberOfOrders = 1;
        ASSERT_TRUE(succeeded(store.calls().insertCall(call)));
        ASSERT_TRUE(succeeded(store.calls().insertOrder(
            OrderRow{0, 10, 1, salesperson, customer, u"01"_s, u"R7"_s, u"MSG"_s, 2, {}})));
        const QDateTime written(QDate(2026, 3, 10), QTime(14, 7, 30));
        AuditRow row;
        row.auditDnt = written;
        row.eventDnt = written;
        row.type = u"I"_s;
        row.msg = entry;
        ASSERT_TRUE(succeeded(store.audit().insertAudit(row)));
    }
    ReportCommand commandOf(const char* base) const {
        const QString workstation = QString::fromLatin1(GetParam().arguments);
        QStringList arguments = QString::fromLatin1(base).split(u' ');
        if (!workstation.isEmpty())
            arguments += workstation.split(u' ');
        const ReportCommandParse parse = parseReportCommand(arguments);
        EXPECT_TRUE(parse.ok()) << parse.error.toStdString();
        return parse.command;
    }

    BackendStores m_backends{StoreBackend::PostgreSQL};
    std::unique_ptr<ProgramFixture> m_fx;
    std::unique_ptr<Store> m_desk2;
    std::unique_ptr<ReportEnvironment> m_environment;
};

TEST_P(WorkstationReportTest, TheAuditReportListsTheWorkstationsAskedFor) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    EXPECT_EQ(runAuditReport(commandOf("--audit"), outStream, errStream), ReportExit::kOk)
        << err.toStdString();
    outStream.flush();
    EXPECT_EQ(out, QString::fromLatin1(GetParam().auditOut));
}

TEST_P(WorkstationReportTest, TheListOfCallsListsTheWorkstationsAskedFor) {
    const ReportCommand command = commandOf("--from 2026-03-10 --to 2026-03-10");
    QString err;
    QTextStream errStream(&err);
    std::unique_ptr<Store> store = openReportStore(command, errStream);
    ASSERT_TRUE(store) << err.toStdString();
    Result read;
    const PrintDocument document = listOfCallsDocument(
        *store, {command.from, command.to, true, false, QDateTime(), reportScope(command, *store)}, &read);
    ASSERT_TRUE(succeeded(read));
    ASSERT_EQ(document.pages().size(), 1U);
    QStringList body;
    for (const PrintLine& line : document.pages().front().lines)
        body << line.text;
    body = body.mid(7);
    while (!body.isEmpty() && (body.last().isEmpty() || body.last().contains(u"Page"_s)))
        body.removeLast();
    body.removeAll(QString());
    QStringList expected;
    for (const char* line : GetParam().callLines)
        expected << QString::fromLatin1(line);
    EXPECT_EQ(body, expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, WorkstationReportTest, ::testing::ValuesIn(kWorkstationReports),
                         [](const ::testing::TestParamInfo<WorkstationReportCase>& info) {
                             return std::string(info.param.name);
                         });

// A store in a file is workstation 1 alone: asking it for another is a usage error, before it is opened.
TEST(FileStoreReport, RefusesAnotherWorkstation) {
    ProgramFixture fx;
    QFile settings(fx.path(u"report.ini"_s));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.close();
    const ReportEnvironment environment(fx.programFolder(), settings.fileName());
    ReportCommand command;
    command.workstation = 3;
    EXPECT_TRUE(reportWorkstationError(command).contains(u"--workstation 3: the call store"_s))
        << reportWorkstationError(command).toStdString();
    command.workstation = 1;
    EXPECT_TRUE(reportWorkstationError(command).isEmpty());
}

} // namespace
} // namespace vrq::test
