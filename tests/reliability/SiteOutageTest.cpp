// The site's store lost in the middle of its desks' passes: the PostgreSQL server stopped as a crash
// would and started again, or one desk's connection frozen as a lost network freezes it while the
// server ends its session and the other desks take its calls over. Either way every good call of the
// site is in exactly one ".Rcv", no ledger row is left unsettled and no ".Tmp" stays. Short by default;
// VRQ_SITE_HALTS and VRQ_SITE_FREEZES make them longer.
#include "FreezingRelay.h"
#include "ReliabilitySupport.h"
#include "pg/PgOwnServer.h"
#include "pg/PgTestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

namespace vrq::reliability {

namespace {

constexpr int kRunTimeoutMs = 600000;
constexpr int kStartFailed = 1;       // the store could not be reached at the start
constexpr int kStoreLost = 74;        // a "--once" run that lost its store
constexpr int kWorkstationInUse = 75; // a run that found its number held a moment by a desk settling it

// A desk of the site on the store the connection string names, with calls waiting in DataBin.Dat.
std::unique_ptr<Sandbox> deskOf(const QString& conninfo, int desk, const QString& shares) {
    Sandbox::Options options;
    options.storeConnection = conninfo;
    options.workstation = desk;
    options.systemId = desk;
    options.lastSeqNum = 9880; // the numbers wrap after 20 files of each SystemID
    options.shareRoot = shares;
    return std::make_unique<Sandbox>(options);
}

// Writes calls numbered from firstCall into the desk's DataBin.Dat (which its last run took away).
void writeCalls(const Sandbox& desk, int calls, int firstCall, quint32 seed, Expected& expected) {
    testdata::DataBinOptions options;
    options.calls = calls;
    options.firstCallNumber = firstCall;
    options.seed = seed;
    options.badEvery = 9;
    options.nullEvery = 13;
    std::vector<testdata::CallTruth> truth;
    QString error;
    ASSERT_TRUE(testdata::writeDataBin(desk.dataBin(), options, &truth, &error)) << error.toStdString();
    expected.addDataBin(truth);
}

// The site's files the host has or has collected (the first desk's collector keeps them).
int filesSent(const Sandbox& collector) {
    return int(QDir(collector.hostOrderFolder()).entryList({QStringLiteral("*.Rcv")}, QDir::Files).size() +
               QDir(collector.collectedFolder()).entryList({QStringLiteral("*.Rcv")}, QDir::Files).size());
}

bool anyTmpOf(const Sandbox& host, int systemId) {
    return !QDir(host.hostOrderFolder())
                .entryList({QStringLiteral("QX7%1*.Tmp").arg(systemId)}, QDir::Files)
                .isEmpty();
}

// The entries of the desk's audit log whose text contains the given words.
int auditCount(const Sandbox& desk, const QString& words) {
    std::unique_ptr<Store> store = desk.openStore(nullptr);
    if (!store)
        return -1;
    int count = 0;
    for (const AuditRow& row : store->audit().allAudit())
        count += row.msg.contains(words) ? 1 : 0;
    return count;
}

// The desks finish: every number comes free between their passes.
void finish(const std::vector<std::unique_ptr<Sandbox>>& desks) {
    for (int pass = 0; pass < 3; ++pass) {
        desks.front()->collectHostFiles();
        for (const auto& desk : desks) {
            QByteArray err;
            EXPECT_EQ(runToEnd(*desk, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 0)
                << "workstation " << desk->workstation() << ": " << err.toStdString();
        }
    }
}

Figures checkTheSite(const std::vector<std::unique_ptr<Sandbox>>& desks,
                     const std::vector<Expected>& expected) {
    std::vector<Desk> site;
    for (std::size_t desk = 0; desk < desks.size(); ++desk)
        site.push_back({desks[desk].get(), &expected[desk]});
    Figures figures;
    checkSite(site, &figures);
    EXPECT_EQ(figures.leftoverTmp, 0);
    return figures;
}

} // namespace

// A server of the test's own (stopping it disturbs no other test), one host share, the run's seed.
class SiteOutageTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_TRUE(server.start());
    }

    test::PgOwnServer server;
    QTemporaryDir shares;
    const quint32 seed = runSeed();
    std::mt19937 random{seed};
};

// Three desks send; the server is stopped as a crash would stop it once some files of the round are out,
// and started again. Runs that lose it say so (exit 74, or 1 when it was lost at their start), a service
// waits for it; nothing is lost or sent twice.
TEST_F(SiteOutageTest, TheServerHaltedMidPassLosesAndDoublesNoCallOfTheSite) {
    const int calls = envNumber("VRQ_SITE_OUTAGE_CALLS", 150);
    const int halts = envNumber("VRQ_SITE_HALTS", 4);

    std::vector<std::unique_ptr<Sandbox>> desks;
    std::vector<Expected> expected(3);
    for (int desk = 1; desk <= 3; ++desk) {
        desks.push_back(deskOf(server.conninfo(), desk, shares.path()));
        writeCalls(*desks.back(), calls, 1, seed + quint32(desk), expected[desk - 1]); // the same numbers
    }

    int lostRuns = 0;
    int filesAtHalts = 0;
    int servicesEndedAtStart = 0;
    for (int round = 0; round < halts; ++round) {
        // The third desk runs as a service every other round: it waits for the server and goes on.
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int desk = 0; desk < 3; ++desk) {
            const bool service = desk == 2 && round % 2 == 1;
            runs.push_back(desks[desk]->start(
                programPath(), {service ? QStringLiteral("--service") : QStringLiteral("--once")}));
        }
        // Halted once the round has sent a few files (or its runs ended first).
        const int before = filesSent(*desks.front());
        const int wanted = 1 + int(random() % 20);
        QElapsedTimer waited;
        waited.start();
        while (filesSent(*desks.front()) - before < wanted && waited.elapsed() < 60000 &&
               stillRunning(*runs.front()))
            QThread::msleep(2);
        filesAtHalts += filesSent(*desks.front()) - before;
        ASSERT_TRUE(server.halt());
        for (auto& run : runs) {
            if (run->arguments().contains(QStringLiteral("--service")))
                continue;
            ASSERT_TRUE(waitForEnd(*run, kRunTimeoutMs));
            const int code = run->exitCode();
            lostRuns += code == kStoreLost || code == kStartFailed ? 1 : 0;
            EXPECT_TRUE(code == 0 || code == kStoreLost || code == kStartFailed || code == kWorkstationInUse)
                << code << ": " << run->readAllStandardError().toStdString();
        }
        QProcess& last = *runs.back();
        const bool service = last.arguments().contains(QStringLiteral("--service"));
        // A service whose start met the halt ends at once with 1, for systemd to start it again; one
        // that had started waits for the server.
        const bool endedAtItsStart = service && !stillRunning(last);
        ASSERT_TRUE(server.resume());
        if (service) {
            if (!endedAtItsStart) {
                QThread::msleep(1500); // its next pass finds the server back
                last.terminate();
            }
            ASSERT_TRUE(waitForEnd(last, kRunTimeoutMs));
            EXPECT_EQ(last.exitCode(), endedAtItsStart ? kStartFailed : 0)
                << last.readAllStandardError().toStdString();
            servicesEndedAtStart += endedAtItsStart ? 1 : 0;
        }
        desks.front()->collectHostFiles();
    }

    finish(desks);
    const Figures figures = checkTheSite(desks, expected);
    QTextStream(stdout) << "site server halts: 3 workstations, calls in " << figures.dataBinCalls
                        << ", .Rcv out " << figures.orderFiles << ", halts " << halts << " (" << filesAtHalts
                        << " files out in the rounds before them), runs that lost the server " << lostRuns
                        << ", services whose start met the halt " << servicesEndedAtStart
                        << ", leftover .Tmp " << figures.leftoverTmp << Qt::endl;
    EXPECT_GT(lostRuns, 0) << "no halt landed while a run was going";
}

// Desk 1 reaches the store through a relay. While it writes order files its connection freezes; the
// server ends its session (its lock and claims free), desk 2 settles its files and sends its calls; then
// desk 1 finds its connection lost, reconnects and goes on. What it had in flight is sent once, by
// whichever desk the ledger says.
TEST_F(SiteOutageTest, ADeskFrozenOffTheNetworkSendsNothingAnotherDeskSent) {
    FreezingRelay relay(server.socketPath());
    ASSERT_TRUE(relay.listening());
    const int calls = envNumber("VRQ_SITE_FROZEN_CALLS", 150);
    const int freezes = envNumber("VRQ_SITE_FREEZES", 3);

    std::vector<std::unique_ptr<Sandbox>> desks;
    desks.push_back(deskOf(relay.conninfo(QStringLiteral("postgres")), 1, shares.path()));
    desks.push_back(deskOf(server.conninfo(), 2, shares.path()));
    Sandbox& frozen = *desks[0];
    Sandbox& other = *desks[1];
    std::vector<Expected> expected(2);
    writeCalls(other, 20, 1, seed + 2, expected[1]);
    QByteArray err;
    ASSERT_EQ(runToEnd(other, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 0) << err.toStdString();

    int frozenWithTmp = 0;
    for (int round = 0; round < freezes; ++round) {
        ASSERT_FALSE(QFile::exists(frozen.dataBin())) << "the last round's calls were not all taken in";
        writeCalls(frozen, calls, 1 + round * 1000, seed + quint32(round), expected[0]);
        std::unique_ptr<QProcess> service = frozen.start(programPath(), {QStringLiteral("--service")});
        // Frozen while a file of its own is in flight (or a moment after its first file is out).
        const int before = filesSent(frozen);
        QElapsedTimer waited;
        waited.start();
        while (!anyTmpOf(frozen, 1) && waited.elapsed() < 60000 && stillRunning(*service) &&
               !(filesSent(frozen) > before && random() % 50 == 0))
            QThread::usleep(500);
        relay.freeze();
        frozenWithTmp += anyTmpOf(frozen, 1) ? 1 : 0;
        QThread::msleep(100);
        relay.cutServerSide(); // as the server's keepalives end a session whose peer is gone

        // The other desk settles what desk 1 left and sends its calls; desk 1's lock may take the
        // server a moment to free.
        for (int pass = 0; pass < 2; ++pass) {
            QThread::msleep(300);
            const int code = runToEnd(other, {QStringLiteral("--once")}, kRunTimeoutMs, &err);
            EXPECT_EQ(code, 0) << err.toStdString();
        }
        relay.thaw();
        QThread::msleep(2000); // desk 1 finds its connection lost, reconnects and goes on
        service->terminate();
        ASSERT_TRUE(waitForEnd(*service, kRunTimeoutMs));
        EXPECT_EQ(service->exitCode(), 0) << service->readAllStandardError().toStdString();
        frozen.collectHostFiles();
    }

    finish(desks);
    const Figures figures = checkTheSite(desks, expected);
    const int takenOver = auditCount(other, QStringLiteral("ExtractCalls: sent "));
    const int settled = auditCount(other, QStringLiteral("left unfinished"));
    const int fenced = auditCount(frozen, QStringLiteral("was settled by another workstation meanwhile"));
    const int cleared = auditCount(frozen, QStringLiteral("written while the store did not answer"));
    QTextStream(stdout) << "site frozen desk: calls in " << figures.dataBinCalls << ", .Rcv out "
                        << figures.orderFiles << ", freezes " << freezes << " (" << frozenWithTmp
                        << " with a .Tmp in flight), connections cut " << relay.connectionsCut()
                        << ", passes of desk 2 that sent desk 1's calls " << takenOver
                        << ", that settled its files " << settled << ", files fenced at desk 1 " << fenced
                        << ", passes of desk 1 that removed .Tmp files given up " << cleared
                        << ", leftover .Tmp " << figures.leftoverTmp << Qt::endl;
    EXPECT_GT(relay.connectionsCut(), 0);
    EXPECT_GT(takenOver, 0) << "desk 2 sent none of desk 1's calls";
}

} // namespace vrq::reliability
