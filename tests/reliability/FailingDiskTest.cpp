// A disk that fails at each write of the export: the call stays pending with its "E" entry, no ".Rcv"
// appears, and once the disk works again the call reaches the host folder exactly once.
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "support/ExportFixture.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vrq::reliability {

namespace {

enum class Step { CreateTmp, WriteTmp, RecoveryRecord, Rename };

// Fails one step of the export with "No space left on device".
class FailingDisk : public FileSystem {
public:
    explicit FailingDisk(Step step) : m_step(step) {}
    FileResult writeFile(const QString& path, const QByteArray& bytes) override {
        if (m_step == Step::CreateTmp && path.endsWith(QLatin1String(".Tmp")))
            return full();
        return FileSystem::writeFile(path, bytes);
    }
    FileResult writeFileDurably(const QString& path, const QByteArray& bytes) override {
        if (m_step == Step::WriteTmp && path.endsWith(QLatin1String(".Tmp")))
            return full();
        return FileSystem::writeFileDurably(path, bytes);
    }
    FileResult overwrite(const QString& path, const QByteArray& bytes) override {
        if (m_step == Step::RecoveryRecord && path.contains(QLatin1String("OrderFileRename")))
            return full();
        return FileSystem::overwrite(path, bytes);
    }
    FileResult renameNoReplace(const QString& from, const QString& to) override {
        if (m_step == Step::Rename)
            return full();
        return FileSystem::renameNoReplace(from, to);
    }

private:
    static FileResult full() {
        return FileResult::failure(ENOSPC, QStringLiteral("No space left on device"));
    }
    Step m_step;
};

struct StepCase {
    const char* name;
    Step step;
};

class FailingDiskTest : public ::testing::TestWithParam<StepCase> {
protected:
    void extract() {
        NetworkConnection network(f.ctx);
        OrderExport exporter(f.ctx, network);
        exporter.extractCalls();
    }
    QStringList rcvFiles() const { return f.hostFiles().filter(QStringLiteral(".Rcv")); }
    test::ExportFixture f;
};

} // namespace

TEST_P(FailingDiskTest, TheCallStaysPendingWithItsErrorEntryAndIsSentOnceLater) {
    f.addCall(0, 17, 1);
    f.addOrder(0, 17, 1);
    f.addItem(0, 17, 1, 1);
    FailingDisk disk(GetParam().step);
    f.ctx.fs = &disk;
    extract();
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_TRUE(rcvFiles().isEmpty()) << rcvFiles().join(QLatin1Char(' ')).toStdString();
    const QStringList errors = f.auditTexts().filter(QStringLiteral("No space left on device"));
    ASSERT_EQ(errors.size(), 1) << f.auditTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors.first().startsWith(QLatin1String("E|"))) << errors.first().toStdString();

    f.ctx.fs = f.fs; // the disk has room again
    extract();
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(rcvFiles().size(), 1) << f.hostFiles().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(f.call(0, 17)->extractedFileName, rcvFiles().value(0));
}

INSTANTIATE_TEST_SUITE_P(EveryWrite, FailingDiskTest,
                         ::testing::Values(StepCase{"CreateTmp", Step::CreateTmp},
                                           StepCase{"WriteTmp", Step::WriteTmp},
                                           StepCase{"RecoveryRecord", Step::RecoveryRecord},
                                           StepCase{"Rename", Step::Rename}),
                         test::RowName());

} // namespace vrq::reliability
