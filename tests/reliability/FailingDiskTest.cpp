// A disk that fails at each write of the export, pass after pass: the call stays pending, no ".Rcv" or
// ".Tmp" is left and no number is used up; the run of failing passes has one "E" entry and one message
// (stderr when headless), and once the disk works again the call reaches the host folder exactly once,
// under the number it would have had.
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

namespace vrq::reliability {

namespace {

using namespace Qt::StringLiterals;
using test::failing;
using test::FsOp;

// One step of the export that fails at every pass.
struct StepCase {
    const char* name;
    test::FsRule failure;
    const char* entry; // the one error entry of the run
};

class FailingDiskTest : public ::testing::TestWithParam<StepCase> {
protected:
    void SetUp() override {
        f.ctx.settings.systemId = 7;
        f.ctx.settings.lastSeqNum = 41;
        f.ctx.fs = &disk;
    }
    QStringList errorEntries() const { return f.auditTexts().filter(u"E|"_s); }

    test::ProgramFixture f;
    test::ScriptedFileSystem disk{GetParam().failure};
    NetworkConnection network{f.ctx};
    std::unique_ptr<OrderExport> exporter; // one for the run, as the program has, on the failing disk
};

} // namespace

TEST_P(FailingDiskTest, ARunOfFailingPassesLeavesNothingBehindAndIsReportedOnce) {
    const QString entry = QLatin1String(GetParam().entry);
    exporter = std::make_unique<OrderExport>(f.ctx, network);
    f.addPendingCall(0, 17, 1);
    for (int pass = 0; pass < 3; ++pass)
        exporter->extractCalls();
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(f.hostFiles(), QStringList()) << "no .Tmp and no .Rcv";
    EXPECT_EQ(errorEntries(), QStringList{entry});
    EXPECT_EQ(f.ui.messages, QStringList{entry.mid(2)});
    EXPECT_EQ(f.ctx.status.failedSteps, 3);
    EXPECT_EQ(f.ctx.settings.lastSeqNum, 41) << "no number used up";

    disk.heal(); // the disk has room again
    exporter->extractCalls();
    EXPECT_EQ(f.hostFiles(), QStringList{u"QX770042.Rcv"_s});
    EXPECT_EQ(f.call(0, 17)->extractedFileName, u"QX770042.Rcv"_s);
    EXPECT_EQ(f.auditTexts().filter(u"written again"_s),
              QStringList{u"I|ExtractCalls: order files can be written again."_s});

    // The next run of failures has its own entry.
    disk = test::ScriptedFileSystem{GetParam().failure};
    f.addPendingCall(0, 18, 1);
    exporter->extractCalls();
    exporter->extractCalls();
    EXPECT_EQ(errorEntries(), (QStringList{entry, entry}));
    EXPECT_EQ(f.hostFiles(), QStringList{u"QX770042.Rcv"_s});
}

INSTANTIATE_TEST_SUITE_P(
    EveryWrite, FailingDiskTest,
    ::testing::Values(StepCase{"CreateTmp", failing(FsOp::WriteFile, u".Tmp"_s, ENOSPC),
                               "E|OpenOutputFile: Err = 28 - disk full: No space left on device"},
                      StepCase{"WriteTmp", failing(FsOp::WriteDurably, u".Tmp"_s, ENOSPC),
                               "E|ExtractCalls: Err = 28 - disk full: No space left on device"},
                      StepCase{"RecoveryRecord", failing(FsOp::Overwrite, u"OrderFileRename.txt"_s, ENOSPC),
                               "E|ExtractCalls: Err = 28 - disk full: No space left on device"},
                      StepCase{"Rename", failing(FsOp::Rename, {}, ENOSPC),
                               "E|ExtractCalls: Err = 28 - disk full: No space left on device"},
                      StepCase{"RenameInputOutputError", failing(FsOp::Rename, {}, EIO),
                               "E|ExtractCalls: Err = 5 - Input/output error"}),
    test::RowName());

} // namespace vrq::reliability
