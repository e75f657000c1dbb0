// Calls.NumberOfOrders and Orders.NumberOfItems as the raises give them and the tables keep them, however
// the raises and other statements interleave inside and outside units of work, and when a unit of work
// or a group is undone.
#include "store/Store.h"

#include "support/ProgramFixture.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

// One row's steps, a word each: "B", "C" and "R" begin, commit and roll back a unit of work; "G", "E" and
// "A" begin, end and abandon a group; "c" stores call 1; "r" raises its orders; "oN" stores its order N;
// "iN" raises order N's items and stores the item with the number the raise gave; "f" looks call 1 up (as
// the intake does before taking a call in); "sN" reads order N's
// count inside the unit; "a" writes an audit entry; "mN" sets order N's message to "note N"; "k" completes
// call 1. Every raise and read appends the count it gave.
std::vector<int> runSteps(test::ProgramFixture& f, const char* steps) {
    Store& store = *f.store;
    std::vector<int> seen;
    for (const QString& step : QString::fromLatin1(steps).split(u' ')) {
        const char word = step.at(0).toLatin1();
        const int seq = step.mid(1).toInt();
        int count = -1;
        Result done = Result::success();
        if (word == 'B')
            done = store.units().begin();
        else if (word == 'C')
            done = store.units().commit();
        else if (word == 'R')
            store.units().rollback();
        else if (word == 'G')
            done = store.units().beginGroup();
        else if (word == 'E')
            done = store.units().endGroup();
        else if (word == 'A')
            store.units().abandonGroup();
        else if (word == 'c')
            f.addCall(0, 1, 0);
        else if (word == 'o')
            f.addOrder(0, 1, seq);
        else if (word == 'f')
            f.store->calls().findCall(0, 1, &done);
        else if (word == 'r')
            done = store.calls().raiseNumberOfOrders(0, 1, &count);
        else if (word == 's')
            count =
                store.calls().findOrder(0, 1, seq) ? store.calls().findOrder(0, 1, seq)->numberOfItems : -1;
        else if (word == 'a')
            done = f.audit->write(AuditType::Info, u"between two raises"_s);
        else if (word == 'm')
            done = store.calls().setOrderMessage(0, 1, seq, u"note %1"_s.arg(seq));
        else if (word == 'k')
            done = store.calls().setCallComplete(0, 1);
        else if (word == 'i' && (done = store.calls().raiseNumberOfItems(0, 1, seq, &count)).ok())
            f.addItem(0, 1, seq, count);
        EXPECT_TRUE(done.ok()) << step.toStdString() << ": " << done.message.toStdString();
        if (word == 'r' || word == 'i' || word == 's')
            seen.push_back(count);
    }
    return seen;
}

struct CounterCase {
    const char* name;
    const char* steps;
    std::vector<int> raised;
    // After the steps: Calls.NumberOfOrders of call 1, Orders.NumberOfItems of its orders 1 and 2
    // (-1: no such row).
    int ordersOfCall;
    int itemsOfOrder1;
    int itemsOfOrder2;
    const char* messageOfOrder1 = nullptr; // as the file holds it; nullptr: not looked at
};

const CounterCase kCases[] = {
    {"OneUnitTwoOrders", "B c r o1 i1 i1 r o2 i2 C", {1, 1, 2, 2, 1}, 2, 2, 1},
    {"BackToAnEarlierOrder", "B c r o1 i1 i1 o2 i2 i1 C", {1, 1, 2, 1, 3}, 1, 3, 1},
    {"AuditEntriesBetweenRaises", "B c a r o1 a i1 a i1 C", {1, 1, 2}, 1, 2, -1},
    {"ReadInsideTheUnit", "B c r o1 i1 i1 s1 i1 C", {1, 1, 2, 2, 3}, 1, 3, -1},
    {"UndoneUnit", "B c r o1 i1 i1 R", {1, 1, 2}, -1, -1, -1},
    {"NoUnitOfWork", "c r o1 i1 i1", {1, 1, 2}, 1, 2, -1},
    {"AbandonedGroup", "G B c r o1 i1 i1 C A", {1, 1, 2}, -1, -1, -1},
    {"MessageBetweenRaises", "B c r o1 i1 m1 i1 r o2 i2 C", {1, 1, 2, 2, 1}, 2, 2, 1, "note 1"},
    {"CompletedAfterTheLastOrder", "B c r o1 i1 m1 r o2 k C", {1, 1, 2}, 2, 1, 0, "note 1"},
    // An order left under the call's key by an earlier call: the raises count on from the stored rows.
    {"AnOrderStoredBeforeTheCall", "o2 B c r o1 i1 r i2 C", {1, 1, 2, 1}, 2, 1, 1},
    {"LookedUpThenAnOrderStored", "f o2 B c r o1 i1 r i2 C", {1, 1, 2, 1}, 2, 1, 1},
    {"LookedUpFirst", "f B c r o1 i1 i1 r o2 i2 k C", {1, 1, 2, 2, 1}, 2, 2, 1},
};

class StoreCountersTest : public test::BackendCaseTest<CounterCase> {
protected:
    void SetUp() override {
        test::BackendCaseTest<CounterCase>::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            fixture = backends.fixture();
    }

    // What a later process reads from the file.
    int storedOrdersOfCall() {
        fixture->reopenStore();
        const std::optional<CallRow> call = fixture->call(0, 1);
        return call ? call->numberOfOrders : -1;
    }
    int storedItemsOfOrder(int seq) {
        const std::optional<OrderRow> order = fixture->store->calls().findOrder(0, 1, seq);
        return order ? order->numberOfItems : -1;
    }
    QString storedMessageOfOrder1() {
        const std::optional<OrderRow> order = fixture->store->calls().findOrder(0, 1, 1);
        return order ? order->message : QString();
    }

    std::unique_ptr<test::ProgramFixture> fixture;
};

TEST_P(StoreCountersTest, RaisesGiveAndTablesKeepTheCounts) {
    const CounterCase& c = row();
    test::ProgramFixture& f = *fixture;
    EXPECT_EQ(runSteps(f, c.steps), c.raised);
    EXPECT_FALSE(f.store->units().inTransaction());
    EXPECT_EQ(storedOrdersOfCall(), c.ordersOfCall);
    EXPECT_EQ(storedItemsOfOrder(1), c.itemsOfOrder1);
    EXPECT_EQ(storedItemsOfOrder(2), c.itemsOfOrder2);
    if (c.messageOfOrder1) {
        EXPECT_EQ(storedMessageOfOrder1(), QLatin1String(c.messageOfOrder1));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StoreCountersTest, test::onBothBackends(kCases), test::BackendRowName());

// A unit undone inside a group: on a server it takes its own raises with it, in a file the whole group.
const CounterCase kServerCases[] = {
    {"UndoneUnitInsideAGroup", "G B c r o1 i1 i1 C B i1 r R B i1 C E", {1, 1, 2, 3, 2, 3}, 1, 3, -1},
};
const CounterCase kFileCases[] = {
    {"UndoneUnitUndoesItsGroup",
     "G B c r o1 i1 i1 C B i1 r R A G B c r o1 i1 C E",
     {1, 1, 2, 3, 2, 1, 1},
     1,
     1,
     -1},
};

INSTANTIATE_TEST_SUITE_P(ServerRows, StoreCountersTest,
                         test::onBackend(kServerCases, StoreBackend::PostgreSQL), test::BackendRowName());
INSTANTIATE_TEST_SUITE_P(FileRows, StoreCountersTest, test::onBackend(kFileCases, StoreBackend::SQLite),
                         test::BackendRowName());

class StoreCounters : public test::BackendTest {};

TEST_P(StoreCounters, ARaiseOfAMissingRowSaysSo) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    EXPECT_EQ(f.store->calls().raiseNumberOfOrders(0, 3, nullptr).status, Result::Status::NotFound);
    EXPECT_EQ(f.store->calls().raiseNumberOfItems(0, 3, 1, nullptr).status, Result::Status::NotFound);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreCounters, test::bothBackends(), test::backendParamName);

} // namespace
