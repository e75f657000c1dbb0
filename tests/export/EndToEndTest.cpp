#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "intake/DataBinIntake.h"
#include "support/IntakeFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::testdata;

namespace {

// From the bytes the upstream program appended to the bytes the host collects, through the real intake
// and the real export.
TEST(EndToEndTest, ADataBinFileBecomesExactlyTheseOrderFiles) {
    test::ProgramFixture fx;
    fx.ctx.settings.systemId = 4;
    fx.ctx.settings.lastSeqNum = 9900;

    const QByteArray good = "junk&S123456&C12345678&RROUTE1&I0000000012345&Q012+&U2&D05&P00150&MHELLO THERE"
                            "&I0000000067890&Q003-&C87654321&I0000000011111&Q001+&";
    const QByteArray bad = "&S222222&C33333333&I0000000044444&Q005+&";
    const QString callTime = u"20260310100000"_s;
    ASSERT_TRUE(test::ProgramFixture::writeFile(
        fx.dataBinFile(), fileHeader('N') + test::makeCall(41, good, 'Y', {}, callTime) +
                              test::makeCall(42, bad, 'N', statusTextFor(5), callTime)));

    DataBinIntake(fx.ctx).run();
    NetworkConnection network(fx.ctx);
    OrderExport orderExport(fx.ctx, network);
    orderExport.extractCalls();

    const QByteArray expected = "H123456  123456  HELLO THERE            260310ROUTE1\r\n"
                                "I0000000012345012+20500150\r\n"
                                "I0000000067890003-00000000\r\n"
                                "H123456  876543                         260310      \r\n"
                                "I0000000011111001+00000000\r\n";
    EXPECT_EQ(fx.hostFiles(), QStringList{u"QX740001.Rcv"_s}) << "the bad call gets no order file";
    EXPECT_EQ(test::ProgramFixture::readFile(fx.hostFile(u"QX740001.Rcv"_s)), expected);

    // Sent, the name of its file, and the bad reason, of each call.
    QStringList calls;
    for (const CallRow& c : fx.store->calls().allCalls())
        calls << test::fieldLine("call", c.callNumber, c.extractedCall, c.extractedFileName, c.badReason);
    EXPECT_EQ(calls, (QStringList{u"call|41|1|QX740001.Rcv|-"_s, u"call|42|0||5"_s}));
    EXPECT_EQ(fx.savedSetting(u"QX7"_s, u"LastSeqNum"_s), u"1"_s);
    EXPECT_FALSE(QFile::exists(fx.dataBinFile()));
    EXPECT_TRUE(QFile::exists(fx.programFolder() + u"/Audit/Databin.000"_s));
    EXPECT_TRUE(fx.auditTexts().contains(u"X|Extracted call # 41"_s));

    orderExport.extractCalls();
    EXPECT_EQ(fx.hostFiles().size(), 1) << "a second pass sends nothing again";
}

} // namespace
