// Inputs found by fuzzing (and their neighbours) that once made the intake hang. Each must be taken in
// and the call loop must come back; a watchdog ends the test program when it does not.
#include "support/IntakeFixture.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// Ends the test program when the guarded work has not finished in time: a hang fails instead of
// stalling the suite.
class Watchdog {
public:
    explicit Watchdog(const char* what)
        : m_thread([done = m_finished.get_future(), what] {
              if (done.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
                  std::fprintf(stderr, "hang: %s did not finish\n", what);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        m_finished.set_value();
        m_thread.join();
    }

private:
    std::promise<void> m_finished;
    std::thread m_thread;
};

// V5 values of one order: salesperson, customer, ship-to, two items, a message.
const QByteArray kV5 = QByteArrayLiteral("V8+C85746716+A54+A1119801+Q3457+A5065193+Q2203+.no ice+");
const QByteArray kV3 = QByteArrayLiteral("V12345+C123456+X+A 123456+Q 12+.late+");
const QByteArray kF1 = QByteArrayLiteral("123456+C12345678+4711/3+0815/12+");
const QByteArray kStandard = QByteArrayLiteral("&S123456&C12345678&I1234567890123&Q0002&");
// Bytes before the record data: the file header and the call header block.
constexpr qint64 kDataStart = 7 + 512;

struct HostileCase {
    const char* name;
    int dataBinFormat;
    QByteArray data;    // the record data of call 7
    int declaredLength; // the data length its header gives
    qint64 cutTo;       // > 0: the file is cut to this length after it was opened
    int expectedCalls;  // rows in the store afterwards
    bool batch = false; // read in batch mode (validation, nothing stored)
};

QByteArray fileOf(const HostileCase& c) {
    testdata::HeaderFields h;
    h.callNumber = 7;
    h.dataLength = std::max(c.declaredLength, 0);
    QByteArray bytes = testdata::fileHeader() + testdata::callHeaderBlock(h) + c.data;
    if (c.declaredLength < 0) {
        // The generator writes only lengths a unit writes: the sign goes in by hand. A good call follows,
        // which the loop must still reach.
        bytes.replace(7 + 51, 7, QByteArray::number(c.declaredLength).rightJustified(7, ' '));
        bytes += makeCall(8, kStandard);
    }
    return bytes;
}

class HostileInputTest : public IntakeTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileInputTest, CallLoopComesBack) {
    const HostileCase& c = GetParam();
    env.ctx.settings.dataBinFormat = static_cast<qint16>(c.dataBinFormat);
    const QString path = env.path(u"DataBin.Dat"_s);
    const QByteArray bytes = fileOf(c);
    ASSERT_TRUE(ProgramFixture::writeFile(path, bytes));

    CallSource file;
    ASSERT_TRUE(file.open(path));
    if (c.cutTo > 0) {
        // As the upstream program cutting the file while a pass reads it.
        ASSERT_TRUE(QFile::resize(path, c.cutTo));
    }
    if (c.batch)
        env.ctx.runMode = u'B';
    CallFraming framing(env.ctx, c.batch);
    {
        Watchdog watchdog(c.name);
        framing.runCallLoop(file, 8);
    }
    file.close();
    if (c.declaredLength < 0) {
        EXPECT_TRUE(framing.callNumbers().contains(8)) << "the call after the damaged one was not reached";
    }
    const std::vector<CallRow> calls = env.store->calls().allCalls();
    ASSERT_EQ(int(calls.size()), c.expectedCalls);
    if (!calls.empty()) {
        EXPECT_EQ(calls[0].callNumber, 7);
        EXPECT_TRUE(calls[0].complete);
    }
    EXPECT_FALSE(env.store->units().inTransaction());
}

INSTANTIATE_TEST_SUITE_P(
    Intake, HostileInputTest,
    ::testing::Values(
        // Found by fuzzing: the data length runs past the end of the file, and the V5 order header
        // read the end of the file again and again.
        HostileCase{"V5DataLengthPastEnd", 2, kV5, 4000, 0, 1},
        HostileCase{"V5HeaderOnlyPastEnd", 2, QByteArrayLiteral("V8+C85746716"), 4000, 0, 1},
        HostileCase{"V3DataLengthPastEnd", 0, kV3, 4000, 0, 1},
        HostileCase{"F1DataLengthPastEnd", 1, kF1, 4000, 0, 1},
        // The file is cut inside the record data after it was opened: the readers met a failed read
        // short of the length seen at opening and stood still on it.
        HostileCase{"F1CutWhileRead", 1, kF1, int(kF1.size()), kDataStart + 10, 1},
        HostileCase{"V3CutWhileRead", 0, kV3, int(kV3.size()), kDataStart + 10, 1},
        HostileCase{"V5CutWhileRead", 2, kV5, int(kV5.size()), kDataStart + 10, 1},
        HostileCase{"StandardCutWhileRead", 0, kStandard, int(kStandard.size()), kDataStart + 10, 1},
        // A data length below zero put the call's end before its own header: the loop met it again.
        HostileCase{"StandardNegativeLength", 0, kStandard, -999999, 0, 2},
        HostileCase{"V5NegativeLength", 2, kV5, -999999, 0, 2},
        HostileCase{"BatchNegativeLength", 0, kStandard, -999999, 0, 0, true},
        HostileCase{"BatchDataLengthPastEnd", 0, kStandard, 4000, 0, 0, true}),
    test::RowName());

} // namespace
} // namespace vrq::test
