// SIGKILL at random moments of `vrqtoqx7 --once`, many times, then one run to the end: no call lost,
// stored twice or sent twice. Short by default; VRQ_CRASH_CALLS and VRQ_CRASH_KILLS make it longer, and
// VRQ_CRASH_MIN_DELAY_MS / VRQ_CRASH_MAX_DELAY_MS (10 / 120) set how long a run lives before its kill:
// shorter lives land more kills before the work is done.
#include "ReliabilitySupport.h"
#include "pg/PgTestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>

#include <gtest/gtest.h>

namespace vrq::reliability {

namespace {

constexpr int kRunTimeoutMs = 600000;

struct KillCounts {
    int duringIntake = 0; // DataBin.Dat still there when the run started
    int duringExport = 0;
    int runsToEnd = 0; // runs that finished before their kill came
};

// Starts `--once` again and again and kills it after a random delay, until `kills` kills have landed
// or a run finishes on its own (then nothing was left to do).
KillCounts killRepeatedly(const Sandbox& sandbox, int kills, std::mt19937& random) {
    const int shortest = envNumber("VRQ_CRASH_MIN_DELAY_MS", 10);
    std::uniform_int_distribution<int> delayMs(shortest,
                                               std::max(shortest, envNumber("VRQ_CRASH_MAX_DELAY_MS", 120)));
    KillCounts counts;
    while (counts.duringIntake + counts.duringExport < kills) {
        const bool intake = QFile::exists(sandbox.dataBin());
        std::unique_ptr<QProcess> process = sandbox.start(programPath(), {QStringLiteral("--once")});
        if (process->waitForFinished(delayMs(random))) {
            ++counts.runsToEnd;
            EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
            break;
        }
        process->kill(); // SIGKILL
        process->waitForFinished(30000);
        ++(intake ? counts.duringIntake : counts.duringExport);
    }
    return counts;
}

Expected generate(const Sandbox& sandbox, int calls, quint32 seed, QByteArray* fileBytes) {
    testdata::DataBinOptions options;
    options.calls = calls;
    options.seed = seed;
    options.badEvery = 9;
    options.nullEvery = 13;
    options.duplicateEvery = 31;
    std::vector<testdata::CallTruth> truth;
    *fileBytes = testdata::generateDataBin(options, &truth);
    QFile file(sandbox.dataBin());
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(*fileBytes) == fileBytes->size());
    Expected expected;
    expected.addDataBin(truth);
    return expected;
}

// The input file is in one audit copy as it was written (the lock byte aside), and gone from its folder. The
// copy is Databin.000 unless a pass was stopped after storing the next number and before the move: that
// number is then passed over, never used for a second file, and the copy takes the next.
void expectAuditCopy(const Sandbox& sandbox, QByteArray written) {
    EXPECT_FALSE(QFile::exists(sandbox.dataBin()));
    const QStringList copies =
        QDir(sandbox.auditFolder()).entryList({QStringLiteral("Databin.*")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1) << copies.join(QLatin1Char(' ')).toStdString();
    QFile copy(QDir(sandbox.auditFolder()).filePath(copies[0]));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    QByteArray kept = copy.readAll();
    ASSERT_EQ(kept.size(), written.size());
    kept[6] = written[6];
    EXPECT_TRUE(kept == written) << "the audit copy differs from the file written";
}

void report(const char* name, const KillCounts& kills, const Figures& figures) {
    QTextStream(stdout) << name << ": kills during intake " << kills.duringIntake << ", during export "
                        << kills.duringExport << ", runs that ended before their kill " << kills.runsToEnd
                        << "; DataBin calls checked " << figures.dataBinCalls << ", orders " << figures.orders
                        << ", items " << figures.items << ", order files " << figures.orderFiles
                        << ", leftover .Tmp " << figures.leftoverTmp << ", E entries " << figures.errorEntries
                        << Qt::endl;
}

// An installation whose store is the test's PostgreSQL database.
Sandbox::Options storeIn(const test::PgTestDatabase& database) {
    Sandbox::Options options;
    options.storeConnection = database.conninfo();
    return options;
}

// Kills anywhere in the intake and the export of one generated DataBin.Dat, then a run to the end.
void killAnywhereThenCheck(Sandbox& sandbox, const char* name) {
    const quint32 seed = runSeed();
    std::mt19937 random(seed);
    QByteArray written;
    const Expected expected = generate(sandbox, envNumber("VRQ_CRASH_CALLS", 1000), seed, &written);

    const KillCounts kills = killRepeatedly(sandbox, envNumber("VRQ_CRASH_KILLS", 20), random);
    QByteArray err;
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 0) << err.toStdString();

    Figures figures;
    checkEverything(sandbox, expected, &figures);
    expectAuditCopy(sandbox, written);
    report(name, kills, figures);
    EXPECT_GT(kills.duringIntake, 0) << "no kill landed in the intake";
}

} // namespace

TEST(KillTest, KillsAtRandomMomentsLoseNothingAndDuplicateNothing) {
    Sandbox sandbox({});
    killAnywhereThenCheck(sandbox, "kills anywhere");
}

// The same on a PostgreSQL store: a killed client's open transaction is undone by the server.
TEST(KillTest, KillsOnAPostgreSQLStoreLoseNothingAndDuplicateNothing) {
    VRQ_NEED_PG_SERVER();
    const test::PgTestDatabase database;
    ASSERT_TRUE(database.created()) << database.error().toStdString();
    Sandbox sandbox(storeIn(database));
    killAnywhereThenCheck(sandbox, "kills anywhere, PostgreSQL store");
}

namespace {

// With the host away a first pass takes every call in; then kills land in the export only.
void killDuringExportThenCheck(Sandbox& sandbox, const char* name) {
    const quint32 seed = runSeed();
    std::mt19937 random(seed);
    QByteArray written;
    const Expected expected = generate(sandbox, envNumber("VRQ_CRASH_CALLS", 1000), seed, &written);

    // With the host away the first pass takes every call in, sends nothing and says so in its exit code.
    ASSERT_TRUE(sandbox.hideHost());
    QByteArray err;
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 69) << err.toStdString();
    ASSERT_FALSE(QFile::exists(sandbox.dataBin()));
    ASSERT_TRUE(sandbox.showHost());
    ASSERT_TRUE(QDir(sandbox.hostOrderFolder()).entryList(QDir::Files).isEmpty());

    const KillCounts kills = killRepeatedly(sandbox, envNumber("VRQ_CRASH_KILLS", 20), random);
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 0) << err.toStdString();

    Figures figures;
    checkEverything(sandbox, expected, &figures);
    expectAuditCopy(sandbox, written);
    report(name, kills, figures);
    EXPECT_GT(kills.duringExport, 0) << "no kill landed in the export";
}

} // namespace

TEST(KillTest, KillsDuringTheExportSendEveryCallExactlyOnce) {
    Sandbox sandbox({});
    killDuringExportThenCheck(sandbox, "kills during export");
}

TEST(KillTest, KillsDuringTheExportFromAPostgreSQLStoreSendEveryCallExactlyOnce) {
    VRQ_NEED_PG_SERVER();
    const test::PgTestDatabase database;
    ASSERT_TRUE(database.created()) << database.error().toStdString();
    Sandbox sandbox(storeIn(database));
    killDuringExportThenCheck(sandbox, "kills during export, PostgreSQL store");
}

} // namespace vrq::reliability
