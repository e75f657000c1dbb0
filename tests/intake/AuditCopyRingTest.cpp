#include "intake/FolderScan.h"
#include "support/IntakeFixture.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;
using namespace vrq::testdata;

namespace {

// The fixture's clock stands at 10 March 2026 with 14 days of history: the cut-off is 24 February 00:00.
const QDateTime kOld(QDate(2026, 2, 23), QTime(23, 59, 59));
const QDateTime kAtTheCutoff(QDate(2026, 2, 24), QTime(0, 0));

enum class Intake { DataBin, Scanned };

// A numbered audit copy in the ring's way: one changed before the cut-off is replaced as the ring
// intends, one changed since is kept and the file takes the next number, with a "W" entry.
struct RingCase {
    const char* name;
    Intake intake;
    std::vector<int> oldCopies;   // changed before the cut-off
    std::vector<int> youngCopies; // changed at the cut-off
    int used;                     // the number the file went to; the wanted one is 5
};

class AuditCopyRingTest : public IntakeTest, public ::testing::WithParamInterface<RingCase> {
protected:
    QString copyPath(int number) const {
        const QString name = GetParam().intake == Intake::DataBin
                                 ? u"Audit/Databin.%1"_s.arg(number, 3, 10, QLatin1Char('0'))
                                 : FolderScan::auditCopyName(number);
        return QDir(env.programFolder()).filePath(name);
    }
    void layCopy(int number, const QDateTime& changed) {
        QFile copy(copyPath(number));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write("earlier copy") > 0 && copy.flush());
        ASSERT_TRUE(copy.setFileTime(changed, QFileDevice::FileModificationTime));
    }
    // Takes one file in through the intake of the row; the bytes it took.
    QByteArray takeOneFile() {
        if (GetParam().intake == Intake::DataBin) {
            env.ctx.settings.nextDataBinNum = 5;
            const QByteArray bytes = fileHeader() + makeCall(12, "&S123456&C12345678&I1234567890123&Q012+&");
            takeIn(bytes);
            return bytes;
        }
        const QString folder = env.makeFolder(u"wbz"_s);
        env.ctx.settings.scannedFolder = folder;
        env.ctx.settingsStore->save(env.ctx.settings); // the scan reads its settings again
        env.ctx.settingsStore->saveLastScannedCallNum(4);
        QString error;
        EXPECT_TRUE(
            writeScannedFile(folder + u"x.txt"_s, generateScannedFile(Dialect::Standard, 1, 1, 1), &error));
        const QByteArray bytes = ProgramFixture::readFile(folder + u"x.txt"_s);
        FolderScan scan(env.ctx);
        scan.run();
        scan.run();
        return bytes;
    }
};

TEST_P(AuditCopyRingTest, AnOldCopyIsReplacedAYoungOneKept) {
    const RingCase& c = GetParam();
    QDir(env.programFolder()).mkpath(u"Audit"_s);
    for (int number : c.oldCopies)
        layCopy(number, kOld);
    for (int number : c.youngCopies)
        layCopy(number, kAtTheCutoff);

    const QByteArray taken = takeOneFile();
    EXPECT_EQ(ProgramFixture::readFile(copyPath(c.used)), taken);
    // Only the copy the file went to is replaced: the young ones and old ones after it stay.
    for (const std::vector<int>& copies : {c.youngCopies, c.oldCopies})
        for (int number : copies)
            if (number != c.used) {
                EXPECT_EQ(ProgramFixture::readFile(copyPath(number)), "earlier copy") << number;
            }
    EXPECT_EQ(env.auditMessages(u"W"_s).size(), c.used == 5 ? 0 : 1)
        << env.auditTexts().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Copies, AuditCopyRingTest,
    ::testing::Values(RingCase{"dataBinOldCopyReplaced", Intake::DataBin, {5, 6}, {}, 5},
                      RingCase{"dataBinCopyChangedAtTheCutoffKept", Intake::DataBin, {6}, {5}, 6},
                      RingCase{"dataBinYoungCopiesKeptUpToTheOldOne", Intake::DataBin, {7}, {5, 6}, 7},
                      RingCase{"scannedOldCopyReplaced", Intake::Scanned, {5}, {}, 5},
                      RingCase{"scannedCopyChangedAtTheCutoffKept", Intake::Scanned, {6}, {5}, 6}),
    RowName());

} // namespace
