#include "support/IntakeFixture.h"

#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "store/StoreProbe.h"

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;
using namespace vrq::testdata;

namespace {

// The export holds a call whose order file value is Null, so the intake never stores one absent
// (ShipTo has a rule of its own).
void expectEveryOrderFileValuePresent(Store& store) {
    const char* const checks[] = {
        "SELECT count(*) FROM Orders WHERE Salesperson IS NULL OR Customer IS NULL OR Route IS NULL OR "
        "Message IS NULL",
        "SELECT count(*) FROM OrderLineItems WHERE ItemNumber IS NULL OR Quantity IS NULL OR Unit IS NULL OR "
        "DiscountPercent IS NULL OR PriceOverride IS NULL"};
    for (const char* check : checks)
        EXPECT_EQ(StoreProbe(store).scalar(QString::fromUtf8(check)), 0) << check;
}

// The stored orders and then the line items, one text each with the fields a table compares, joined by "; ".
QStringList rowTexts(Store& store, bool formatTwo) {
    QStringList orders, items;
    for (const OrderRow& o : store.calls().allOrders())
        orders << QStringList{o.salesperson, o.customer, formatTwo ? o.shipTo.value_or(QString()) : o.message}
                      .join(u'|');
    for (const ItemRow& i : store.calls().allItems())
        items << fieldLine(qPrintable(u"%1/%2"_s.arg(i.orderSeqNumber).arg(i.itemSeqNumber)), i.itemNumber,
                           i.quantity, i.unit) +
                     (formatTwo ? QString() : u"|%1|%2"_s.arg(i.discountPercent).arg(i.priceOverride));
    return {orders.join(u"; "_s), items.join(u"; "_s)};
}

// Each dialect through the whole intake, checked row by row against what the generator promised.
struct DialectCase {
    const char* name;
    Dialect dialect;
    int orders;
    int items;
};

class DialectTest : public IntakeTest, public ::testing::WithParamInterface<DialectCase> {};

TEST_P(DialectTest, GeneratedCallsGiveTheirRows) {
    const DialectCase& c = GetParam();
    env.ctx.settings.dataBinFormat = qint16(dataBinFormatFor(c.dialect));
    const auto truth = writeGenerated({.calls = 12,
                                       .ordersPerCall = c.orders,
                                       .itemsPerOrder = c.items,
                                       .seed = 7,
                                       .dialect = c.dialect,
                                       .badEvery = 4,
                                       .malformedEvery = 5});
    intake.run();
    expectStoreMatchesTruth(*env.store, truth);
    expectEveryOrderFileValuePresent(*env.store);
    EXPECT_TRUE(env.auditMessages(u"E"_s).filter(u"error"_s).isEmpty() || c.dialect != Dialect::Standard)
        << env.auditMessages(u"E"_s).join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllDialects, DialectTest,
                         ::testing::Values(DialectCase{"standard", Dialect::Standard, 3, 4},
                                           DialectCase{"standardNoItems", Dialect::Standard, 2, 0},
                                           DialectCase{"h", Dialect::HLines, 3, 4},
                                           DialectCase{"v3", Dialect::AutoFormatV, 3, 4},
                                           DialectCase{"v5", Dialect::OldWbzV, 3, 4},
                                           DialectCase{"f1", Dialect::Quill, 3, 4},
                                           DialectCase{"f1NoItems", Dialect::Quill, 2, 0}),
                         test::RowName());

// Edge cases of the standard dialect and of where one "V" order of format 2 ends and the next one's
// header is read from: record data, and what one call stores.
struct RecordsCase {
    const char* name;
    const char* data;
    QString orders;    // "Salesperson|Customer|Message; ...", format 2 "Salesperson|Customer|ShipTo; ..."
    const char* items; // "order/item|ItemNumber|Quantity|Unit|Discount|Price; ...", format 2 without prices
    qint16 dataBinFormat = 0;
    bool goodCall = true;
};

class RecordsTest : public IntakeTest, public ::testing::WithParamInterface<RecordsCase> {};

TEST_P(RecordsTest, StoreTheRowsTheRecordsCarry) {
    const RecordsCase& c = GetParam();
    env.ctx.settings.dataBinFormat = c.dataBinFormat;
    takeIn(fileHeader() + makeCall(17, QByteArray(c.data)));
    EXPECT_EQ(rowTexts(*env.store, c.dataBinFormat == 2), (QStringList{c.orders, QLatin1String(c.items)}));
    ASSERT_EQ(env.store->calls().allCalls().size(), 1u);
    EXPECT_EQ(env.store->calls().allCalls()[0].goodCall, c.goodCall);
    EXPECT_TRUE(env.store->calls().allCalls()[0].complete);
    expectEveryOrderFileValuePresent(*env.store);
}

const QString kNoMessage(23, u' ');
const QString kPlainOrder = u"123456|123456  |"_s + kNoMessage;
const QString kZeroOrder = u"123456|000000  |"_s + kNoMessage;

INSTANTIATE_TEST_SUITE_P(
    Edges, RecordsTest,
    ::testing::Values(
        RecordsCase{"oneOrderOneItem", "&S123456&C12345678&I1234567890123&Q012+&", kPlainOrder,
                    "1/1|1234567890123|12|0|0|0"},
        RecordsCase{"shortCustomerPadded", "&S123456&C12345&I1234567890123&Q012+&",
                    u"123456|12345   |"_s + kNoMessage, "1/1|1234567890123|12|0|0|0"},
        RecordsCase{"twoCustomersInARowDropTheFirst", "&S123456&C11111111&C22222222&I1234567890123&Q001+&",
                    u"123456|222222  |"_s + kNoMessage, "1/1|1234567890123|1|0|0|0"},
        RecordsCase{"lastItemWithoutQuantityIsLost",
                    "&S123456&C12345678&I1111111111111&Q005+&I2222222222222&", kPlainOrder,
                    "1/1|1111111111111|5|0|0|0"},
        RecordsCase{"messageBeforeFirstItemIsDropped", "&S123456&C12345678&Mearly&I1111111111111&Q005+&",
                    kPlainOrder, "1/1|1111111111111|5|0|0|0"},
        RecordsCase{"messageAfterFirstItemIsStored", "&S123456&C12345678&I1111111111111&Mcall first&Q005+&",
                    u"123456|123456  |call first"_s, "1/1|1111111111111|5|0|0|0"},
        RecordsCase{
            "signsAndAllFields",
            "&S123456&C12345678&I1111111111111&Q012-&U3&D15&P01999&E222222999999&Q000+&E333333&Q0000&",
            kPlainOrder, "1/1|1111111111111|-12|3|15|1999; 1/2|333333       |0|0|0|0"},
        RecordsCase{"thirdOrderSecondLine",
                    "&S123456&C00000001&I1000000000001&Q001+&C00000002&I2000000000001&Q001+"
                    "&C00000003&I3000000000001&Q001+&I3000000000002&Q002+&",
                    QStringList(3, kZeroOrder).join(u"; "_s),
                    "1/1|1000000000001|1|0|0|0; 2/1|2000000000001|1|0|0|0; 3/1|3000000000001|1|0|0|0; "
                    "3/2|3000000000002|2|0|0|0"},
        RecordsCase{"junkRecordsAndNoFinalAmpersand", "&S123456&Xjunk&C12345678&I1111111111111&Q007+",
                    kPlainOrder, "1/1|1111111111111|7|0|0|0"},

        RecordsCase{"customerAfterPlusStartsTheNextOrder",
                    "V1+12+C11111111+A1123456+Q2005+C22222222+A1654321+Q3001+",
                    u"12    |11111111|00; 12    |22222222|00"_s,
                    "1/1|123456       |5|1; 2/1|654321       |1|0", 2, true},
        // The next header is read from the delimiter before the customer value: after a "-" that
        // delimiter and the customer are one value, which ends a header of its own without a customer.
        RecordsCase{"customerAfterMinusGivesAnOrderWithoutCustomer",
                    "V1+12+C11111111+A1123456+Q2005-C22222222+A1654321+Q3001+",
                    u"12    |11111111|00; 12    |00000000|00; 12    |22222222|00"_s,
                    "1/1|123456       |-5|1; 3/1|654321       |1|0", 2, false},
        // The value that ends a header is read again as the order's first item.
        RecordsCase{"messageEndsTheOrderAndTheHeaderReadsOn",
                    "V1+12+C11111111+A1123456+Q2005+.note+C22222222+123456xx007+A1654321+Q3001+",
                    u"12    |11111111|00; 12    |22222222|00"_s,
                    "1/1|123456       |5|1; 2/1|123456       |7|0; 2/2|654321       |1|0", 2, true},
        RecordsCase{"aHeaderEndingAtTheEndOfTheDataSavesNoOrder",
                    "V1+12+C11111111+A1123456+Q2005+.note+C22222222+123456xx007+", u"12    |11111111|00"_s,
                    "1/1|123456       |5|1", 2, true}),
    test::RowName());

// Validation mode: a short field or a missing final "&" makes the call bad with its reason.
struct ValidationCase {
    const char* name;
    const char* data;
    bool result;
    const char* reason;
};

class ValidationTest : public IntakeTest, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(ValidationTest, ShortFieldsMakeTheCallBad) {
    const ValidationCase& c = GetParam();
    const QString path = env.path(u"calls.txt"_s);
    ASSERT_TRUE(ProgramFixture::writeFile(path, makeCall(17, QByteArray(c.data), 'N')));
    CallSource file;
    ASSERT_TRUE(file.open(path));
    const CallLoopOutcome outcome = CallFraming(env.ctx, /*validationMode=*/true).runCallLoop(file, 1);
    EXPECT_EQ(outcome.result, c.result);
    ASSERT_EQ(env.store->calls().allCalls().size(), 1u);
    EXPECT_EQ(env.store->calls().allCalls()[0].goodCall, c.result)
        << "validation forces good unless a field is short";
    const QStringList info = env.auditMessages(u"I"_s);
    if (!c.result) {
        EXPECT_TRUE(info.contains(
            u"ProcessGoodCall: Call # 17 was determined to be bad (%1)."_s.arg(QLatin1String(c.reason))))
            << info.join(u'\n').toStdString();
    }
    EXPECT_EQ(env.auditMessages(u"V"_s), QStringList{u"Validate Call: #00017 Line:03 Bytes:%1"_s.arg(
                                             QString::number(qstrlen(c.data)).rightJustified(7, u'0'))});
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, ValidationTest,
    ::testing::Values(
        ValidationCase{"allFull", "&S123456&C12345678&I1234567890123&Q012+&U1&D05&P12345&", true, ""},
        ValidationCase{"shortQuantity", "&S123456&C12345678&I1234567890123&Q12&", false, "Quantity"},
        ValidationCase{"shortItemE", "&S123456&C12345678&E12345&Q012+&", false, "Item E"},
        ValidationCase{"shortPrice", "&S123456&C12345678&I1234567890123&Q012+&P123&", false, "Price"},
        ValidationCase{"noFinalAmpersand", "&S123456&C12345678&I1234567890123&Q012+", false, "End &"}),
    test::RowName());

} // namespace
