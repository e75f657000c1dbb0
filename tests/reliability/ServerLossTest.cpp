// The PostgreSQL server stopped as a crash would (pg_ctl stop -m immediate) in the middle of a pass and
// started again: no call is lost, stored twice or sent twice. A `--once` run that loses it says so and
// exits 74; a service says so, retries on its own and sends everything once the server is back.
#include "ReliabilitySupport.h"
#include "pg/PgOwnServer.h"
#include "pg/PgTestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace vrq::reliability {

namespace {

constexpr int kRunTimeoutMs = 600000;
constexpr int kCalls = 1000;

Expected generate(const Sandbox& sandbox) {
    testdata::DataBinOptions options;
    options.calls = kCalls;
    options.seed = runSeed();
    options.badEvery = 11;
    std::vector<testdata::CallTruth> truth;
    const QByteArray bytes = testdata::generateDataBin(options, &truth);
    QFile file(sandbox.dataBin());
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    Expected expected;
    expected.addDataBin(truth);
    return expected;
}

Sandbox::Options storeOn(const test::PgOwnServer& server) {
    Sandbox::Options options;
    options.storeConnection = server.conninfo();
    return options;
}

// Waits (bounded) until the started program has taken calls from DataBin.Dat: its lock byte is set.
bool waitForIntake(const Sandbox& sandbox, QProcess& process) {
    for (int waited = 0; waited < 30000; waited += 10) {
        QFile file(sandbox.dataBin());
        if (file.open(QIODevice::ReadOnly) && file.read(7).endsWith('Y'))
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(10);
    }
    return false;
}

// The "E" entries written while the server was away reached the store's audit log from the spool.
void expectSpoolWritten(const Sandbox& sandbox) {
    EXPECT_FALSE(QFile::exists(QDir(sandbox.home()).filePath(QStringLiteral("AuditSpool.txt"))));
    Result opened;
    const std::unique_ptr<Store> store = sandbox.openStore(&opened);
    ASSERT_TRUE(store) << opened.message.toStdString();
    int outageEntries = 0;
    for (const AuditRow& row : store->audit().allAudit())
        outageEntries +=
            row.type == QLatin1String("E") && row.msg.contains(QStringLiteral("cannot be reached"));
    EXPECT_EQ(outageEntries, 1) << "one entry for the outage, written when the server was back";
}

} // namespace

// A store on a server of the test's own, and calls waiting in DataBin.Dat.
class ServerLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_TRUE(server.start());
        sandbox = std::make_unique<Sandbox>(storeOn(server));
        expected = generate(*sandbox);
    }

    // Starts the program and stops the server as a crash would once the program takes calls in.
    std::unique_ptr<QProcess> startAndHaltMidIntake(const QString& mode) {
        std::unique_ptr<QProcess> process = sandbox->start(programPath(), {mode});
        EXPECT_TRUE(waitForIntake(*sandbox, *process)) << "the program ended before it took a call";
        EXPECT_TRUE(server.halt());
        return process;
    }

    // Every call stored and sent once, and the outage's one entry in the audit log.
    void expectEveryCallSentOnce() {
        Figures figures;
        checkEverything(*sandbox, expected, &figures);
        EXPECT_EQ(figures.dataBinCalls, int(expected.dataBinCalls.size()));
        expectSpoolWritten(*sandbox);
    }

    test::PgOwnServer server;
    std::unique_ptr<Sandbox> sandbox;
    Expected expected;
};

TEST_F(ServerLossTest, AOnceRunThatLosesTheServerExits74AndTheNextSendsEveryCallOnce) {
    std::unique_ptr<QProcess> run = startAndHaltMidIntake(QStringLiteral("--once"));
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitForEnd(*run, kRunTimeoutMs));
    const QString err = QString::fromLocal8Bit(run->readAllStandardError());
    const QString out = QString::fromLocal8Bit(run->readAllStandardOutput());
    EXPECT_EQ(run->exitCode(), 74) << err.toStdString();
    EXPECT_TRUE(
        err.contains(QStringLiteral("No call is taken in or sent: the database server cannot be reached")))
        << err.toStdString();
    EXPECT_TRUE(
        out.contains(QStringLiteral("; no call is taken in or sent (the database server cannot be reached")))
        << out.toStdString();
    EXPECT_TRUE(QFile::exists(sandbox->dataBin())) << "DataBin.Dat stays for the next pass";

    ASSERT_TRUE(server.resume());
    QByteArray again;
    ASSERT_EQ(runToEnd(*sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &again), 0)
        << again.toStdString();
    expectEveryCallSentOnce();
}

TEST_F(ServerLossTest, AServiceRetriesUntilTheServerIsBackAndSendsEveryCallOnce) {
    std::unique_ptr<QProcess> service = startAndHaltMidIntake(QStringLiteral("--service"));
    ASSERT_FALSE(HasFailure());
    QString out;
    const auto readOut = [&] {
        service->waitForReadyRead(100);
        out += QString::fromLocal8Bit(service->readAllStandardOutput());
    };
    for (int waited = 0; waited < 60000 && !out.contains(QStringLiteral("no call is taken in or sent"));
         waited += 100)
        readOut();
    ASSERT_TRUE(out.contains(QStringLiteral("no call is taken in or sent"))) << out.toStdString();
    ASSERT_EQ(service->state(), QProcess::Running) << "the service waits for the server";

    ASSERT_TRUE(server.resume());
    const auto allSent = [&] {
        const QString last = out.trimmed().section(QLatin1Char('\n'), -1);
        return !QFile::exists(sandbox->dataBin()) && last.contains(QStringLiteral("calls pending 0")) &&
               !last.contains(QStringLiteral("no call is taken in or sent"));
    };
    for (int waited = 0; waited < 300000 && !allSent() && service->state() == QProcess::Running;
         waited += 100)
        readOut();
    EXPECT_TRUE(allSent()) << out.toStdString();
    service->terminate();
    ASSERT_TRUE(waitForEnd(*service, 60000));
    EXPECT_EQ(service->exitCode(), 0) << service->readAllStandardError().toStdString();

    expectEveryCallSentOnce();
}

} // namespace vrq::reliability
