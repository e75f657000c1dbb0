// Opening the calls window takes every complete call again in one pass; it must leave the store and
// show the calls exactly as clearing every mark and then taking the unmarked calls would.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using vrq::test::succeeded;

namespace {

// One row per combination of the columns the marks depend on; only Source may be Null (-1), on SQLite
// (PostgreSQL's Calls.Source is never Null).
struct RowState {
    int source;
    int complete;
    int displayed;
};

std::vector<RowState> everyState(bool sourceMayBeNull) {
    std::vector<RowState> states;
    for (int source : {-1, 0, 1})
        if (source >= 0 || sourceMayBeNull)
            for (int complete : {0, 1})
                for (int displayed : {0, 1})
                    states.push_back({source, complete, displayed});
    return states;
}

QString valueOrNull(int value) {
    return value < 0 ? u"NULL"_s : QString::number(value);
}

std::unique_ptr<Store> storeWith(test::BackendStores& backends, const std::vector<RowState>& rows) {
    auto store = backends.store();
    if (!store)
        return store;
    // Rows as another program could have left them, written past the store's own inserts.
    const QString insert =
        backends.postgres()
            ? u"INSERT INTO Calls (Workstation, Source, CallNumber, CallDNT, GoodCall, ExtractedCall, "
              u"Complete, "
              "Displayed) VALUES (1, %1, %2, '2026-03-10 14:07:30', true, false, '%3', '%4')"_s
            : u"INSERT INTO Calls (Source, CallNumber, CallDNT, GoodCall, ExtractedCall, Complete, "
              u"Displayed) "
              "VALUES (%1, %2, '2026-03-10 14:07:30', 1, 0, %3, %4)"_s;
    StoreProbe probe(*store);
    int number = 100;
    for (const RowState& row : rows) {
        EXPECT_TRUE(succeeded(probe.exec(insert.arg(valueOrNull(row.source))
                                             .arg(number++)
                                             .arg(valueOrNull(row.complete), valueOrNull(row.displayed)))));
    }
    return store;
}

QStringList markColumns(Store& store, bool postgres) {
    Result read;
    const QStringList rows = StoreProbe(store).rows(
        postgres ? u"SELECT CallNumber || ':' || Source || ':' || Displayed::int FROM Calls ORDER BY Id"_s
                 : u"SELECT CallNumber || ':' || coalesce(Source, 'N') || ':' || "
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

class CallDisplayMarks : public test::BackendTest {};

TEST_P(CallDisplayMarks, RetakingAllMatchesAResetFollowedByATakeForEveryRowState) {
    const std::vector<RowState> states = everyState(!postgres());
    auto twoSteps = storeWith(backends, states);
    auto onePass = storeWith(backends, states);
    ASSERT_TRUE(twoSteps && onePass);

    ASSERT_TRUE(twoSteps->viewers().resetDisplayed().ok());
    Result taken;
    const std::vector<CallDisplayRow> expected = twoSteps->viewers().takeUndisplayedCompleteCalls(&taken);
    ASSERT_TRUE(taken.ok());
    Result retaken;
    const std::vector<CallDisplayRow> actual = onePass->viewers().retakeAllCompleteCalls(&retaken);
    ASSERT_TRUE(retaken.ok()) << retaken.message.toStdString();

    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(callNumbers(actual), callNumbers(expected));
    EXPECT_EQ(markColumns(*onePass, postgres()), markColumns(*twoSteps, postgres()));
    EXPECT_TRUE(onePass->viewers().takeUndisplayedCompleteCalls().empty()) << "every complete call is marked";
}

INSTANTIATE_TEST_SUITE_P(Backends, CallDisplayMarks, test::bothBackends(), test::backendParamName);

} // namespace
