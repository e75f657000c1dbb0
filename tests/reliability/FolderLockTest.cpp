// One resident copy per program folder: a pass or a service that finds the folder taken touches
// nothing, and two passes started together never send a call twice.
#include "ReliabilitySupport.h"

#include "platform/FolderLock.h"
#include "shell/CommandLine.h"
#include "store/Store.h"
#include "support/TestNames.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace vrq::reliability {

namespace {

constexpr int kRunTimeoutMs = 300000;

std::vector<testdata::CallTruth> writeCalls(const Sandbox& sandbox, int calls) {
    testdata::DataBinOptions input;
    input.calls = calls;
    input.seed = runSeed();
    std::vector<testdata::CallTruth> truth;
    QString error;
    EXPECT_TRUE(testdata::writeDataBin(sandbox.dataBin(), input, &truth, &error)) << error.toStdString();
    return truth;
}

struct HeldFolderCase {
    const char* name;
    const char* option;
};

class HeldFolderTest : public ::testing::TestWithParam<HeldFolderCase> {};

TEST_P(HeldFolderTest, StartIsRefusedWithItsOwnExitCodeAndTouchesNothing) {
    Sandbox sandbox({});
    writeCalls(sandbox, 5);
    const qint64 dataBinSize = QFileInfo(sandbox.dataBin()).size();
    FolderLock window(sandbox.home());
    ASSERT_TRUE(window.tryLock(QStringLiteral("window")));

    QByteArray err;
    EXPECT_EQ(runToEnd(sandbox, {QString::fromLatin1(GetParam().option)}, kRunTimeoutMs, &err),
              ExitCode::kFolderInUse);
    EXPECT_TRUE(err.contains("Another copy of VRQToQX7 (window) is running")) << err.toStdString();
    EXPECT_EQ(QFileInfo(sandbox.dataBin()).size(), dataBinSize) << "DataBin.Dat was taken";
    EXPECT_FALSE(QFile::exists(QDir(sandbox.home()).filePath(QString::fromLatin1(kStoreFileName))));
    EXPECT_TRUE(QDir(sandbox.hostOrderFolder()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Modes, HeldFolderTest,
                         ::testing::Values(HeldFolderCase{"Once", "--once"},
                                           HeldFolderCase{"Service", "--service"}),
                         test::RowName());

} // namespace

TEST(FolderLockProcessTest, TwoPassesStartedTogetherSendEveryCallOnce) {
    Sandbox sandbox({});
    Expected expected;
    expected.addDataBin(writeCalls(sandbox, 600));

    std::vector<std::unique_ptr<QProcess>> passes;
    for (int i = 0; i < 2; ++i)
        passes.push_back(sandbox.start(programPath(), {QStringLiteral("--once")}));
    int ran = 0;
    for (auto& pass : passes) {
        ASSERT_TRUE(waitForEnd(*pass, kRunTimeoutMs));
        const int code = pass->exitCode();
        EXPECT_TRUE(code == ExitCode::kOk || code == ExitCode::kFolderInUse)
            << code << pass->readAllStandardError().toStdString();
        ran += code == ExitCode::kOk ? 1 : 0;
    }
    EXPECT_GE(ran, 1);
    // A pass refused at the start leaves its share to the next pass.
    QByteArray err;
    ASSERT_EQ(runToEnd(sandbox, {QStringLiteral("--once")}, kRunTimeoutMs, &err), ExitCode::kOk)
        << err.toStdString();
    Figures figures;
    checkEverything(sandbox, expected, &figures);
}

} // namespace vrq::reliability
