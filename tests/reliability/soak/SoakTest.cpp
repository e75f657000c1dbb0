// `vrqtoqx7 --service` (ProcessDelay 1, scanned files every minute) beside an upstream simulator that
// appends calls and drops files, while the host folder comes and goes. At the end every generated call
// is in the store exactly once and every good one in exactly one order file.
// 60 s by default; VRQ_SOAK_SECONDS=3600 for the long version. The host collects its files now and then,
// as a real one does, so a long run goes through the wrap of the order file numbers after 9900.
// VRQ_SOAK_INTERVAL_MS paces the upstream program (150 ms between appends by default).
#include "ReliabilitySupport.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

namespace vrq::reliability {

TEST(SoakTest, ServiceBesideUpstreamAndAFlappingHostLosesAndDuplicatesNothing) {
    Sandbox::Options options;
    options.enableFiles = true;
    options.processDelay = 1;
    options.fileScanMinutes = 1;
    Sandbox sandbox(options);
    const quint32 seed = runSeed();
    std::mt19937 random(seed);
    const int seconds = envNumber("VRQ_SOAK_SECONDS", 60);

    testdata::UpstreamPlan plan;
    plan.seed = seed;
    plan.callsPerChunk = 4;
    std::unique_ptr<QProcess> service = sandbox.start(programPath(), {QStringLiteral("--service")});
    std::unique_ptr<QProcess> upstream = sandbox.start(
        simulatorPath(),
        {QStringLiteral("--databin"), sandbox.dataBin(), QStringLiteral("--scanned"), sandbox.scannedFolder(),
         QStringLiteral("--seed"), QString::number(plan.seed), QStringLiteral("--calls-per-chunk"),
         QString::number(plan.callsPerChunk), QStringLiteral("--first-call"),
         QString::number(plan.firstCallNumber), QStringLiteral("--files-every"), QStringLiteral("5"),
         QStringLiteral("--interval-ms"), QString::number(envNumber("VRQ_SOAK_INTERVAL_MS", 150)),
         QStringLiteral("--duration-s"), QString::number(seconds)});

    // The host goes away for a few seconds now and then.
    std::uniform_int_distribution<int> upMs(2000, 8000);
    std::uniform_int_distribution<int> downMs(500, 4000);
    int outages = 0;
    int collected = 0;
    while (upstream->state() != QProcess::NotRunning) {
        if (upstream->waitForFinished(upMs(random)))
            break;
        collected += sandbox.collectHostFiles();
        ASSERT_TRUE(sandbox.hideHost());
        ++outages;
        QThread::msleep(static_cast<unsigned long>(downMs(random)));
        ASSERT_TRUE(sandbox.showHost());
    }
    ASSERT_TRUE(waitForEnd(*upstream, 120000));
    ASSERT_EQ(upstream->exitCode(), 0) << upstream->readAllStandardError().toStdString();
    const QByteArray counts = upstream->readAllStandardOutput().trimmed();
    int chunks = 0;
    int files = 0;
    ASSERT_EQ(std::sscanf(counts.constData(), "chunks=%d files=%d", &chunks, &files), 2)
        << counts.toStdString();

    service->terminate(); // SIGTERM
    ASSERT_TRUE(waitForEnd(*service, 120000)) << "the service did not stop on SIGTERM";
    EXPECT_EQ(service->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service->exitCode(), 0);
    const int scannedLeft = int(QDir(sandbox.scannedFolder()).entryList(QDir::Files).size());

    // A file is taken once two scans a minute apart saw it unchanged: what arrived in the last minutes
    // is taken by two single passes (the second sees the files unchanged since the first).
    QByteArray err;
    for (int pass = 0; pass < 2; ++pass)
        ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, 300000, &err), 0) << err.toStdString();
    EXPECT_TRUE(QDir(sandbox.scannedFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFile::exists(sandbox.dataBin()));

    Expected expected;
    expected.addUpstream(plan, chunks);
    for (int i = 0; i < files; ++i)
        expected.addScanned(testdata::upstreamScannedFile(plan, i));
    Figures figures;
    checkEverything(sandbox, expected, &figures);
    QTextStream(stdout) << "soak: " << seconds << " s, " << outages << " host outages; " << chunks
                        << " appends, DataBin calls checked " << figures.dataBinCalls << ", scanned files "
                        << files << " (" << scannedLeft << " left for the final passes), order files "
                        << figures.orderFiles << " (" << collected
                        << " collected by the host on the way), E entries " << figures.errorEntries
                        << Qt::endl;
}

} // namespace vrq::reliability
