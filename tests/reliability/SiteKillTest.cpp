// Three workstations on one PostgreSQL store and one host folder, their programs SIGKILLed at random
// moments (as "--once" runs and as services) while they take in overlapping call numbers, their upstream
// programs append more, and they send each other's calls; the host collects
// slowly, so the order file numbers wrap past names still waiting. Then every good call of every desk is in
// exactly one ".Rcv", no ledger row is left unsettled and no ".Tmp" stays. The third desk takes its calls
// in and is then killed for good mid-export: the others send its calls. Short by default; VRQ_SITE_CALLS
// and VRQ_SITE_KILLS make it longer.
#include "ReliabilitySupport.h"
#include "pg/PgTestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace vrq::reliability {

namespace {

constexpr int kRunTimeoutMs = 600000;
constexpr int kDesks = 3;
// The exit code of a run that found its workstation held a moment by another desk settling its files.
constexpr int kWorkstationInUse = 75;

Expected generateFor(const Sandbox& sandbox, int calls, quint32 seed) {
    testdata::DataBinOptions options;
    options.calls = calls;
    options.seed = seed;
    options.badEvery = 9;
    options.nullEvery = 13;
    std::vector<testdata::CallTruth> truth;
    const QByteArray bytes = testdata::generateDataBin(options, &truth);
    QFile file(sandbox.dataBin());
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    Expected expected;
    expected.addDataBin(truth);
    return expected;
}

// What each live desk's upstream program appends while the desks are killed: calls numbered on from
// the generated ones, a few at a time.
constexpr int kUpstreamChunks = 40;

testdata::UpstreamPlan upstreamPlan(int generatedCalls, quint32 seed) {
    testdata::UpstreamPlan plan;
    plan.seed = seed;
    plan.callsPerChunk = 3;
    plan.firstCallNumber = generatedCalls + 1;
    return plan;
}

// The desk's upstream program, appending a chunk every 150 ms; a lock byte a killed run left set is
// taken over after 5 s (the desk's next run clears it first).
std::unique_ptr<QProcess> startUpstream(const Sandbox& desk, const testdata::UpstreamPlan& plan) {
    return desk.start(simulatorPath(),
                      {QStringLiteral("--databin"), desk.dataBin(), QStringLiteral("--seed"),
                       QString::number(plan.seed), QStringLiteral("--calls-per-chunk"),
                       QString::number(plan.callsPerChunk), QStringLiteral("--first-call"),
                       QString::number(plan.firstCallNumber), QStringLiteral("--chunks"),
                       QString::number(kUpstreamChunks), QStringLiteral("--interval-ms"),
                       QStringLiteral("150"), QStringLiteral("--lock-wait-ms"), QStringLiteral("5000")});
}

// How many calls of other workstations the desk's entries say it sent.
int callsTakenOver(const Sandbox& sandbox) {
    std::unique_ptr<Store> store = sandbox.openStore(nullptr);
    if (!store)
        return 0;
    int sent = 0;
    for (const AuditRow& row : store->audit().allAudit()) {
        if (row.msg.startsWith(QLatin1String("ExtractCalls: sent ")))
            sent += row.msg.section(QLatin1Char(' '), 2, 2).toInt();
    }
    return sent;
}

} // namespace

TEST(SiteKillTest, ThreeWorkstationsKilledAtRandomSendEveryCallOfTheSiteOnce) {
    VRQ_NEED_PG_SERVER();
    const test::PgTestDatabase database;
    ASSERT_TRUE(database.created()) << database.error().toStdString();
    QTemporaryDir shares;
    if (qEnvironmentVariableIsSet("VRQ_KEEP_SANDBOX")) {
        shares.setAutoRemove(false);
        QTextStream(stdout) << "shares kept: " << shares.path() << Qt::endl;
    }
    const quint32 seed = runSeed();
    std::mt19937 random(seed);
    const int calls = envNumber("VRQ_SITE_CALLS", 120);

    std::vector<std::unique_ptr<Sandbox>> desks;
    std::vector<Expected> expected;
    for (int desk = 1; desk <= kDesks; ++desk) {
        Sandbox::Options options;
        options.storeConnection = database.conninfo();
        options.workstation = desk;
        options.systemId = desk;
        options.lastSeqNum = 9880; // the numbers wrap after 20 files of each SystemID
        options.shareRoot = shares.path();
        desks.push_back(std::make_unique<Sandbox>(options));
        expected.push_back(generateFor(*desks.back(), calls, seed + quint32(desk))); // the same numbers
    }
    Sandbox& dead = *desks.back();

    // The third desk takes everything in with the host away, then dies for good in its export.
    ASSERT_TRUE(dead.hideHost());
    QByteArray err;
    ASSERT_EQ(runToEnd(dead, {QStringLiteral("--once")}, kRunTimeoutMs, &err), 69) << err.toStdString();
    ASSERT_TRUE(dead.showHost());
    {
        std::unique_ptr<QProcess> last = dead.start(programPath(), {QStringLiteral("--once")});
        if (!last->waitForFinished(std::uniform_int_distribution<int>(20, 200)(random)))
            last->kill();
        last->waitForFinished(30000);
    }

    // The two others run side by side, a "--once" run or a service, killed at random, while their
    // upstream programs append calls (the same numbers at both desks); the host collects every third
    // round.
    std::vector<testdata::UpstreamPlan> plans;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int desk = 0; desk < kDesks - 1; ++desk) {
        plans.push_back(upstreamPlan(calls, seed + quint32(10 + desk)));
        writers.push_back(startUpstream(*desks[desk], plans.back()));
    }
    const int wantedKills = envNumber("VRQ_SITE_KILLS", 60);
    std::uniform_int_distribution<int> lifeMs(20, 250);
    int kills = 0;
    int rounds = 0;
    int finishedRuns = 0;
    int serviceRuns = 0;
    while (kills < wantedKills && rounds < wantedKills * 4) {
        ++rounds;
        std::array<std::unique_ptr<QProcess>, kDesks - 1> running;
        std::array<bool, kDesks - 1> service{};
        for (int desk = 0; desk < kDesks - 1; ++desk) {
            service[desk] = random() % 3 == 0;
            serviceRuns += service[desk] ? 1 : 0;
            running[desk] = desks[desk]->start(
                programPath(), {service[desk] ? QStringLiteral("--service") : QStringLiteral("--once")});
        }
        QThread::msleep(lifeMs(random));
        for (int desk = 0; desk < kDesks - 1; ++desk) {
            QProcess& process = *running[desk];
            if (stillRunning(process) && (service[desk] || random() % 4 != 0)) {
                process.kill(); // SIGKILL
                ++kills;
            }
            if (!process.waitForFinished(kRunTimeoutMs))
                process.kill();
            if (process.exitStatus() == QProcess::NormalExit) {
                ++finishedRuns;
                EXPECT_TRUE(process.exitCode() == 0 || process.exitCode() == kWorkstationInUse)
                    << process.exitCode() << ": " << process.readAllStandardError().toStdString();
            }
        }
        if (rounds % 3 == 0)
            desks[0]->collectHostFiles();
    }
    for (int desk = 0; desk < kDesks - 1; ++desk) {
        ASSERT_TRUE(waitForEnd(*writers[desk], kRunTimeoutMs));
        EXPECT_EQ(writers[desk]->exitCode(), 0) << writers[desk]->readAllStandardError().toStdString();
        expected[desk].addUpstream(plans[desk], kUpstreamChunks);
    }

    // The two live desks finish; the host collects between their passes so every number comes free.
    for (int pass = 0; pass < 3; ++pass) {
        desks[0]->collectHostFiles();
        for (int desk = 0; desk < kDesks - 1; ++desk) {
            const int code = runToEnd(*desks[desk], {QStringLiteral("--once")}, kRunTimeoutMs, &err);
            EXPECT_EQ(code, 0) << err.toStdString();
        }
    }

    Figures figures;
    std::vector<Desk> site;
    for (int desk = 0; desk < kDesks; ++desk)
        site.push_back({desks[desk].get(), &expected[desk]});
    checkSite(site, &figures);
    EXPECT_EQ(figures.leftoverTmp, 0);
    const int takenOver = callsTakenOver(*desks[0]) + callsTakenOver(*desks[1]);
    QTextStream(stdout) << "site kill test: " << kDesks << " workstations, calls in " << figures.dataBinCalls
                        << ", .Rcv out " << figures.orderFiles << ", kills " << kills << " in " << rounds
                        << " rounds (services " << serviceRuns << "), runs that ended " << finishedRuns
                        << ", calls of other workstations sent " << takenOver << ", leftover .Tmp "
                        << figures.leftoverTmp << ", E entries " << figures.errorEntries << Qt::endl;
    EXPECT_GE(kills, wantedKills / 2) << "too few kills landed";
    EXPECT_GT(takenOver, 0) << "the dead desk's calls were not sent by the others";
}

} // namespace vrq::reliability
