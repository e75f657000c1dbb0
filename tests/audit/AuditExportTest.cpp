#include "audit/AuditExport.h"
#include "context/NetworkConnection.h"
#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/ScriptedFileSystem.h"
#include "support/TestNames.h"

#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second));
}

AuditRow entry(const QDateTime& audited, const char* type, const QString& msg = u"m"_s,
               QDateTime event = QDateTime()) {
    return {audited, event.isValid() ? event : audited, QLatin1String(type), msg, 1, u"F"_s};
}

class AuditExportTest : public ::testing::Test {
protected:
    void add(const AuditRow& row) { ASSERT_TRUE(f.store->audit().insertAudit(row).ok()); }
    Result save() { return AuditExport(f.ctx, network).saveAuditsToFile(); }
    QByteArray exportFile() const { return f.hostFileBytes(u"VRQtoQX7.Aud"_s); }
    QByteArray statusFile() const { return f.hostFileBytes(u"VRQtoQX7.Sts"_s); }

    ProgramFixture f;
    NetworkConnection network{f.ctx};
};

struct LineCase {
    const char* name;
    AuditRow row;
    QString expected;
};

class AuditExportLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(AuditExportLineTest, FieldsSitInTheirColumns) {
    EXPECT_EQ(AuditExport::exportLine(GetParam().row), GetParam().expected);
}

AuditRow fullRow(const QString& msg, qint64 seq = 345012) {
    return {at(10, 14, 7, 30), at(9, 23, 59, 58), u"G"_s, msg, seq, u"F"_s};
}

const QString kFullMessage = QString(149, u'x') + u'Z';

INSTANTIATE_TEST_SUITE_P(
    Rows, AuditExportLineTest,
    ::testing::Values(
        // 150 characters of message fill columns 44 to 193; 194 to 200 stay blank.
        LineCase{"FullMessage", fullRow(kFullMessage),
                 u"20260310 14:07:30.345 F 012 20260309235958G"_s + kFullMessage + QString(7, u' ')},
        LineCase{"ShortMessageIsPadded", fullRow(u"Hi"_s),
                 u"20260310 14:07:30.345 F 012 20260309235958GHi"_s + QString(155, u' ')},
        LineCase{"SmallSeqHasLeadingZeros", fullRow(u"a"_s, 7),
                 u"20260310 14:07:30.000 F 007 20260309235958Ga"_s + QString(156, u' ')},
        LineCase{"RowOlderThanSeqAndInstance",
                 {.auditDnt = at(10, 8, 0, 1), .eventDnt = at(10, 8, 0, 1), .type = u"I"_s, .msg = u"old"_s},
                 u"20260310 08:00:01.    -     20260310080001Iold"_s + QString(154, u' ')}),
    RowName());

TEST_F(AuditExportTest, WritesEveryTypedRowOldestFirstAndTwoRunsGiveTheSameFiles) {
    add(entry(at(10, 9, 0), "X"));
    add(entry(at(10, 8, 0), "G"));
    add(entry(at(10, 8, 30), "", u"untyped"_s));
    ASSERT_TRUE(save().ok());
    const QByteArray first = exportFile();
    ASSERT_EQ(first.size(), 2 * 202);
    EXPECT_EQ(first.mid(42, 1) + first.mid(200, 2) + first.mid(202 + 42, 1), QByteArray("G\r\nX"))
        << "the type column of each line, oldest first";
    const QByteArray firstStatus = statusFile();

    ASSERT_TRUE(save().ok());
    EXPECT_EQ(exportFile(), first);
    EXPECT_EQ(statusFile(), firstStatus);
}

struct StatusCase {
    const char* name;
    std::vector<AuditRow> rows;
    QByteArray expected;
};

class AuditStatusTest : public AuditExportTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(AuditStatusTest, OneLinePerRunOfDaysWithCalls) {
    for (const AuditRow& row : GetParam().rows)
        add(row);
    ASSERT_TRUE(save().ok());
    EXPECT_EQ(statusFile(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Days, AuditStatusTest,
    ::testing::Values(
        StatusCase{"OneGoodTwoBad",
                   {entry(at(9, 8, 0), "G"), entry(at(9, 8, 1), "B"), entry(at(9, 8, 2), "I"),
                    entry(at(9, 8, 3), "B")},
                   "03/09/2026   1  Good    2  Bad    33  % Success\r\n"},
        StatusCase{"DayWithoutCallsHasNoLine",
                   {entry(at(8, 8, 0), "I"), entry(at(8, 9, 0), "X"), entry(at(9, 8, 0), "G")},
                   "03/09/2026   1  Good    0  Bad    100  % Success\r\n"},
        StatusCase{"OnlyInformationGivesAnEmptyFile", {entry(at(8, 8, 0), "I"), entry(at(8, 9, 0), "X")}, ""},
        // A call saved just after midnight carries the previous day's call time: a run of its own.
        StatusCase{"CallSavedAfterMidnightStartsANewRun",
                   {entry(at(9, 23, 50), "G"), entry(at(10, 0, 1), "B", u"late"_s, at(9, 23, 59)),
                    entry(at(10, 0, 2), "G"), entry(at(10, 0, 3), "G", u"late"_s, at(9, 23, 58))},
                   "03/09/2026   1  Good    1  Bad    50  % Success\r\n"
                   "03/10/2026   1  Good    0  Bad    100  % Success\r\n"
                   "03/09/2026   1  Good    0  Bad    100  % Success\r\n"}),
    RowName());

// A failure of the store, in writing the reconnection's entry or in reading the log, fails the export.
TEST_F(AuditExportTest, AStoreFailureIsHandedToTheCaller) {
    add(entry(at(10, 8, 0), "G"));
    f.loseHostFolder();
    f.drives.onConnected = [this] { f.restoreHostFolder(); };
    f.failAuditEntries(u"Network connection established."_s);
    Result result = save();
    EXPECT_TRUE(!result.ok() && result.message.startsWith(u"SaveAuditsToFile: Err ="_s) &&
                result.message.contains(u"database or disk is full"_s))
        << result.message.toStdString();
    EXPECT_TRUE(f.hostFiles().isEmpty());

    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"DROP TABLE Audit"_s)));
    result = save();
    EXPECT_TRUE(!result.ok() && result.message.startsWith(u"SaveAuditsToFile: Err ="_s))
        << result.message.toStdString();
}

// --- what an export tells the person who asked for it ---------------------------------------------

using Done = AuditExportOutcome::Done;

enum class Arrange { TwoDaysOfCalls, NoFolderSet, EmptyLog, FolderStaysAway, StatusFileRefused, DiskFull };

struct OutcomeCase {
    const char* name;
    Arrange arrange;
    Done done;
    const char* saying; // a part of the text shown
    bool failsTheCaller;
};

class AuditOutcomeTest : public AuditExportTest, public ::testing::WithParamInterface<OutcomeCase> {
protected:
    void arrange(Arrange a) {
        if (a != Arrange::EmptyLog) {
            add(entry(at(9, 8, 0), "G"));
            add(entry(at(10, 8, 0), "B"));
            add(entry(at(10, 9, 0), "I"));
        }
        switch (a) {
        case Arrange::NoFolderSet:
            f.ctx.settings.qx7Path = u"  "_s;
            break;
        case Arrange::FolderStaysAway:
            f.loseHostFolder();
            f.drives.connectResult = 67;
            break;
        case Arrange::StatusFileRefused:
            disk.emplace(std::initializer_list<FsRule>{failing(FsOp::WriteDurably, u".Sts"_s, EACCES)});
            f.ctx.fs = &*disk;
            break;
        case Arrange::DiskFull:
            disk.emplace(std::initializer_list<FsRule>{failing(FsOp::WriteDurably, u".Aud"_s, ENOSPC, 2)});
            f.ctx.fs = &*disk;
            break;
        case Arrange::TwoDaysOfCalls:
        case Arrange::EmptyLog:
            break;
        }
    }

    std::optional<ScriptedFileSystem> disk;
};

TEST_P(AuditOutcomeTest, SaysWhatWasWrittenOrWhyNothingWas) {
    const OutcomeCase c = GetParam();
    arrange(c.arrange);
    const AuditExportOutcome outcome = AuditExport(f.ctx, network).exportAudits();

    EXPECT_EQ(outcome.done, c.done) << outcome.text().toStdString();
    EXPECT_TRUE(outcome.text().contains(QString::fromUtf8(c.saying))) << outcome.text().toStdString();
    EXPECT_EQ(outcome.result.ok(), !c.failsTheCaller) << "only a failure is handed on as one";
    if (outcome.written()) {
        EXPECT_EQ(outcome.exportFile, f.hostFile(u"VRQtoQX7.Aud"_s));
        EXPECT_EQ(exportFile().size(), outcome.entries * 202);
        EXPECT_EQ(statusFile().count('\n'), outcome.dayLines);
    } else if (c.arrange == Arrange::StatusFileRefused || c.arrange == Arrange::DiskFull) {
        EXPECT_TRUE(QFile::exists(f.hostFile(u"VRQtoQX7.Aud"_s)) && exportFile().isEmpty())
            << "never half a log";
    } else if (c.arrange == Arrange::FolderStaysAway) {
        EXPECT_EQ(f.auditTexts().mid(f.auditTexts().size() - 2),
                  (QStringList{u"L|Network connection lost."_s,
                               u"E|Network connection cannot be re-established at this time."_s}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, AuditOutcomeTest,
    ::testing::Values(
        OutcomeCase{"Written", Arrange::TwoDaysOfCalls, Done::Written, "Saved 3 audit entries to ", false},
        OutcomeCase{"WrittenNamesTheStatusFile", Arrange::TwoDaysOfCalls, Done::Written,
                    "and 2 lines of call counts to ", false},
        OutcomeCase{"NoFolderSet", Arrange::NoFolderSet, Done::FolderNotSet, "no host folder is set", false},
        OutcomeCase{"EmptyLog", Arrange::EmptyLog, Done::NoEntries, "the audit log holds no entry", false},
        OutcomeCase{"FolderStaysAway", Arrange::FolderStaysAway, Done::FolderAway,
                    "the host folder cannot be reached", false},
        OutcomeCase{"StatusFileRefused", Arrange::StatusFileRefused, Done::FilesNotCreated,
                    "VRQtoQX7.Sts could not be created", false},
        OutcomeCase{"DiskFull", Arrange::DiskFull, Done::Failed, "No space left", true}),
    RowName());

} // namespace
