// Opening the calls window takes every complete call again in one pass; it must leave the store and
// show the calls exactly as clearing every mark and then taking the unmarked calls would.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using vrq::test::succeeded;

namespace {

// One row per combination of the columns the marks depend on; only Source may be Null (-1).
struct RowState {
    int source;
    int complete;
    int displayed;
};

std::vector<RowState> everyState() {
    std::vector<RowState> states;
    for (int source : {-1, 0, 1})
        for (int complete : {0, 1})
            for (int displayed : {0, 1})
                states.push_back({source, complete, displayed});
    return states;
}

QString valueOrNull(int value) {
    return value < 0 ? u"NULL"_s : QString::number(value);
}

std::unique_ptr<Store> storeWith(const QString& path, const std::vector<RowState>& rows) {
    Result error;
    auto store = openStoreFile(path, StoreAccess::ReadWrite, &error);
    EXPECT_TRUE(store) << error.message.toStdString();
    store->schema().dataConversions();
    StoreProbe probe(*store);
    int number = 100;
    for (const RowState& row : rows) {
        EXPECT_TRUE(
            succeeded(probe.exec(u"INSERT INTO Calls (Source, CallNumber, CallDNT, GoodCall, ExtractedCall, "
                                 "Complete, Displayed) VALUES (%1, %2, '2026-03-10 14:07:30', 1, 0, %3, %4)"_s
                                     .arg(valueOrNull(row.source))
                                     .arg(number++)
                                     .arg(valueOrNull(row.complete), valueOrNull(row.displayed)))));
    }
    return store;
}

QStringList markColumns(Store& store) {
    Result read;
    const QStringList rows =
        StoreProbe(store).rows(u"SELECT CallNumber || ':' || coalesce(Source, 'N') || ':' || "
                               "coalesce(Displayed, 'N') FROM Calls ORDER BY rowid"_s,
                               &read);
    EXPECT_TRUE(succeeded(read));
    return rows;
}

std::vector<int> callNumbers(const std::vector<CallDisplayRow>& rows) {
    std::vector<int> numbers;
    for (const CallDisplayRow& row : rows)
        numbers.push_back(row.callNumber * 10 + row.source);
    return numbers;
}

TEST(CallDisplayMarks, RetakingAllMatchesAResetFollowedByATakeForEveryRowState) {
    QTemporaryDir dir;
    const std::vector<RowState> states = everyState();
    auto twoSteps = storeWith(dir.filePath(u"a.db"_s), states);
    auto onePass = storeWith(dir.filePath(u"b.db"_s), states);

    ASSERT_TRUE(twoSteps->viewers().resetDisplayed().ok());
    Result taken;
    const std::vector<CallDisplayRow> expected = twoSteps->viewers().takeUndisplayedCompleteCalls(&taken);
    ASSERT_TRUE(taken.ok());
    Result retaken;
    const std::vector<CallDisplayRow> actual = onePass->viewers().retakeAllCompleteCalls(&retaken);
    ASSERT_TRUE(retaken.ok()) << retaken.message.toStdString();

    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(callNumbers(actual), callNumbers(expected));
    EXPECT_EQ(markColumns(*onePass), markColumns(*twoSteps));
}

} // namespace
