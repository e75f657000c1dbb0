// The built program run as cron, a service manager or a script runs it: what it prints and the exit code.
#include "ReliabilitySupport.h"
#include "platform/FolderLock.h"
#include "store/Store.h"
#include "support/IntakeFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QSettings>
#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::reliability;

namespace {

struct ProgramRun {
    int exitCode = -1000;
    QString out;
    QString err;
};

ProgramRun runProgram(const Sandbox& sandbox, const QStringList& arguments) {
    std::unique_ptr<QProcess> process = sandbox.start(programPath(), arguments);
    const bool ended = waitForEnd(*process, 60000) && process->exitStatus() == QProcess::NormalExit;
    return {ended ? process->exitCode() : -1000, QString::fromUtf8(process->readAllStandardOutput()),
            QString::fromUtf8(process->readAllStandardError())};
}

QStringList auditMessages(const Sandbox& sandbox) {
    QStringList messages;
    auto store = openStoreFile(QDir(sandbox.home()).filePath(u"CallsAndOrders.db"_s), StoreAccess::ReadOnly);
    if (!store)
        return messages;
    for (const AuditRow& row : store->audit().allAudit())
        messages << row.msg;
    return messages;
}

enum class Trouble { None, HostAway, ScannedFolderMissing, SystemIdUnusable };

struct OnceCase {
    const char* name;
    Trouble trouble;
    int exitCode;
    int written; // order files; the summary line then names the calls pending and the failed steps
    int pending;
    int failed;
    const char* auditEntry = ""; // one of the entries the pass writes
    const char* hostState = "host folder I:\\QX7Com reachable";
};

class OnceSummaryTest : public ::testing::TestWithParam<OnceCase> {};

// Six calls, every third bad: four good calls to send.
TEST_P(OnceSummaryTest, OneLineOnStdoutAndAnExitCodeThatTellsWhetherOrdersFlow) {
    const OnceCase& c = GetParam();
    Sandbox sandbox(Sandbox::Options{.enableFiles = true});
    QString error;
    ASSERT_TRUE(testdata::writeDataBin(sandbox.dataBin(), {.calls = 6, .badEvery = 3}, nullptr, &error))
        << error.toStdString();
    ASSERT_TRUE(c.trouble != Trouble::HostAway || sandbox.hideHost());
    ASSERT_TRUE(c.trouble != Trouble::ScannedFolderMissing ||
                QDir(sandbox.scannedFolder()).removeRecursively());
    if (c.trouble == Trouble::SystemIdUnusable)
        QSettings(sandbox.environment().value(u"VRQTOQX7_SETTINGS"_s), QSettings::IniFormat)
            .setValue(u"QX7/SystemID"_s, u"12x"_s);

    const ProgramRun run = runProgram(sandbox, {u"--once"_s});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("calls good 4, bad 2; scanned files taken 0; order files "
                                                   "written %1; calls pending %2; failed steps %3; %4")
                                        .arg(c.written)
                                        .arg(c.pending)
                                        .arg(c.failed)
                                        .arg(QLatin1String(c.hostState))))
        << lines[0].toStdString();
    EXPECT_FALSE(run.err.contains("click OK"_L1)) << run.err.toStdString();
    if (*c.auditEntry) {
        EXPECT_TRUE(auditMessages(sandbox).contains(QLatin1String(c.auditEntry)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, OnceSummaryTest,
    ::testing::Values(OnceCase{"allSent", Trouble::None, 0, 4, 0, 0},
                      OnceCase{"hostFolderAway", Trouble::HostAway, 69, 0, 4, 0,
                               "Network connection cannot be re-established at this time.",
                               "host folder I:\\QX7Com away since "},
                      OnceCase{"aStepFailed", Trouble::ScannedFolderMissing, 74, 4, 0, 1},
                      // The export, held, never maps the drive; the host is still reported as it is.
                      OnceCase{"exportHeldBySetting", Trouble::SystemIdUnusable, 74, 0, 4, 1}),
    test::RowName());

struct BatchCase {
    const char* name;
    const char* file; // the program is run as "check <file>"; the file written is "in/my calls.dat"
    bool lastCallShort;
    int exitCode;
    const char* stderrText; // empty: nothing on stderr
};

class BatchRunTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchRunTest, TheFileIsFoundAndAFailureSaysWhichCallAndField) {
    const BatchCase& c = GetParam();
    Sandbox sandbox(Sandbox::Options{});
    const QDir in(QDir(sandbox.root()).filePath(u"in"_s));
    ASSERT_TRUE(in.mkpath(u"."_s));
    const QByteArray quantity = c.lastCallShort ? "&Q12+&" : "&Q012+&";
    ASSERT_TRUE(test::ProgramFixture::writeFile(
        in.filePath(u"my calls.dat"_s),
        test::makeCall(1, "&S123456&C12345678&I1234567890123&Q012+&") +
            test::makeCall(2, "&S123456&C12345678&I1234567890123" + quantity)));
    ASSERT_TRUE(test::ProgramFixture::writeFile(in.filePath(u"no calls.txt"_s), QByteArray(600, 'x')));

    const ProgramRun run = runProgram(sandbox, {u"check"_s, QString::fromUtf8(c.file)});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    const QString expectedError = QLatin1String(c.stderrText);
    EXPECT_TRUE(expectedError.isEmpty() ? run.err.isEmpty() : run.err.contains(expectedError))
        << run.err.toStdString();
    const QStringList audit = auditMessages(sandbox);
    EXPECT_TRUE(audit.filter(u"Call not found"_s).isEmpty()) << audit.join(u'\n').toStdString();
    EXPECT_EQ(audit.contains(u"ProcessGoodCall: Call # 2 was determined to be bad (Quantity)."_s),
              c.lastCallShort);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, BatchRunTest,
                         ::testing::Values(BatchCase{"relativePathWithBlanksPasses", "in/my calls.dat", false,
                                                     0, ""},
                                           BatchCase{"shortQuantityIsNamedOnStderr", "in/my calls.dat", true,
                                                     255, "Call # 2 was determined to be bad (Quantity)."},
                                           BatchCase{"missingFileIsNamedAsGiven", "in/none.dat", false, 255,
                                                     "/in/none.dat\" cannot be opened."},
                                           BatchCase{"aFileWithoutCallsPassesAndSaysSo", "in/no calls.txt",
                                                     false, 0, "/in/no calls.txt\" holds no call"}),
                         test::RowName());

// A pass whose lock file cannot be made, as in a folder this user cannot write: a failed start (1) that
// touches nothing. Another copy holding the folder (75) is the reliability suite's HeldFolderTest.
TEST(RefusedPassTest, SaysWhyWithItsOwnExitCode) {
    Sandbox sandbox(Sandbox::Options{});
    ASSERT_TRUE(QDir(sandbox.home()).mkpath(QLatin1String(FolderLock::kFileName)));
    const ProgramRun run = runProgram(sandbox, {u"--once"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot be made"_L1) && run.err.contains("Nothing was done."_L1))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(sandbox.home()).filePath(u"CallsAndOrders.db"_s)));
}

// A terminal closing (SIGHUP) stops the service as SIGTERM does: the shutdown writes "Program stopped".
struct StopSignalCase {
    const char* name;
    int signal;
};

class StopSignalTest : public ::testing::TestWithParam<StopSignalCase> {};

TEST_P(StopSignalTest, StopsTheServiceWithItsShutdown) {
    Sandbox sandbox(Sandbox::Options{});
    std::unique_ptr<QProcess> service = sandbox.start(programPath(), {u"--service"_s});
    ASSERT_TRUE(service->waitForReadyRead(60000)) << "no summary line at the start";
    ::kill(pid_t(service->processId()), GetParam().signal);
    ASSERT_TRUE(waitForEnd(*service, 60000));
    EXPECT_EQ(service->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service->exitCode(), 0);
    EXPECT_EQ(auditMessages(sandbox).filter(u"Program stopped"_s).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest,
                         ::testing::Values(StopSignalCase{"sigterm", SIGTERM},
                                           StopSignalCase{"sighup", SIGHUP}),
                         test::RowName());

} // namespace
