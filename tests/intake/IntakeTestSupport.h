#pragma once

#include "intake/DataBinIntake.h"
#include "store/CallStore.h"
#include "support/ProgramFixture.h"
#include "support/TestNames.h"
#include "testdata/DataBinGenerator.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

namespace vrq::test {

// One call: its header block and record data.
inline QByteArray makeCall(int callNumber, const QByteArray& data, char flag = 'Y',
                           const QString& status = {},
                           const QString& dateTime = QStringLiteral("20261205081500")) {
    testdata::HeaderFields h;
    h.callNumber = callNumber;
    h.lineNumber = 3;
    h.dateTime = dateTime;
    h.dataLength = int(data.size());
    h.goodFlag = flag;
    h.statusText = status;
    return testdata::callHeaderBlock(h) + data;
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

// The export holds a call whose order file value is Null, so the intake never stores one absent
// (ShipTo has a rule of its own).
inline void expectEveryOrderFileValuePresent(CallStore& store) {
    const char* const checks[] = {
        "SELECT count(*) FROM Orders WHERE Salesperson IS NULL OR Customer IS NULL OR Route IS NULL OR "
        "Message IS NULL",
        "SELECT count(*) FROM OrderLineItems WHERE ItemNumber IS NULL OR Quantity IS NULL OR Unit IS NULL OR "
        "DiscountPercent IS NULL OR PriceOverride IS NULL"};
    for (const char* check : checks)
        EXPECT_EQ(store.database().execAndGet(check).getInt(), 0) << check;
}

// Checks that the store holds exactly the rows the generator promised (source 0).
inline void expectStoreMatchesTruth(CallStore& store, const std::vector<testdata::CallTruth>& truth) {
    std::vector<const testdata::CallTruth*> stored;
    for (const auto& t : truth) {
        if (t.stored)
            stored.push_back(&t);
    }
    const auto calls = store.allCalls();
    ASSERT_EQ(calls.size(), stored.size());
    size_t orderCount = 0;
    size_t itemCount = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const testdata::CallTruth& t = *stored[i];
        const CallRow& c = calls[i];
        SCOPED_TRACE("call " + std::to_string(t.callNumber));
        EXPECT_EQ(c.callNumber, t.callNumber);
        EXPECT_EQ(c.source, 0);
        EXPECT_EQ(c.goodCall, t.goodCall);
        EXPECT_EQ(c.complete, t.complete);
        EXPECT_EQ(c.badReason, t.badReason);
        EXPECT_EQ(c.badData, t.badData);
        EXPECT_EQ(c.lineNumber, t.lineNumber);
        EXPECT_EQ(c.hour, t.hour);
        EXPECT_EQ(c.numBytes, t.numBytes);
        EXPECT_EQ(c.callDnt.isValid(), t.callDnt.has_value());
        if (t.callDnt) {
            EXPECT_EQ(c.callDnt, *t.callDnt);
        }
        EXPECT_EQ(c.numberOfOrders, int(t.orders.size()));
        const auto orders = store.ordersOfCall(0, t.callNumber);
        ASSERT_EQ(orders.size(), t.orders.size());
        for (size_t o = 0; o < orders.size(); ++o) {
            const auto& want = t.orders[o];
            EXPECT_EQ(orders[o].orderSeqNumber, int(o + 1));
            EXPECT_EQ(orders[o].salesperson, want.salesperson);
            EXPECT_EQ(orders[o].customer, want.customer);
            EXPECT_EQ(orders[o].shipTo.value_or(QString()), want.shipTo);
            EXPECT_EQ(orders[o].route, want.route);
            EXPECT_EQ(orders[o].message, want.message);
            EXPECT_EQ(orders[o].numberOfItems, int(want.items.size()));
            const auto items = store.itemsOfOrder(0, t.callNumber, int(o + 1));
            ASSERT_EQ(items.size(), want.items.size());
            for (size_t k = 0; k < items.size(); ++k) {
                EXPECT_EQ(items[k].itemSeqNumber, int(k + 1));
                EXPECT_EQ(items[k].itemNumber, want.items[k].itemNumber);
                EXPECT_EQ(items[k].quantity, want.items[k].quantity);
                EXPECT_EQ(items[k].unit, want.items[k].unit);
                EXPECT_EQ(items[k].discountPercent, want.items[k].discountPercent);
                EXPECT_EQ(items[k].priceOverride, want.items[k].priceOverride);
            }
            itemCount += items.size();
        }
        orderCount += orders.size();
    }
    EXPECT_EQ(store.allOrders().size(), orderCount) << "no orders of calls that should not be stored";
    EXPECT_EQ(store.allItems().size(), itemCount);
}

} // namespace vrq::test
