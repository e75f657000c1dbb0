// A disk that fails at each write of the export: the call stays pending with its "E" entry, no ".Rcv"
// appears, and once the disk works again the call reaches the host folder exactly once.
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vrq::reliability {

namespace {

using test::failing;
using test::FsOp;

// One step of the export that fails with "No space left on device".
struct StepCase {
    const char* name;
    test::FsRule failure;
    const char* entry; // the start of the error entry
};

class FailingDiskTest : public ::testing::TestWithParam<StepCase> {
protected:
    void extract() {
        NetworkConnection network(f.ctx);
        OrderExport exporter(f.ctx, network);
        exporter.extractCalls();
    }
    QStringList rcvFiles() const { return f.hostFiles().filter(QStringLiteral(".Rcv")); }
    test::ProgramFixture f;
};

} // namespace

TEST_P(FailingDiskTest, TheCallStaysPendingWithItsErrorEntryAndIsSentOnceLater) {
    f.addCall(0, 17, 1);
    f.addOrder(0, 17, 1);
    f.addItem(0, 17, 1, 1);
    test::ScriptedFileSystem disk{GetParam().failure};
    f.ctx.fs = &disk;
    extract();
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_TRUE(rcvFiles().isEmpty()) << rcvFiles().join(QLatin1Char(' ')).toStdString();
    const QStringList errors = f.auditTexts().filter(QStringLiteral("No space left on device"));
    ASSERT_EQ(errors.size(), 1) << f.auditTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors.first().startsWith(QLatin1String(GetParam().entry))) << errors.first().toStdString();

    f.ctx.fs = f.fs; // the disk has room again
    extract();
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(rcvFiles().size(), 1) << f.hostFiles().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(f.call(0, 17)->extractedFileName, rcvFiles().value(0));
}

INSTANTIATE_TEST_SUITE_P(
    EveryWrite, FailingDiskTest,
    ::testing::Values(StepCase{"CreateTmp", failing(FsOp::WriteFile, QStringLiteral(".Tmp"), ENOSPC),
                               "E|OpenOutputFile: Err = 28 - No space left on device"},
                      StepCase{"WriteTmp", failing(FsOp::WriteDurably, QStringLiteral(".Tmp"), ENOSPC),
                               "E|ExtractCalls: Err = 28 - No space left on device"},
                      StepCase{"RecoveryRecord",
                               failing(FsOp::Overwrite, QStringLiteral("OrderFileRename.txt"), ENOSPC),
                               "E|ExtractCalls: Err = 28 - No space left on device"},
                      StepCase{"Rename", failing(FsOp::Rename, {}, ENOSPC),
                               "E|ExtractCalls: Err = 28 - No space left on device"}),
    test::RowName());

} // namespace vrq::reliability
