// `vrqtoqx7 --copy-store-to`: what it says and the exit code for each outcome.
#include "shell/StoreCopyRunner.h"
#include "shell/CommandLine.h"
#include "support/StoreBackends.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace vrq {
namespace {

using namespace Qt::StringLiterals;

const QDateTime kMorning(QDate(2026, 3, 9), QTime(8, 15, 30));

// A program folder whose store holds two calls, one order with one item, and one audit entry.
void fillStore(const QString& folder) {
    std::unique_ptr<Store> store = openStoreFile(QDir(folder).filePath(QString::fromLatin1(kStoreFileName)));
    ASSERT_TRUE(store);
    store->schema().dataConversions();
    ASSERT_TRUE(store->calls().insertCall({.source = 0, .callNumber = 1, .callDnt = kMorning}).ok());
    ASSERT_TRUE(store->calls().insertCall({.source = 0, .callNumber = 2, .callDnt = kMorning}).ok());
    ASSERT_TRUE(store->calls().insertOrder({.source = 0, .callNumber = 1, .orderSeqNumber = 1}).ok());
    ASSERT_TRUE(store->calls()
                    .insertItem({.source = 0, .callNumber = 1, .orderSeqNumber = 1, .itemSeqNumber = 1})
                    .ok());
    ASSERT_TRUE(store->audit().insertAudit({kMorning, kMorning, u"G"_s, u"Good call"_s, 1, u"F"_s}).ok());
}

struct RunnerCase {
    const char* name;
    const char* connection; // %1: a new database of the test server
    bool storeMade;
    int copiesBefore; // copies into the same database made first
    int exitCode;
    const char* said; // on stdout for exit 0, else on stderr
};

class StoreCopyRunnerTest : public ::testing::TestWithParam<RunnerCase> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(m_backends.setUp()); }
    test::BackendStores m_backends{StoreBackend::PostgreSQL};
    QTemporaryDir m_folder;
};

TEST_P(StoreCopyRunnerTest, SaysWhatItDidAndExitsWithItsCode) {
    const RunnerCase& row = GetParam();
    if (row.storeMade) {
        ASSERT_NO_FATAL_FAILURE(fillStore(m_folder.path()));
    }
    const QString connection = QString::fromUtf8(row.connection).arg(m_backends.newDatabase());
    for (int i = 0; i < row.copiesBefore; ++i) {
        ASSERT_EQ(StoreCopyRunner::copy(m_folder.path(), 4, connection).exitCode, ExitCode::kOk);
    }

    const StoreCopyRunner::Report report = StoreCopyRunner::copy(m_folder.path(), 4, connection);
    EXPECT_EQ(report.exitCode, row.exitCode) << report.errors.toStdString();
    const QString said = QString::fromUtf8(row.said).arg(
        QDir::toNativeSeparators(QDir(m_folder.path()).filePath(u"CallsAndOrders.db"_s)), connection);
    const QString& shown = row.exitCode == ExitCode::kOk ? report.output : report.errors;
    EXPECT_TRUE(shown.contains(said)) << shown.toStdString() << "\nexpected: " << said.toStdString();
    EXPECT_TRUE((row.exitCode == ExitCode::kOk ? report.errors : report.output).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StoreCopyRunnerTest,
    ::testing::Values(
        RunnerCase{
            "copied", "%1", true, 0, ExitCode::kOk,
            "Copied 2 calls, 1 orders, 1 items and 1 audit entries from %1 to the PostgreSQL store (%2) "
            "as workstation 4."},
        RunnerCase{"passwordInTheConnection", "%1 password=secret", true, 0, ExitCode::kStartFailed,
                   "Nothing was copied from %1: The connection given holds a password"},
        RunnerCase{"serverAway", "host=/nonexistent/socket/folder dbname=vrq", true, 0,
                   ExitCode::kStoreServerAway, "Nothing was copied from %1: Database connection failed"},
        RunnerCase{"targetHoldsRows", "%1", true, 1, ExitCode::kTargetNotEmpty,
                   "already holds rows of workstation 4 (Calls 2, Orders 1, OrderLineItems 1, Audit 1)"},
        RunnerCase{"noStoreInTheFolder", "%1", false, 0, ExitCode::kStartFailed,
                   "Nothing was copied from %1: The call store %1 cannot be read: There is no call store"}),
    test::RowName());

} // namespace
} // namespace vrq
