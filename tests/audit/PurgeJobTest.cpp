#include "audit/PurgeJob.h"
#include "audit/AuditExport.h"
#include "context/NetworkConnection.h"
#include "store/StoreDates.h"
#include "store/StoreProbe.h"
#include "support/IntakeFixture.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/TestNames.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QDateTime march(int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second));
}

// On 10 March with two days of history the cut-off is 8 March 00:00:00.
class PurgeJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.ctx.settings.daysOfHistory = 2;
        f.ctx.settings.lastDatePurged = march(9, 12);
    }
    Result purge() {
        NetworkConnection network(f.ctx);
        AuditExport auditExport(f.ctx, network);
        return PurgeJob(f.ctx, auditExport).purgeCalls();
    }
    void addCallWithOrder(int source, int callNumber, const QDateTime& when, bool good, bool complete,
                          bool extracted) {
        f.addCall(source, callNumber, 1, good, complete, extracted, when);
        f.addOrder(source, callNumber, 1);
        f.addItem(source, callNumber, 1, 1);
    }
    void addAudit(const QDateTime& audited, const QDateTime& event) {
        const AuditRow row{audited, event, u"I"_s, storeDateText(audited), 1, u"F"_s};
        ASSERT_TRUE(f.store->audit().insertAudit(row).ok());
    }
    ProgramFixture f{march(10, 0, 5)};
};

struct CallCase {
    const char* name;
    QDateTime callDnt;
    bool good;
    bool complete;
    bool extracted;
    bool purged;
};

class PurgeCallTest : public PurgeJobTest, public ::testing::WithParamInterface<CallCase> {};

// The same call number from the scanned folder, never sent, stays with its order and item beside it.
TEST_P(PurgeCallTest, OnlyFinishedCallsAtOrBeforeTheCutoffGo) {
    const CallCase& c = GetParam();
    addCallWithOrder(0, 17, c.callDnt, c.good, c.complete, c.extracted);
    addCallWithOrder(1, 17, march(1), true, true, false);
    ASSERT_TRUE(purge().ok());
    EXPECT_EQ(!f.call(0, 17).has_value(), c.purged);
    EXPECT_EQ(f.store->calls().ordersOfCall(0, 17).empty(), c.purged);
    EXPECT_EQ(f.store->calls().itemsOfOrder(0, 17, 1).empty(), c.purged);
    EXPECT_TRUE(f.call(1, 17) && f.store->calls().ordersOfCall(1, 17).size() +
                                         f.store->calls().itemsOfOrder(1, 17, 1).size() ==
                                     2);
    const std::vector<RecordingUserInterface::Display> removed{{0, 17, CallDisplay::Remove}};
    EXPECT_EQ(f.ui.displayed, c.purged ? removed : std::vector<RecordingUserInterface::Display>{});
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PurgeCallTest,
    ::testing::Values(CallCase{"BadAndOld", march(7, 10), false, true, false, true},
                      CallCase{"ExtractedAtTheCutoff", march(8), true, true, true, true},
                      CallCase{"ExtractedJustAfterTheCutoff", march(8, 0, 0, 1), true, true, true, false},
                      CallCase{"GoodNeverExtracted", march(1), true, true, false, false},
                      CallCase{"IncompleteBad", QDateTime(QDate(2025, 1, 1), QTime(0, 0)), false, false,
                               false, false},
                      CallCase{"IncompleteGoodExtracted", march(1), true, false, true, false}),
    RowName());

TEST_F(PurgeJobTest, AuditEntriesGoByTheirAuditTimeThenTheExportIsRewritten) {
    addAudit(march(7, 23, 59, 59), march(7, 23, 59, 59));
    addAudit(march(8), march(9)); // at the cut-off, even with a later event time
    addAudit(march(8, 0, 0, 1), march(1));
    addAudit(march(10), march(10));
    ASSERT_TRUE(purge().ok());
    EXPECT_EQ(f.auditTexts(), (QStringList{u"I|2026-03-08 00:00:01"_s, u"I|2026-03-10 00:00:00"_s}));
    EXPECT_EQ(f.hostFileBytes(u"VRQtoQX7.Aud"_s).count("\r\n"), 2);
    EXPECT_EQ(f.ctx.settings.lastDatePurged, march(10, 0, 5));
}

TEST_F(PurgeJobTest, AFailureIsHandedBackAndTheDateIsNotAdvanced) {
    addCallWithOrder(0, 17, march(1), false, true, false);
    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"DROP TABLE Audit"_s)));
    const Result result = purge();
    EXPECT_TRUE(!result.ok() && !result.message.isEmpty());
    EXPECT_EQ(f.ctx.settings.lastDatePurged, march(9, 12));
    EXPECT_FALSE(f.call(0, 17).has_value()) << "the calls purged before the failure stay purged";
    EXPECT_FALSE(f.store->units().inTransaction());
}

TEST_F(PurgeJobTest, ACallThatCannotBeDeletedKeepsItsOrders) {
    addCallWithOrder(0, 17, march(1), false, true, false);
    // Another program holds the store: the call's unit of work cannot start.
    Result opened;
    const std::unique_ptr<Store> other =
        openStoreFile(f.store->units().path(), StoreAccess::ReadWrite, &opened);
    ASSERT_TRUE(other) << opened.message.toStdString();
    StoreProbe otherProbe(*other);
    ASSERT_TRUE(succeeded(otherProbe.exec(u"BEGIN IMMEDIATE"_s)));
    ASSERT_TRUE(succeeded(StoreProbe(*f.store).setLockTimeout(0)));
    const Result result = purge();
    EXPECT_TRUE(succeeded(otherProbe.exec(u"ROLLBACK"_s)));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(f.call(0, 17).has_value());
    EXPECT_EQ(f.store->calls().allOrders().size(), 1u);
    EXPECT_TRUE(f.ui.displayed.empty());
}

// Which files the purge removes: spare copies and set-aside bad files changed before the cut-off (8 March);
// the ring's numbered copies, the first DataBin.Bad and the setup's set-aside files stay.
struct SpareCase {
    const char* name;
    const char* file; // "Audit/..." below the program folder, else in the DataBin folder
    QDateTime changed;
    bool removed;
};

class SpareFileTest : public PurgeJobTest, public ::testing::WithParamInterface<SpareCase> {};

TEST_P(SpareFileTest, GoesOnlyWhenASpareOlderThanTheHistory) {
    const SpareCase& c = GetParam();
    const QString name = QString::fromLatin1(c.file);
    const QString path =
        name.startsWith("Audit/"_L1) ? QDir(f.programFolder()).filePath(name) : f.dataBinFile(name);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(ProgramFixture::writeFile(path, "copy"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append) &&
                file.setFileTime(c.changed, QFileDevice::FileModificationTime));
    file.close();
    ASSERT_TRUE(purge().ok());
    EXPECT_EQ(!QFile::exists(path), c.removed);
    EXPECT_EQ(f.auditMessages(u"I"_s),
              c.removed
                  ? QStringList{u"Purge removed %1 spare audit copies and %2 set-aside DataBin.Bad files "
                                "older than 2 days."_s.arg(name.startsWith("Audit/"_L1) ? 1 : 0)
                                    .arg(name.startsWith("Audit/"_L1) ? 0 : 1)}
                  : QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SpareFileTest,
    ::testing::Values(SpareCase{"oldSpareDataBinCopy", "Audit/Databin.005.1", march(7, 23, 59, 59), true},
                      SpareCase{"spareDataBinCopyAtTheCutoff", "Audit/Databin.005.12", march(8), false},
                      SpareCase{"oldSpareScannedCopy", "Audit/File0005.3.Txt", march(1), true},
                      SpareCase{"oldRingCopy", "Audit/Databin.005", march(1), false},
                      SpareCase{"oldRingScannedCopy", "Audit/File0005.Txt", march(1), false},
                      SpareCase{"oldSetAsideBadFile", "DataBin.Bad.2", march(1), true},
                      SpareCase{"firstBadFile", "DataBin.Bad", march(1), false},
                      SpareCase{"setupSetAsideFile", "databin.sav.1", march(1), false}),
    RowName());

// The real disk, with the times of change of the simulated clock for the files moved (the lock written
// into a copy after its move does not count) and without the flushes of durable writes: durability is not
// what the tests using it check, and thousands of flushes take minutes.
class SimulatedDaysDisk : public FileSystem {
public:
    explicit SimulatedDaysDisk(const Clock& clock) : m_clock(clock) {}

    Result moveFile(const QString& from, const QString& to) override {
        const Result moved = FileSystem::moveFile(from, to);
        if (moved.ok())
            m_changed.insert(to, m_clock.now());
        return moved;
    }
    Result removeFile(const QString& path) override {
        m_changed.remove(path);
        return FileSystem::removeFile(path);
    }
    QDateTime lastModified(const QString& path) const override {
        return m_changed.value(path, FileSystem::lastModified(path));
    }
    // A new file each time: emptying one the disk holds makes the file system flush it on closing.
    Result writeFile(const QString& path, const QByteArray& bytes) override {
        QFile::remove(path);
        return FileSystem::writeFile(path, bytes);
    }
    Result writeFileDurably(const QString& path, const QByteArray& bytes) override {
        return writeFile(path, bytes);
    }
    Result replaceFileDurably(const QString& path, const QByteArray& bytes) override {
        return writeFile(path, bytes);
    }

private:
    const Clock& m_clock;
    QHash<QString, QDateTime> m_changed;
};

// 2,500 intakes over 12 simulated days with one day of history, a daily purge before each day's first:
// two busy days of 520 and 500 fill the whole ring with young copies, so spares are made; then 148 a day.
// After every day the folder holds the numbered copies and only spares younger than the cut-off, and no
// copy made since the cut-off is lost; in the end only the 1,000 numbered copies are left.
TEST_F(PurgeJobTest, TheAuditFolderKeepsItsBoundOverManyIntakes) {
    SimulatedDaysDisk disk(f.clock);
    f.ctx.fs = &disk;
    f.backend = SettingsBackend::openIniFile(f.iniPath(), disk);
    f.settingsStore = std::make_unique<SettingsStore>(*f.backend, f.clock);
    f.ctx.settingsStore = f.settingsStore.get();
    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"PRAGMA synchronous=OFF"_s)));
    f.ctx.settings.daysOfHistory = 1;
    DataBinIntake intake(f.ctx);
    const QRegularExpression ringCopy(u"^Databin\\.\\d{3}$"_s);
    const QString auditFolder = QDir(f.programFolder()).filePath(u"Audit"_s);
    std::vector<QDateTime> copiesMade;
    int callNumber = 0;
    int mostSpares = 0;
    QList<int> perDay{520, 500};
    perDay << QList<int>(10, 148);
    for (int day = 0; day < perDay.size(); ++day) {
        const QDate date = QDate(2026, 3, 1).addDays(day);
        f.clock.set(QDateTime(date, QTime(0, 5)));
        ASSERT_TRUE(purge().ok());
        const QDateTime cut = PurgeJob::cutoff(f.clock.now(), 1);
        int spares = 0, oldSpares = 0, young = 0;
        for (const QString& copy : QDir(auditFolder).entryList(QDir::Files)) {
            const bool isRing = ringCopy.match(copy).hasMatch();
            const QDateTime changed = disk.lastModified(QDir(auditFolder).filePath(copy));
            spares += !isRing;
            oldSpares += !isRing && changed < cut;
            young += changed >= cut;
        }
        const auto madeSinceCut = std::count_if(copiesMade.begin(), copiesMade.end(),
                                                [&](const QDateTime& made) { return made >= cut; });
        mostSpares = std::max(mostSpares, spares);
        EXPECT_EQ(oldSpares, 0) << "day " << day << " with " << spares << " spares";
        EXPECT_EQ(young, madeSinceCut) << "day " << day;
        for (int i = 0; i < perDay[day]; ++i) {
            f.clock.set(QDateTime(date, QTime(0, 10)).addSecs(i * 120));
            ASSERT_TRUE(ProgramFixture::writeFile(f.dataBinFile(),
                                                  testdata::fileHeader() + makeCall(++callNumber, "&S1&")));
            intake.run();
            ASSERT_FALSE(QFile::exists(f.dataBinFile())) << callNumber;
            copiesMade.push_back(f.clock.now());
        }
    }
    EXPECT_EQ(callNumber, 2500);
    EXPECT_EQ(mostSpares, 20) << "the busy days made spares";
    EXPECT_EQ(QDir(auditFolder).entryList(QDir::Files).size(), 1000) << "the busy days' spares are gone";
}

} // namespace
