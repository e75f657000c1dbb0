// Calls cut short: the upstream program stopped in the middle of a call and went on with the next one,
// or died in its last call; a scanned file that ends inside a record. A cut call is stored as a bad
// call, never sent, and the call after it is taken whole from its own header.
#include "support/IntakeFixture.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "intake/FolderScan.h"

#include <QFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

using testdata::Dialect;

// One line per order and item, with the values the generator promises.
QStringList storedOrders(Store& store, int source, int callNumber) {
    QStringList lines;
    for (const OrderRow& o : store.calls().ordersOfCall(source, callNumber)) {
        lines << fieldLine("order", o.salesperson, o.customer, o.shipTo.value_or(QString()), o.route,
                           o.message);
        for (const ItemRow& i : store.calls().itemsOfOrder(source, callNumber, o.orderSeqNumber))
            lines << fieldLine("item", i.itemNumber, i.quantity, i.unit, i.discountPercent, i.priceOverride);
    }
    return lines;
}

QStringList promisedOrders(const std::vector<testdata::OrderTruth>& orders) {
    QStringList lines;
    for (const testdata::OrderTruth& o : orders) {
        lines << fieldLine("order", o.salesperson, o.customer, o.shipTo, o.route, o.message);
        for (const testdata::ItemTruth& i : o.items)
            lines << fieldLine("item", i.itemNumber, i.quantity, i.unit, i.discountPercent, i.priceOverride);
    }
    return lines;
}

// A call of a dialect whose header gives the length of all its data, of which `keep` bytes are written
// (all when negative).
struct BuiltCall {
    QByteArray bytes;
    std::vector<testdata::OrderTruth> orders;
    int dataLength = 0;
    std::vector<qsizetype> orderEnds; // where each order's data end
};

BuiltCall buildCall(Dialect dialect, int callNumber, qsizetype keep, const QString& message = {}) {
    std::vector<testdata::OrderPlan> plans = testdata::randomOrders(dialect, 3, 2, quint32(40 + callNumber));
    if (!message.isEmpty())
        plans[0].message = message;
    const QByteArray data = testdata::encodeCall(dialect, plans);
    BuiltCall call{makeCall(callNumber, data).left(CallHeader::kBlockSize + (keep < 0 ? data.size() : keep)),
                   testdata::expectedOrders(dialect, plans),
                   int(data.size()),
                   {}};
    for (auto end = plans.begin() + 1; end <= plans.end();
         ++end) // without the final "&" of the standard data
        call.orderEnds.push_back(testdata::encodeCall(dialect, {plans.begin(), end}).size() -
                                 (dialect == Dialect::Standard ? 1 : 0));
    return call;
}

// DataBin.Dat with three calls of one dialect: the second and the last may be written only in part,
// bytes of no call may follow the second.
struct CutCase {
    const char* name;
    Dialect dialect;
    qsizetype keepSecond = -1;
    qsizetype keepLast = -1;
    QByteArray afterSecond = {};
    QString messageOfSecond = {}; // the first order's message of the second call
};

class CutDataBinTest : public IntakeTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(CutDataBinTest, CutCallsAreBadAndEveryOtherCallIsTakenWhole) {
    const CutCase& c = GetParam();
    env.ctx.settings.dataBinFormat = qint16(testdata::dataBinFormatFor(c.dialect));
    const std::vector<BuiltCall> calls{buildCall(c.dialect, 1, -1),
                                       buildCall(c.dialect, 2, c.keepSecond, c.messageOfSecond),
                                       buildCall(c.dialect, 3, c.keepLast)};
    takeIn(testdata::fileHeader() + calls[0].bytes + calls[1].bytes + c.afterSecond + calls[2].bytes);

    ASSERT_EQ(env.store->calls().allCalls().size(), 3u) << "every call stored once";
    const QStringList badEntries = env.auditMessages(u"B"_s);
    for (int number = 1; number <= 3; ++number) {
        SCOPED_TRACE("call " + std::to_string(number));
        const BuiltCall& built = calls[size_t(number - 1)];
        const CallRow call = *env.call(0, number);
        const qsizetype written = built.bytes.size() - CallHeader::kBlockSize;
        const qsizetype kept = written + (number == 2 ? c.afterSecond.size() : 0);
        if (kept >= built.dataLength) {
            EXPECT_EQ(fieldLine("whole", call.goodCall, call.complete), fieldLine("whole", true, true));
            EXPECT_EQ(storedOrders(*env.store, 0, number), promisedOrders(built.orders));
            continue;
        }
        EXPECT_EQ(fieldLine("cut", call.goodCall, call.complete, call.badReason),
                  fieldLine("cut", false, true, 999));
        // What arrived of it is kept for a look: the orders whose data came whole before the cut.
        const auto arrived = std::count_if(built.orderEnds.begin(), built.orderEnds.end(),
                                           [&](qsizetype end) { return end <= written; });
        const QStringList arrivedOrders =
            promisedOrders({built.orders.begin(), built.orders.begin() + arrived});
        EXPECT_EQ(storedOrders(*env.store, 0, number).mid(0, arrivedOrders.size()), arrivedOrders);
        const QString why = u"Msg: Call cut short: %1 of %2 bytes, then %3"_s.arg(kept)
                                .arg(built.dataLength)
                                .arg(number == 3 ? u"the end of the file"_s : u"the next call"_s);
        EXPECT_EQ(badEntries.filter(u"#%1 "_s.arg(number, 5, 10, QLatin1Char('0'))).filter(why).size(), 1)
            << badEntries.join(u'\n').toStdString();
    }
    EXPECT_FALSE(QFile::exists(env.dataBinFile())) << "the file is taken";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CutDataBinTest,
    ::testing::Values(
        // A part of its data, then the next call's header in the middle of a record.
        CutCase{"standardCutInsideARecord", Dialect::Standard, 100},
        // S, C, R and I take 41 bytes; the 42nd is the "&" after the item number.
        CutCase{"standardCutAfterARecordEnd", Dialect::Standard, 42},
        CutCase{"standardWithNoneOfItsData", Dialect::Standard, 0},
        CutCase{"standardCutThenJunk", Dialect::Standard, 60, -1, "&&xx\r\n"},
        CutCase{"standardLastCut", Dialect::Standard, -1, 150}, CutCase{"hCut", Dialect::HLines, 50, 30},
        CutCase{"v3Cut", Dialect::AutoFormatV, 50, 30},
        // The dialect that judges a call by its orders: a cut call stays bad.
        CutCase{"v5Cut", Dialect::OldWbzV, 50, 30}, CutCase{"f1Cut", Dialect::Quill, 50, 30},
        // The header id in a message is text, not the next call.
        CutCase{"headerIdInAMessageIsData", Dialect::Standard, -1, -1, {}, u"BCHFID 00001"_s}),
    RowName());

// The upstream program appends the rest of the last call while the pass reads (it did not wait for the
// lock): the call is left for the next pass, which takes it whole.
using CutCallTest = IntakeTest;

TEST_F(CutCallTest, ALastCallStillBeingWrittenIsTakenWholeAtTheNextPass) {
    const BuiltCall first = buildCall(Dialect::Standard, 1, -1);
    const BuiltCall whole = buildCall(Dialect::Standard, 2, -1);
    const qsizetype written = CallHeader::kBlockSize + 70;
    writeDataBin(testdata::fileHeader() + first.bytes + whole.bytes.left(written));
    intake.framing().hooks.afterCommit = [&](int callNumber) {
        QFile file(env.dataBinFile());
        if (callNumber == 1 && file.open(QIODevice::Append))
            file.write(whole.bytes.mid(written));
    };
    intake.run();
    EXPECT_EQ(env.store->calls().allCalls().size(), 1u);
    intake.framing().hooks = {};
    intake.run();
    ASSERT_TRUE(env.call(0, 2));
    EXPECT_TRUE(env.call(0, 2)->goodCall);
    EXPECT_EQ(storedOrders(*env.store, 0, 2), promisedOrders(whole.orders));
    EXPECT_FALSE(QFile::exists(env.dataBinFile()));
}

// A command-line file under test: each cut call fails with its own reason, the calls after it are tested,
// and a cut last call fails the file.
TEST_F(CutCallTest, ACommandLineFileFailsAtEachCutCallAndTestsTheCallsAfterIt) {
    env.setRunMode(u'B');
    const QString path = env.path(u"calls.dat"_s);
    ASSERT_TRUE(ProgramFixture::writeFile(
        path, buildCall(Dialect::Standard, 1, -1).bytes + buildCall(Dialect::Standard, 2, 100).bytes +
                  buildCall(Dialect::Standard, 3, -1).bytes + buildCall(Dialect::Standard, 4, 150).bytes));
    CallSource file;
    ASSERT_TRUE(file.open(path, CallSource::Access::ReadOnly));
    CallFraming framing(env.ctx, /*validationMode=*/true);
    const CallLoopOutcome outcome = framing.runCallLoop(file, 1);
    EXPECT_EQ(framing.callNumbers(), (QList<int>{1, 2, 3, 4}));
    QStringList faults;
    for (const CallFault& fault : outcome.faults)
        faults << u"%1 %2"_s.arg(fault.callNumber).arg(fault.field);
    EXPECT_EQ(faults, (QStringList{u"2 Cut short"_s, u"4 Cut short"_s}));
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(env.store->calls().allCalls().empty());
}

// A scanned file is one call running to the end of the file: it is cut short when its last record is
// not ended (blanks and line ends after that end do not count).
struct ScannedCase {
    const char* name;
    qint16 dataBinFormat;
    QByteArray bytes;
    bool cut;
};

class ScannedCutTest : public IntakeTest, public ::testing::WithParamInterface<ScannedCase> {};

TEST_P(ScannedCutTest, ACutFileIsABadCall) {
    const ScannedCase& c = GetParam();
    env.ctx.settings.dataBinFormat = c.dataBinFormat;
    const QString path = env.path(u"scanned.txt"_s);
    ASSERT_TRUE(ProgramFixture::writeFile(path, c.bytes));
    CallSource file;
    ASSERT_TRUE(file.open(path, CallSource::Access::ReadOnly));
    qint64 position = 2;
    const CallFraming::TakeResult taken = CallFraming(env.ctx).takeCall(
        file, position, FolderScan::scannedFileHeader(7, env.clock.now()), 1, true);
    ASSERT_EQ(taken.status, CallFraming::TakeStatus::Stored);
    EXPECT_EQ(taken.judgedGood, !c.cut);
    EXPECT_EQ(env.call(1, 7)->goodCall, !c.cut);
    EXPECT_EQ(
        env.auditMessages(u"B"_s),
        c.cut
            ? QStringList{u"Bad Call : #7     Line: Bytes: Msg: Call cut short: the file ends inside a record"_s}
            : QStringList());
}

QByteArray scanned(Dialect dialect, int chop = 0, const QByteArray& after = {}) {
    QByteArray bytes = testdata::generateScannedFile(dialect, 2, 2, 5).bytes;
    bytes.chop(chop);
    return bytes + after;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScannedCutTest,
    ::testing::Values(
        ScannedCase{"standardWhole", 0, scanned(Dialect::Standard), false},
        ScannedCase{"standardWholeWithALineEnd", 0, scanned(Dialect::Standard, 0, "\r\n\x1a"), false},
        ScannedCase{"standardCutInItsLastRecord", 0, scanned(Dialect::Standard, 5), true},
        ScannedCase{"standardCutAfterItsLastRecordType", 0, scanned(Dialect::Standard, 0, "I"), true},
        ScannedCase{"hWhole", 0, scanned(Dialect::HLines), false},
        ScannedCase{"hCutInItsLastLine", 0, scanned(Dialect::HLines, 4), true},
        ScannedCase{"v3Whole", 0, scanned(Dialect::AutoFormatV), false},
        ScannedCase{"v3CutInItsLastValue", 0, scanned(Dialect::AutoFormatV, 2), true},
        ScannedCase{"f1Whole", 1, scanned(Dialect::Quill), false},
        ScannedCase{"f1CutInItsLastValue", 1, scanned(Dialect::Quill, 1), true},
        ScannedCase{"nothingButTheSkippedByte", 0, "\x02", false}),
    RowName());

} // namespace
} // namespace vrq::test
