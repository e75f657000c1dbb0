// One program per workstation of a shared PostgreSQL store: a second copy with the same workstation (a
// copied settings file) is refused as a second copy on one program folder is, and a copy cut off from the
// server finds its workstation taken when it comes back.
#include "ReliabilitySupport.h"
#include "platform/SettingsBackend.h"
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

std::unique_ptr<Store> openWorkstation(const QString& connection, int workstation) {
    StoreLocation location{
        .backend = StoreBackend::PostgreSQL, .connection = connection, .workstation = workstation};
    Result opened;
    std::unique_ptr<Store> store = openStore(location, StoreAccess::ReadWrite, &opened);
    EXPECT_TRUE(store) << opened.message.toStdString();
    return store;
}

// The server lets a lock go when the session that held it has ended, a moment after its program closed
// the connection: the claim is tried until then.
Result claimOnceFree(StoreUnits& units) {
    Result claimed = units.claimWorkstation();
    for (QDeadlineTimer deadline(10000); claimed.isInUse() && !deadline.hasExpired(); QThread::msleep(20))
        claimed = units.claimWorkstation();
    return claimed;
}

Result reconnectOnceFree(StoreUnits& units) {
    Result back = units.reconnect();
    for (QDeadlineTimer deadline(10000); back.isInUse() && !deadline.hasExpired(); QThread::msleep(20))
        back = units.reconnect();
    return back;
}

class WorkstationClaimTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        ASSERT_TRUE(database.created()) << database.error().toStdString();
    }

    test::PgTestDatabase database;
};

TEST_F(WorkstationClaimTest, OneStorePerWorkstationHoldsTheClaimUntilItCloses) {
    std::unique_ptr<Store> first = openWorkstation(database.conninfo(), 1);
    std::unique_ptr<Store> second = openWorkstation(database.conninfo(), 1);
    const std::unique_ptr<Store> other = openWorkstation(database.conninfo(), 2);
    ASSERT_TRUE(first && second && other);
    EXPECT_TRUE(test::succeeded(first->units().claimWorkstation()));
    EXPECT_TRUE(test::succeeded(first->units().claimWorkstation())) << "claimed once, held";
    const Result refused = second->units().claimWorkstation();
    EXPECT_TRUE(refused.isInUse()) << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains(u"workstation 1 is in use by another copy of the program"_s))
        << refused.message.toStdString();
    EXPECT_TRUE(test::succeeded(other->units().claimWorkstation())) << "another workstation";
    first.reset();
    EXPECT_TRUE(test::succeeded(claimOnceFree(second->units()))) << "free once the first has closed";
}

// The first copy loses its connection; a second one takes the workstation; the first, back, is refused
// until the second has stopped.
TEST_F(WorkstationClaimTest, ACopyCutOffFindsItsWorkstationTakenWhenItComesBack) {
    const std::unique_ptr<Store> first = openWorkstation(database.conninfo(), 1);
    std::unique_ptr<Store> second = openWorkstation(database.conninfo(), 1);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(test::succeeded(first->units().claimWorkstation()));
    ASSERT_TRUE(test::succeeded(StoreProbe(*second).exec(
        u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
        "AND pid <> pg_backend_pid()"_s)));
    ASSERT_TRUE(test::succeeded(second->units().claimWorkstation()));

    EXPECT_TRUE(first->units().writable(WriteTrial::Write).isUnreachable());
    EXPECT_TRUE(first->units().reconnect().isInUse());
    EXPECT_TRUE(first->units().reconnect().isInUse()) << "asked again at every try";
    second.reset();
    EXPECT_TRUE(test::succeeded(reconnectOnceFree(first->units())));
    EXPECT_TRUE(test::succeeded(first->units().writable(WriteTrial::Write)));
}

// The built program: a service holds workstation 1; a pass with a copied settings file (workstation 1,
// another program folder) exits 75 and touches nothing; workstation 2 runs, and so does a file checked
// in batch mode beside the service.
TEST_F(WorkstationClaimTest, ASecondCopyOnTheSameWorkstationExits75) {
    auto sandboxFor = [&](int workstation) {
        auto sandbox = std::make_unique<reliability::Sandbox>(
            reliability::Sandbox::Options{.storeConnection = database.conninfo()});
        auto settings = SettingsBackend::openIniFile(sandbox->environment().value(u"VRQTOQX7_SETTINGS"_s));
        settings->setValue(u"Store"_s, u"Workstation"_s, QString::number(workstation));
        EXPECT_TRUE(settings->sync().ok());
        return sandbox;
    };
    const std::unique_ptr<reliability::Sandbox> serviceFolder = sandboxFor(1);
    const std::unique_ptr<reliability::Sandbox> copiedFolder = sandboxFor(1);
    const std::unique_ptr<reliability::Sandbox> otherFolder = sandboxFor(2);

    std::unique_ptr<QProcess> service = serviceFolder->start(reliability::programPath(), {u"--service"_s});
    pg::Connection admin;
    ASSERT_TRUE(test::succeeded(admin.open(database.conninfo())));
    bool held = false;
    for (QDeadlineTimer deadline(60000); !held && !deadline.hasExpired(); QThread::msleep(50)) {
        pg::Rows rows;
        // pg_locks shows every database of the server: other tests' programs hold workstation 1 too.
        ASSERT_TRUE(
            test::succeeded(admin.query(u"SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' "
                                        "AND classid = 7207003 AND objid = 1 AND granted AND database = "
                                        "(SELECT oid FROM pg_database WHERE datname = current_database())"_s,
                                        {}, &rows)));
        held = rows.values.at(0).at(0) == u"1"_s;
    }
    ASSERT_TRUE(held) << "the service claimed workstation 1";

    QByteArray err;
    EXPECT_EQ(reliability::runToEnd(*copiedFolder, {u"--once"_s}, 60000, &err), 75);
    EXPECT_TRUE(err.contains("workstation 1 is in use by another copy of the program")) << err.toStdString();
    EXPECT_TRUE(err.contains("Nothing was done.")) << err.toStdString();
    pg::Rows starts;
    ASSERT_TRUE(test::succeeded(
        admin.query(u"SELECT Workstation, count(*) FROM Audit WHERE Msg LIKE 'Program started%' GROUP BY 1"_s,
                    {}, &starts)));
    ASSERT_EQ(starts.values.size(), 1u) << "no entry of the refused copy";
    EXPECT_EQ(starts.values[0][1], u"1"_s);

    err.clear();
    EXPECT_EQ(reliability::runToEnd(*otherFolder, {u"--once"_s}, 60000, &err), 0) << err.toStdString();

    // A file checked in batch mode beside the service stores no call and needs no claim.
    const QString checkFile = QDir(serviceFolder->root()).filePath(u"check.dat"_s);
    testdata::DataBinOptions checked;
    checked.calls = 3;
    QString error;
    ASSERT_TRUE(testdata::writeDataBin(checkFile, checked, nullptr, &error)) << error.toStdString();
    err.clear();
    EXPECT_EQ(reliability::runToEnd(*serviceFolder, {u"check"_s, checkFile}, 60000, &err), 0)
        << err.toStdString();

    service->terminate();
    EXPECT_TRUE(reliability::waitForEnd(*service, 60000));
    EXPECT_EQ(service->exitCode(), 0);
}

} // namespace
