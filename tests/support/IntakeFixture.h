#pragma once

#include "intake/DataBinIntake.h"
#include "store/Store.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace vrq::test {

using namespace Qt::StringLiterals;

// One call: its header block and record data.
inline QByteArray makeCall(int callNumber, const QByteArray& data, char flag = 'Y',
                           const QString& status = {}, const QString& dateTime = u"20261205081500"_s) {
    return testdata::callHeaderBlock({.lineNumber = 3,
                                      .callNumber = callNumber,
                                      .dateTime = dateTime,
                                      .dataLength = int(data.size()),
                                      .goodFlag = flag,
                                      .statusText = status}) +
           data;
}

// An installation with the DataBin intake of one run.
class IntakeTest : public ::testing::Test {
protected:
    void writeDataBin(const QByteArray& bytes) {
        ASSERT_TRUE(ProgramFixture::writeFile(env.dataBinFile(), bytes));
    }
    // Writes DataBin.Dat and runs one pass over it.
    void takeIn(const QByteArray& bytes) {
        writeDataBin(bytes);
        intake.run();
    }
    std::vector<testdata::CallTruth> writeGenerated(const testdata::DataBinOptions& options) {
        std::vector<testdata::CallTruth> truth;
        EXPECT_TRUE(ProgramFixture::writeFile(env.dataBinFile(), testdata::generateDataBin(options, &truth)));
        return truth;
    }

    ProgramFixture env;
    DataBinIntake intake{env.ctx};
};

inline QString fieldText(const QString& text) {
    return text;
}
inline QString fieldText(const QDateTime& time) {
    return time.toString(Qt::ISODate);
}
inline QString fieldText(std::optional<int> value) {
    return value ? QString::number(*value) : u"-"_s;
}

// One line of values joined by "|".
template <typename... Values> QString fieldLine(const char* kind, const Values&... values) {
    QStringList fields{QLatin1String(kind)};
    (fields << ... << fieldText(values));
    return fields.join(u'|');
}

// Checks that the store holds exactly the rows the generator promised (source 0): a line per call, order
// and item with every value, and the number of orders and items in the whole store.
inline void expectStoreMatchesTruth(Store& store, const std::vector<testdata::CallTruth>& truth) {
    QStringList stored, promised;
    for (const CallRow& c : store.calls().allCalls()) {
        stored << fieldLine("call", c.callNumber, c.source, c.goodCall, c.complete, c.badReason, c.badData,
                            c.lineNumber, c.hour, c.numBytes, c.callDnt, c.numberOfOrders);
        for (const OrderRow& o : store.calls().ordersOfCall(c.source, c.callNumber)) {
            stored << fieldLine("order", o.orderSeqNumber, o.salesperson, o.customer,
                                o.shipTo.value_or(QString()), o.route, o.message, o.numberOfItems);
            for (const ItemRow& i : store.calls().itemsOfOrder(c.source, c.callNumber, o.orderSeqNumber))
                stored << fieldLine("item", i.itemSeqNumber, i.itemNumber, i.quantity, i.unit,
                                    i.discountPercent, i.priceOverride);
        }
    }
    // No order or item of the store lies outside its calls.
    stored << fieldLine("all", int(store.calls().allOrders().size()), int(store.calls().allItems().size()));
    for (const testdata::CallTruth& t : truth) {
        if (!t.stored)
            continue;
        promised << fieldLine("call", t.callNumber, 0, t.goodCall, t.complete, t.badReason, t.badData,
                              t.lineNumber, t.hour, t.numBytes, t.callDnt.value_or(QDateTime()),
                              int(t.orders.size()));
        for (size_t o = 0; o < t.orders.size(); ++o) {
            const testdata::OrderTruth& want = t.orders[o];
            promised << fieldLine("order", int(o + 1), want.salesperson, want.customer, want.shipTo,
                                  want.route, want.message, int(want.items.size()));
            for (size_t k = 0; k < want.items.size(); ++k)
                promised << fieldLine("item", int(k + 1), want.items[k].itemNumber, want.items[k].quantity,
                                      want.items[k].unit, want.items[k].discountPercent,
                                      want.items[k].priceOverride);
        }
    }
    promised << fieldLine("all", int(stored.filter(QRegularExpression(u"^order\\|"_s)).size()),
                          int(stored.filter(QRegularExpression(u"^item\\|"_s)).size()));
    EXPECT_EQ(stored.join(u'\n').toStdString(), promised.join(u'\n').toStdString());
}

} // namespace vrq::test
