// Calls appended by the upstream program while `--once` reads DataBin.Dat are never lost: the file is
// moved away only when it has not grown past what the pass read.
#include "ReliabilitySupport.h"

#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace vrq::reliability {

TEST(AppendTest, CallsAppendedWhileOnceRunsAreAllTakenExactlyOnce) {
    Sandbox sandbox({});
    const quint32 seed = runSeed();
    testdata::DataBinOptions first;
    first.calls = 400;
    first.seed = seed;
    first.badEvery = 9;
    std::vector<testdata::CallTruth> truth;
    QString error;
    ASSERT_TRUE(testdata::writeDataBin(sandbox.dataBin(), first, &truth, &error)) << error.toStdString();
    Expected expected;
    expected.addDataBin(truth);

    testdata::UpstreamPlan plan;
    plan.seed = seed;
    plan.callsPerChunk = 3;
    plan.firstCallNumber = first.calls + 1;
    const int chunks = envNumber("VRQ_APPEND_CHUNKS", 150);
    std::unique_ptr<QProcess> writer = sandbox.start(
        simulatorPath(),
        {QStringLiteral("--databin"), sandbox.dataBin(), QStringLiteral("--seed"), QString::number(plan.seed),
         QStringLiteral("--calls-per-chunk"), QString::number(plan.callsPerChunk),
         QStringLiteral("--first-call"), QString::number(plan.firstCallNumber), QStringLiteral("--chunks"),
         QString::number(chunks), QStringLiteral("--interval-ms"), QStringLiteral("20")});
    int passesWhileWriting = 0;
    while (!writer->waitForFinished(0)) {
        QByteArray err;
        ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, 300000, &err), 0) << err.toStdString();
        ++passesWhileWriting;
    }
    ASSERT_TRUE(waitForEnd(*writer, 60000));
    ASSERT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    EXPECT_EQ(writer->readAllStandardOutput().trimmed(),
              QByteArray("chunks=") + QByteArray::number(chunks) + " files=0");
    expected.addUpstream(plan, chunks);

    // What came after the last pass is taken by one more.
    QByteArray err;
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, 300000, &err), 0) << err.toStdString();
    EXPECT_FALSE(QFile::exists(sandbox.dataBin()));

    Figures figures;
    checkEverything(sandbox, expected, &figures);
    const int copies =
        int(QDir(sandbox.auditFolder()).entryList({QStringLiteral("Databin.*")}, QDir::Files).size());
    int grew = 0;
    Result openError;
    if (auto store = openStoreFile(QDir(sandbox.home()).filePath(QString::fromLatin1(kStoreFileName)),
                                   StoreAccess::ReadWrite, &openError)) {
        for (const AuditRow& row : store->audit().allAudit())
            grew += row.msg.contains(QLatin1String("grew while it was read")) ? 1 : 0;
    }
    QTextStream(stdout) << "appends: " << chunks << " chunks appended during " << passesWhileWriting
                        << " passes; the file grew during " << grew << " of them; audit copies " << copies
                        << "; calls checked " << figures.dataBinCalls << ", order files "
                        << figures.orderFiles << Qt::endl;
}

} // namespace vrq::reliability
