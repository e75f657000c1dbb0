// Batch runs (`vrqtoqx7 check FILE`) in parallel with `--service` on one store: nobody sees
// "database is locked" and no audit row of either is lost.
#include "ReliabilitySupport.h"

#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace vrq::reliability {

namespace {

int countAudit(const Sandbox& sandbox, const QString& type, QStringList* lockedErrors) {
    Result error;
    std::unique_ptr<Store> store = openStoreFile(
        QDir(sandbox.home()).filePath(QString::fromLatin1(kStoreFileName)), StoreAccess::ReadWrite, &error);
    if (!store)
        return -1;
    int count = 0;
    for (const AuditRow& row : store->audit().allAudit()) {
        if (row.type == type)
            ++count;
        if (lockedErrors && row.type == QLatin1String("E") && row.msg.contains(QLatin1String("locked")))
            *lockedErrors << row.msg;
    }
    return count;
}

} // namespace

TEST(SharedStoreTest, BatchRunsBesideTheServiceLoseNoAuditRowAndNeverFailOnALock) {
    Sandbox sandbox({});
    const quint32 seed = runSeed();
    testdata::DataBinOptions input;
    input.calls = 1500;
    input.seed = seed;
    std::vector<testdata::CallTruth> truth;
    QString error;
    ASSERT_TRUE(testdata::writeDataBin(sandbox.dataBin(), input, &truth, &error)) << error.toStdString();
    Expected expected;
    expected.addDataBin(truth);

    testdata::DataBinOptions checked;
    checked.calls = 40;
    checked.seed = seed + 1;
    checked.firstCallNumber = 90001;
    const QString checkFile = QDir(sandbox.root()).filePath(QStringLiteral("check.dat"));
    ASSERT_TRUE(testdata::writeDataBin(checkFile, checked, nullptr, &error)) << error.toStdString();

    // One batch run alone gives the number of "V" rows each run writes.
    QByteArray err;
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("check"), checkFile}, 120000, &err), 0) << err.toStdString();
    const int perRun = countAudit(sandbox, QStringLiteral("V"), nullptr);
    ASSERT_GT(perRun, 0);

    testdata::UpstreamPlan plan;
    plan.seed = seed;
    plan.firstCallNumber = input.calls + 1;
    const int chunks = 60;
    std::unique_ptr<QProcess> service = sandbox.start(programPath(), {QStringLiteral("--service")});
    std::unique_ptr<QProcess> writer = sandbox.start(
        simulatorPath(),
        {QStringLiteral("--databin"), sandbox.dataBin(), QStringLiteral("--seed"), QString::number(plan.seed),
         QStringLiteral("--calls-per-chunk"), QString::number(plan.callsPerChunk),
         QStringLiteral("--first-call"), QString::number(plan.firstCallNumber), QStringLiteral("--chunks"),
         QString::number(chunks), QStringLiteral("--interval-ms"), QStringLiteral("100")});

    const int rounds = envNumber("VRQ_SHARED_ROUNDS", 12);
    int batchRuns = 1;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::unique_ptr<QProcess>> batch;
        for (int parallel = 0; parallel < 2; ++parallel)
            batch.push_back(sandbox.start(programPath(), {QStringLiteral("check"), checkFile}));
        for (auto& run : batch) {
            ASSERT_TRUE(waitForEnd(*run, 120000));
            const QByteArray runErr = run->readAllStandardError();
            EXPECT_FALSE(runErr.contains("locked")) << runErr.toStdString();
            EXPECT_EQ(run->exitCode(), 0) << runErr.toStdString();
            ++batchRuns;
        }
    }
    ASSERT_TRUE(waitForEnd(*writer, 120000));
    service->terminate(); // SIGTERM
    ASSERT_TRUE(waitForEnd(*service, 120000));
    EXPECT_EQ(service->exitStatus(), QProcess::NormalExit);
    const QByteArray serviceErr = service->readAllStandardError();
    EXPECT_FALSE(serviceErr.contains("locked")) << serviceErr.toStdString();
    // What the service had not reached yet is taken by one pass more.
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, 300000, &err), 0) << err.toStdString();
    expected.addUpstream(plan, chunks);

    QStringList locked;
    EXPECT_EQ(countAudit(sandbox, QStringLiteral("V"), &locked), perRun * batchRuns)
        << "batch audit rows lost";
    EXPECT_TRUE(locked.isEmpty()) << locked.join(QLatin1Char('\n')).toStdString();
    Figures figures;
    checkEverything(sandbox, expected, &figures);
    // The service's own rows: one "X" entry per call sent.
    EXPECT_EQ(countAudit(sandbox, QStringLiteral("X"), nullptr), figures.orderFiles);
    QTextStream(stdout) << "shared store: " << batchRuns << " batch runs (" << perRun
                        << " V rows each) beside the "
                        << "service; calls checked " << figures.dataBinCalls << ", order files "
                        << figures.orderFiles << Qt::endl;
}

} // namespace vrq::reliability
