// The store deleted or replaced under the running program: it stops taking calls in and sending them,
// keeps what the store held in a copy and says so once.
#include "shell/Application.h"
#include "shell/RunSummary.h"
#include "support/IntakeFixture.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

const QByteArray kOneItem = "&S123456&C12345678&I1234567890123&Q012+&";

// The application reacts to the store's fileMoved() alone; that a deleted file counts as moved as a
// replaced one does is StoreWritesTest's.
TEST(StoreLostTest, NothingIsTakenOrSentAndWhatTheStoreHeldIsKept) {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0))};
    RecordingUserInterface ui;
    ScriptedDriveMapper drives;
    const QString dataBin = dir.filePath(u"dcs/DataBin.Dat"_s);
    QDir().mkpath(dir.filePath(u"dcs"_s));
    const QString ini = dir.filePath(u"VRQToQX7.ini"_s);
    QSettings(ini, QSettings::IniFormat).setValue(u"QX7/DataBinPath"_s, dir.filePath(u"dcs/"_s));
    ApplicationSeams seams{.clock = &clock,
                           .drives = &drives,
                           .settingsBackend = SettingsBackend::openIniFile(ini),
                           .programFolder = dir.filePath(u"program"_s)};
    Application app(u'F', ui, std::move(seams));
    ASSERT_TRUE(app.startUp().ok());
    AppContext& ctx = app.context();
    ASSERT_TRUE(ProgramFixture::writeFile(dataBin, testdata::fileHeader() + makeCall(5, kOneItem)));
    app.runDataBinIntake();
    ASSERT_EQ(ctx.store->calls().pendingCallCount(), 1);

    const QString path = ctx.store->units().path();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(dir.filePath(u"program/Audit/Databin.000"_s), path)); // any other file
    const QByteArray waiting = testdata::fileHeader() + makeCall(6, kOneItem);
    ASSERT_TRUE(ProgramFixture::writeFile(dataBin, waiting));
    for (int pass = 0; pass < 2; ++pass) {
        app.runDataBinIntake();
        EXPECT_TRUE(app.runFolderScan().ok());
        app.runExport();
    }

    EXPECT_EQ(ProgramFixture::readFile(dataBin), waiting) << "left as it was";
    EXPECT_EQ(ui.messages.filter(u"No call is taken in or sent: "_s).size(), 1);
    EXPECT_EQ(ctx.status.failedSteps, 1);
    const QStringList kept = QDir(dir.filePath(u"program"_s)).entryList({u"CallsAndOrders-kept-*.db"_s});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(
        ctx.status.storeError.contains(u"was deleted or replaced while the program ran; what the program "
                                       "held is kept in "_s +
                                       dir.filePath(u"program/"_s + kept[0])))
        << ctx.status.storeError.toStdString();
    const auto copy = openStoreFile(dir.filePath(u"program/"_s + kept[0]), StoreAccess::ReadOnly);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->calls().pendingCallCount(), 1);
    const RunSummary summary{ctx.status, 1};
    EXPECT_TRUE(summary.line().contains(u"; no call is taken in or sent ("_s));
}

} // namespace
