#include "export/OrderExport.h"
#include "context/NetworkConnection.h"
#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <QFile>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QString rcvName(int number) {
    return u"QX77%1.Rcv"_s.arg(number, 4, 10, QLatin1Char('0'));
}

class OrderExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.ctx.settings.systemId = 7;
        f.ctx.settings.lastSeqNum = 41;
    }
    void extract() { exporter.extractCalls(); }

    ProgramFixture f;
    NetworkConnection network{f.ctx};
    OrderExport exporter{f.ctx, network}; // one for the run, as the program has
};

TEST_F(OrderExportTest, TwoOrdersBecomeOneFileNamedBySystemAndSequence) {
    f.addCall(0, 17, 2);
    f.addOrder(0, 17, 1);
    for (int i = 1; i <= 3; ++i)
        f.addItem(0, 17, 1, i, i);
    f.addOrder(0, 17, 2, u"C2"_s, std::nullopt);
    f.addItem(0, 17, 2, 1, -5);

    extract();

    EXPECT_EQ(f.hostFiles(), QStringList{u"QX770042.Rcv"_s});
    EXPECT_EQ(f.hostFileBytes(rcvName(42)), "HSP01    C1    01MSG                    260310R7    \r\n"
                                            "IITEM         001+10000000\r\n"
                                            "IITEM         002+10000000\r\n"
                                            "IITEM         003+10000000\r\n"
                                            "HSP01    C2      MSG                    260310R7    \r\n"
                                            "IITEM         005-10000000\r\n");

    const auto call = f.call(0, 17);
    EXPECT_EQ(call->extractedCall ? call->extractedFileName : u"unmarked"_s, u"QX770042.Rcv"_s);
    EXPECT_EQ(call->extractedDnt, QDateTime(QDate(2026, 3, 10), QTime(14, 7, 30)));
    EXPECT_EQ(f.ctx.settings.lastSeqNum, 42);
    EXPECT_EQ(f.savedSetting(u"QX7"_s, u"LastSeqNum"_s), u"42"_s);
    EXPECT_EQ(f.auditTexts(), (QStringList{u"I|ExtractCalls (Call # 17): I:\\QX7Com\\QX770042.Tmp bytes."_s,
                                           u"I|ExtractCalls (Call # 17): I:\\QX7Com\\QX770042.Rcv bytes."_s,
                                           u"X|Extracted call # 17"_s}));
    EXPECT_EQ(f.ui.displayed,
              (std::vector<RecordingUserInterface::Display>{{0, 17, CallDisplay::Extracted}}));
    EXPECT_FALSE(ExportRecovery(*f.fs, f.programFolder()).load({0, 17}).has_value());
}

// Which calls are pending is the store's to say; the export keeps the two sources apart.
TEST_F(OrderExportTest, TheSameNumberFromBothSourcesGivesTwoFilesInStoreOrder) {
    for (int source : {0, 1}) {
        f.addCall(source, 30, 1);
        f.addOrder(source, 30, 1, source == 0 ? u"FIRST"_s : u"SECOND"_s);
    }
    extract();
    EXPECT_EQ(f.hostFiles(), (QStringList{rcvName(42), rcvName(43)}));
    EXPECT_TRUE(f.hostFileBytes(rcvName(42)).contains("FIRST"));
    EXPECT_TRUE(f.hostFileBytes(rcvName(43)).contains("SECOND"));
}

struct WaitingCase {
    const char* name;
    int lastSeqNum;
    std::vector<int> waiting; // numbers whose ".Rcv" the host has not collected yet
    const char* sentAs;
    int passedOver;
};

class OrderExportWaitingTest : public OrderExportTest, public ::testing::WithParamInterface<WaitingCase> {};

TEST_P(OrderExportWaitingTest, AWaitingRcvIsNeverReplacedAndItsNumberIsPassedOver) {
    f.ctx.settings.lastSeqNum = static_cast<qint16>(GetParam().lastSeqNum);
    for (int number : GetParam().waiting)
        ASSERT_TRUE(ProgramFixture::writeFile(f.hostFile(rcvName(number)), "not yet collected\r\n"));
    f.addPendingCall(0, 17);

    extract();
    EXPECT_EQ(f.call(0, 17)->extractedFileName, QLatin1String(GetParam().sentAs));
    for (int number : GetParam().waiting)
        EXPECT_EQ(f.hostFileBytes(rcvName(number)), QByteArray("not yet collected\r\n"));
    EXPECT_EQ(f.auditTexts().filter(u"E|"_s), QStringList());
    EXPECT_EQ(
        f.auditTexts().filter(u"passed over"_s),
        QStringList{
            u"W|OpenOutputFile: passed over %1 number(s) whose order file is still in the host folder."_s.arg(
                GetParam().passedOver)});
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, OrderExportWaitingTest,
    ::testing::Values(WaitingCase{"NextNumberWaiting", 41, {42}, "QX770043.Rcv", 1},
                      WaitingCase{"WaitingAcrossTheWrap", 9898, {9899, 9900, 1}, "QX770002.Rcv", 3}),
    RowName());

TEST_F(OrderExportTest, AnEmptyFileIsDeletedAndTheCallRetriedUnderANewNumber) {
    f.addCall(0, 17, 1); // counts one order, but the order rows are missing
    extract();
    EXPECT_TRUE(f.hostFiles().isEmpty());
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_TRUE(f.auditTexts().contains(
        u"E|ExtractCalls Error: Empty extracted file, so exit and try again on the next pass."_s));
    EXPECT_EQ(f.savedSetting(u"QX7"_s, u"LastSeqNum"_s), u"42"_s);

    extract();
    EXPECT_EQ(f.ctx.settings.lastSeqNum, 43);
    EXPECT_TRUE(f.auditTexts().contains(u"I|ExtractCalls (Call # 17): I:\\QX7Com\\QX770043.Tmp bytes."_s));
}

// A call without orders has nothing to send: it is marked extracted with no file name, leaves nothing in
// the host folder and uses no number.
TEST_F(OrderExportTest, ACallWithoutOrdersIsMarkedExtractedWithoutAFileOrANumber) {
    f.addCall(0, 17, 0);
    f.addPendingCall(0, 18);
    extract();
    EXPECT_EQ(f.hostFiles(), QStringList{rcvName(42)});
    const auto call = f.call(0, 17);
    EXPECT_EQ(call->extractedCall ? call->extractedFileName : u"unmarked"_s, QString());
    EXPECT_EQ(f.call(0, 18)->extractedFileName, rcvName(42));
    EXPECT_EQ(f.auditTexts().mid(0, 2),
              (QStringList{u"W|ExtractCalls (Call # 17): Has no orders."_s, u"X|Extracted call # 17"_s}));
}

// The host's collector reads the share as another user; the service runs with umask 0027.
TEST_F(OrderExportTest, AnOrderFileIsReadableByEveryoneWhateverTheUmask) {
    f.addPendingCall(0, 17);
    const mode_t umaskBefore = ::umask(0027);
    extract();
    ::umask(umaskBefore);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(f.hostFile(rcvName(42))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

// A stored setting that names the host folder, the order files or the host, blank or in a form the
// program cannot use: every call is held, each pass a failed step, with one entry and one message for
// each run of held passes (about a blank folder, by the box about an unset connection when the drive
// letter is blank too). Once corrected, the calls go (a folder without a closing separator is used with
// one) and the setting is saved as written.
struct HoldingSetting {
    const char* name;
    const char* key; // in the [QX7] section
    QString text;
    QString corrected;
    const char* shown; // the message, in part
    const char* localDrive = "I";
};

class OrderExportHoldTest : public OrderExportTest, public ::testing::WithParamInterface<HoldingSetting> {
protected:
    void loadSettings(const QString& text) {
        f.backend->setValue(u"QX7"_s, u"QX7Name"_s, u"HOST"_s);
        f.backend->setValue(u"QX7"_s, u"SystemID"_s, u"7"_s);
        f.backend->setValue(u"QX7"_s, u"LocalDrive"_s, QLatin1String(GetParam().localDrive));
        f.backend->setValue(u"QX7"_s, QLatin1String(GetParam().key), text);
        f.backend->sync();
        f.settingsStore->load(f.ctx.settings);
    }
    QStringList holdEntries() { return f.auditTexts().filter(u"E|"_s).filter(QLatin1String(GetParam().key)); }
};

TEST_P(OrderExportHoldTest, HoldsEveryCallUntilTheSettingIsCorrected) {
    const HoldingSetting& p = GetParam();
    loadSettings(p.text);
    f.addPendingCall(0, 17);
    extract();
    extract();
    EXPECT_TRUE(f.hostFiles().isEmpty()) << f.hostFiles().join(u' ').toStdString();
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(holdEntries().size(), 1) << "one entry for the run of held passes";
    ASSERT_EQ(f.ui.messages.size(), 1) << f.ui.messages.join(u'\n').toStdString();
    EXPECT_TRUE(f.ui.messages[0].contains(QLatin1String(p.shown))) << f.ui.messages[0].toStdString();
    EXPECT_EQ(f.ctx.status.failedSteps, 2);

    loadSettings(p.corrected);
    extract();
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(f.hostFiles(), QStringList{u"QX770001.Rcv"_s});
    EXPECT_EQ(f.savedSetting(u"QX7"_s, QLatin1String(p.key)), p.corrected);
    EXPECT_EQ(f.savedSetting(u"QX7"_s, u"LocalDrive"_s), QLatin1String(p.localDrive));

    loadSettings(p.text);
    f.addPendingCall(0, 18);
    extract();
    EXPECT_FALSE(f.call(0, 18)->extractedCall);
    EXPECT_EQ(holdEntries().size(), 2) << "a new run of held passes has its own entry";
    EXPECT_EQ(f.ui.messages.size(), *p.localDrive ? 2 : 1) << "the unset connection's box: once per run";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, OrderExportHoldTest,
    ::testing::Values(HoldingSetting{"HostFolderBlank", "QX7Path", u"   "_s, u"I:\\QX7Com"_s,
                                     "(QX7Path) is set in Properties."},
                      HoldingSetting{"HostFolderAndDriveBlank", "QX7Path", u"   "_s, u"I:\\QX7Com"_s,
                                     "The network connection has not been set up.", ""},
                      HoldingSetting{"SystemIdNotANumber", "SystemID", u"1x"_s, u"7"_s,
                                     "QX7\\SystemID holds \"1x\""},
                      HoldingSetting{"HostNameLongerThanItsField", "QX7Name", QString(97, u'n'), u"HOST"_s,
                                     "QX7\\QX7Name holds"}),
    RowName());

// A row written by another program may hold a fraction: halves go to the even neighbour.
TEST_F(OrderExportTest, FractionsGoToTheEvenNeighbour) {
    const std::vector<std::pair<double, QByteArray>> rows{{2.5, "002+"}, {3.5, "004+"}, {-0.5, "000+"}};
    for (int call = 1; call <= int(rows.size()); ++call) {
        f.addPendingCall(0, call, 1);
        ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(
            u"UPDATE OrderLineItems SET Quantity = %1 WHERE CallNumber = %2"_s.arg(rows[call - 1].first)
                .arg(call))));
    }
    extract();
    for (int call = 1; call <= int(rows.size()); ++call)
        EXPECT_EQ(f.hostFileBytes(rcvName(41 + call)).mid(54 + 14, 4), rows[call - 1].second)
            << rows[call - 1].first;
}

// A value the order file needs that reads as Null in the store (a row written by another program or
// by hand): the call is held with an error entry and the next call goes out.
struct NullCase {
    const char* name;
    const char* table;
    const char* column;
    bool held; // false: the column has a rule for Null and the call goes out
};

class OrderExportNullTest : public OrderExportTest, public ::testing::WithParamInterface<NullCase> {};

TEST_P(OrderExportNullTest, AMissingValueHoldsItsCallAndThePassGoesOn) {
    const NullCase& c = GetParam();
    for (int number : {17, 18})
        f.addPendingCall(0, number, 1);
    const auto setValue = [&](const char* value) {
        EXPECT_TRUE(succeeded(StoreProbe(*f.store).exec(u"UPDATE %1 SET %2 = %3 WHERE CallNumber = 17"_s.arg(
            QLatin1String(c.table), QLatin1String(c.column), QLatin1String(value)))));
    };
    setValue("NULL");
    extract();

    EXPECT_EQ(f.call(0, 17)->extractedCall, !c.held);
    EXPECT_TRUE(f.call(0, 18)->extractedCall) << "the pass goes on with the next call";
    const QStringList errors = f.auditTexts().filter(u"E|"_s);
    if (c.held) {
        ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
        EXPECT_TRUE(errors[0].startsWith(u"E|ExtractCalls: Err = 94 - Invalid use of Null"_s) &&
                    errors[0].contains(u"# 17"_s) && errors[0].contains(QLatin1String(c.column)))
            << errors[0].toStdString();
        EXPECT_EQ(f.hostFiles().filter(u".Rcv"_s), QStringList{f.call(0, 18)->extractedFileName})
            << "nothing is sent for the held call";
    } else {
        EXPECT_EQ(errors, QStringList());
    }

    // Once the value is there, the held call goes out.
    setValue("'1'");
    extract();
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
}

INSTANTIATE_TEST_SUITE_P(Columns, OrderExportNullTest,
                         ::testing::Values(NullCase{"Salesperson", "Orders", "Salesperson", true},
                                           NullCase{"Message", "Orders", "Message", true},
                                           NullCase{"ShipToGivesTwoBlanks", "Orders", "ShipTo", false},
                                           NullCase{"ItemNumber", "OrderLineItems", "ItemNumber", true},
                                           NullCase{"PriceOverride", "OrderLineItems", "PriceOverride",
                                                    true}),
                         RowName());

// An audit entry the store refuses fails the step that wrote it: the pass ends with its error entry
// and no call is marked extracted on the strength of a lost entry. Call 1 (no orders unless the row
// gives it one, set up by the row) comes first; call 17 waits behind it.
struct LostEntryCase {
    const char* name;
    const char* refused; // LIKE pattern of the refused entry
    std::function<void(ProgramFixture&)> arrange = nullptr;
    int ordersOfCall1 = 0;
    bool diskFull = false;
};

class OrderExportLostEntryTest : public OrderExportTest,
                                 public ::testing::WithParamInterface<LostEntryCase> {};

TEST_P(OrderExportLostEntryTest, ARefusedEntryFailsThePass) {
    const LostEntryCase& c = GetParam();
    f.addCall(0, 1, c.ordersOfCall1);
    if (c.arrange)
        c.arrange(f);
    f.addPendingCall(0, 17, 1);
    ScriptedFileSystem disk{failing(FsOp::WriteFile, u".Tmp"_s, ENOSPC)}; // the ".Tmp" cannot be created
    if (c.diskFull)
        f.ctx.fs = &disk;
    f.failAuditEntries(QLatin1String(c.refused));
    extract();

    EXPECT_FALSE(f.call(0, 1)->extractedCall);
    EXPECT_FALSE(f.call(0, 17)->extractedCall);
    const QStringList errors = f.auditTexts().filter(u"E|ExtractCalls: Err ="_s);
    ASSERT_EQ(errors.size(), 1) << f.auditTexts().join(u'\n').toStdString();
    EXPECT_TRUE(errors[0].contains(u"database or disk is full"_s)) << errors[0].toStdString();

    // With the store taking entries again, call 17 goes out once.
    f.failAuditEntries(QString());
    f.ctx.fs = f.fs;
    extract();
    EXPECT_TRUE(f.call(0, 17)->extractedCall);
    EXPECT_EQ(f.hostFiles().filter(u".Rcv"_s), QStringList{f.call(0, 17)->extractedFileName});
}

INSTANTIATE_TEST_SUITE_P(
    Entries, OrderExportLostEntryTest,
    ::testing::Values(LostEntryCase{"HasNoOrders", "%Has no orders%"},
                      LostEntryCase{"EmptyFile", "%Empty extracted file%", {}, 1},
                      LostEntryCase{"OpenOutputFileError", "OpenOutputFile: Err%", {}, 1, true},
                      LostEntryCase{"ConnectionLost", "Network connection lost.",
                                    [](ProgramFixture& f) {
                                        f.ctx.settings.monitorNetwork = false;
                                        f.loseHostFolder();
                                        f.drives.onConnected = [&f] { f.restoreHostFolder(); };
                                    }},
                      LostEntryCase{"UndeliveredFile", "%was not delivered%",
                                    [](ProgramFixture& f) {
                                        const QString tmp = f.hostFile(u"QX770030.Tmp"_s);
                                        ASSERT_TRUE(ProgramFixture::writeFile(tmp, "H\r\n"));
                                        ASSERT_TRUE(ExportRecovery(*f.fs, f.programFolder())
                                                        .save({0, 1, u"QX770030.Rcv"_s, tmp,
                                                               f.hostFile(u"QX770030.Rcv"_s)}));
                                    }}),
    RowName());

// The pass waits for the host folder with the windows open: a call a person marks sent meanwhile is
// not sent again, and one added meanwhile goes with the rest.
TEST_F(OrderExportTest, CallsChangedWhileThePassWaitsForTheHostFolderAreReadAgain) {
    f.ctx.settings.monitorNetwork = false;
    f.addPendingCall(0, 1, 1);
    f.addPendingCall(0, 2, 1);
    f.loseHostFolder();
    f.drives.connectResult = 53;
    f.ui.beforeRetry = [&](int) {
        ASSERT_TRUE(f.store->calls().setExtracted(0, 1, true).ok());
        f.addPendingCall(0, 3, 1);
        f.restoreHostFolder();
    };
    extract();
    EXPECT_EQ(f.hostFiles(), (QStringList{rcvName(42), rcvName(43)}));
    EXPECT_EQ(f.call(0, 1)->extractedFileName, QString());
    EXPECT_EQ(f.call(0, 2)->extractedFileName, rcvName(42));
    EXPECT_EQ(f.call(0, 3)->extractedFileName, rcvName(43));
}

// The host stops collecting: every number has its ".Rcv" waiting and thousands of calls are pending.
TEST_F(OrderExportTest, WithEveryNumberTakenAPassStopsAtOnceWithOneEntryPerRunOfSuchPasses) {
    constexpr int kCalls = 3000;
    for (int number = 1; number <= 9900; ++number)
        ASSERT_TRUE(ProgramFixture::writeFile(f.hostFile(rcvName(number)), {}));
    ASSERT_TRUE(f.store->units().begin().ok());
    for (int number = 1; number <= kCalls; ++number)
        f.addPendingCall(0, number);
    ASSERT_TRUE(f.store->units().commit().ok());
    const QString inUse = u"E|OpenOutputFile: Err = 17 - every order file number is in use in "
                          "I:\\QX7Com\\"_s;

    extract();
    EXPECT_EQ(f.auditTexts(), QStringList{inUse});
    extract();
    EXPECT_EQ(f.auditTexts(), QStringList{inUse}) << "a later pass that still finds none adds nothing";
    EXPECT_FALSE(f.call(0, 1)->extractedCall);

    // The host collects one file: one call goes out, and the next call finds none again.
    ASSERT_TRUE(QFile::remove(f.hostFile(u"QX770050.Rcv"_s)));
    extract();
    EXPECT_EQ(f.call(0, 1)->extractedFileName, u"QX770050.Rcv"_s);
    EXPECT_FALSE(f.call(0, 2)->extractedCall);
    EXPECT_EQ(f.auditTexts().filter(inUse).size(), 2);
    EXPECT_EQ(f.auditTexts().filter(u"X|"_s).size(), 1);
    EXPECT_EQ(f.hostFiles().size(), 9900);
}

// The host folder is matched once per pass: a pass after the share changed the folder's letter case
// writes into the folder as it is now named.
TEST_F(OrderExportTest, EachPassMatchesTheHostFolderAgain) {
    const QString renamed = f.path(u"host/qx7com"_s);
    f.addPendingCall(0, 1, 1);
    extract();
    ASSERT_TRUE(QDir().rename(f.hostFolder(), renamed));
    f.addPendingCall(0, 2, 1);
    extract();
    EXPECT_EQ(QDir(renamed).entryList({u"*.Rcv"_s}, QDir::Files).size(), 2)
        << f.auditTexts().join(u'\n').toStdString();
}

} // namespace
