// The rows of a call taken in inside a unit of work are the rows the same steps give outside one, on both
// engines, whatever characters their texts hold, and the look-up before each call finds every call this
// program stored. On PostgreSQL, where such a call's rows are held and written later in one go, a clash
// or a refusal met only then undoes the whole unit or group.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "store/UnitOfWork.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace vrq;
using vrq::test::succeeded;
using namespace Qt::StringLiterals;

namespace {

struct TextCase {
    const char* name;
    QString salesperson;
    QString customer;
    std::optional<QString> shipTo;
    QString route;
    QString message;
    QString itemNumber;
    bool readsBackAsGiven = true; // false: the engines differ in how they keep the text
};

const TextCase kTexts[] = {
    {"QuotesBracesAndBackslashes", uR"(a"b\c)"_s, u"{x,y}"_s, u"\""_s, u"\\\\"_s,
     uR"(say "hi", {ok}\ NULL)"_s, uR"("NULL"\,)"_s},
    {"TheWordNull", u"NULL"_s, u"null"_s, u""_s, u"NULL"_s, u"NULL"_s, u"NULL"_s},
    {"EmptyTextsAndNoShipTo", u""_s, u""_s, std::nullopt, u""_s, u""_s, u""_s},
    {"LettersBeyondAscii", u"Caf\u00e9"_s, u"Gr\u00fc\u00dfe\u20ac"_s, u"\u00df"_s, u"\u00f8\u00e6\u00e5"_s,
     u"\u00dcn\u00efc\u00f6d\u00e9 \u2211 \U0001F600"_s, u"\u00c4-13"_s},
    {"SpacesAroundTexts", u" a "_s, u"  "_s, u" "_s, u"r "_s, u"  leading and trailing  "_s, u" 1 "_s},
    {"ANulCharacterInAText", u"S"_s, u"C"_s, u"H"_s, u"R"_s, u"M"_s,
     QStringLiteral("ab") + QChar(0) + u"cd"_s, false},
};

class HeldRowsTest : public test::BackendCaseTest<TextCase> {
protected:
    void SetUp() override {
        test::BackendCaseTest<TextCase>::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            fixture = backends.fixture();
    }

    // The intake's steps for one call of one order of one item, its message and price set afterwards.
    void takeIn(int callNumber) {
        const TextCase& c = row();
        CallRecords& calls = fixture->store->calls();
        ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = callNumber, .goodCall = true})));
        int order = 0;
        ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, callNumber, &order)));
        ASSERT_TRUE(succeeded(calls.insertOrder(
            {0, callNumber, order, c.salesperson, c.customer, c.shipTo, c.route, QString(), 0, {}})));
        ASSERT_TRUE(succeeded(calls.setOrderMessage(0, callNumber, order, c.message)));
        int item = 0;
        ASSERT_TRUE(succeeded(calls.raiseNumberOfItems(0, callNumber, order, &item)));
        ASSERT_TRUE(succeeded(calls.insertItem({0, callNumber, order, item, c.itemNumber, -3, 2, 5, 0, {}})));
        ASSERT_TRUE(succeeded(calls.setPriceOverride(0, callNumber, order, item, 1250)));
        ASSERT_TRUE(succeeded(calls.setCallComplete(0, callNumber)));
    }

    std::unique_ptr<test::ProgramFixture> fixture;
};

TEST_P(HeldRowsTest, ACallTakenInInsideAUnitIsStoredAsOneTakenInOutsideOne) {
    const TextCase& c = row();
    ASSERT_NO_FATAL_FAILURE(takeIn(1));
    {
        UnitOfWork unit(fixture->store->units());
        ASSERT_NO_FATAL_FAILURE(takeIn(2));
        ASSERT_TRUE(succeeded(unit.commit()));
    }
    fixture->reopenStore();
    CallRecords& calls = fixture->store->calls();
    for (int number : {1, 2}) {
        SCOPED_TRACE(number);
        const std::optional<CallRow> call = calls.findCall(0, number);
        ASSERT_TRUE(call);
        EXPECT_TRUE(call->complete);
        EXPECT_TRUE(call->goodCall);
        EXPECT_EQ(call->numberOfOrders, 1);
    }
    const std::vector<OrderRow> outside = calls.ordersOfCall(0, 1);
    const std::vector<OrderRow> inside = calls.ordersOfCall(0, 2);
    ASSERT_EQ(outside.size(), 1u);
    ASSERT_EQ(inside.size(), 1u);
    const std::vector<ItemRow> outsideItems = calls.itemsOfOrder(0, 1, 1);
    const std::vector<ItemRow> insideItems = calls.itemsOfOrder(0, 2, 1);
    ASSERT_EQ(outsideItems.size(), 1u);
    ASSERT_EQ(insideItems.size(), 1u);
    for (const OrderRow* order : {&outside[0], &inside[0]}) {
        EXPECT_EQ(order->numberOfItems, 1);
        EXPECT_EQ(order->nullColumns, QStringList());
    }
    EXPECT_EQ(inside[0].salesperson, outside[0].salesperson);
    EXPECT_EQ(inside[0].customer, outside[0].customer);
    EXPECT_EQ(inside[0].shipTo, outside[0].shipTo);
    EXPECT_EQ(inside[0].route, outside[0].route);
    EXPECT_EQ(inside[0].message, outside[0].message);
    EXPECT_EQ(insideItems[0].itemNumber, outsideItems[0].itemNumber);
    for (const ItemRow* item : {&outsideItems[0], &insideItems[0]}) {
        EXPECT_EQ(item->quantity, -3);
        EXPECT_EQ(item->unit, 2);
        EXPECT_EQ(item->discountPercent, 5);
        EXPECT_EQ(item->priceOverride, 1250);
    }
    if (c.readsBackAsGiven) {
        EXPECT_EQ(inside[0].salesperson, c.salesperson);
        EXPECT_EQ(inside[0].customer, c.customer);
        EXPECT_EQ(inside[0].shipTo, c.shipTo);
        EXPECT_EQ(inside[0].route, c.route);
        EXPECT_EQ(inside[0].message, c.message);
        EXPECT_EQ(insideItems[0].itemNumber, c.itemNumber);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, HeldRowsTest, test::onBothBackends(kTexts), test::BackendRowName());

// The look-ups the intake makes before each call see every call this program stored, whatever the store
// read ahead of them: outside and inside units of work, and with orders stored under a key before.
class CallLookUpTest : public test::BackendTest {};

TEST_P(CallLookUpTest, FindsEveryCallThisProgramStored) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    CallRecords& calls = fixture->store->calls();
    ASSERT_FALSE(calls.findCall(0, 1));
    ASSERT_FALSE(calls.findCall(0, 2));
    ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 3})));
    EXPECT_TRUE(calls.findCall(0, 3)) << "stored outside a unit";
    {
        UnitOfWork group(fixture->store->units(), UnitOfWork::Scope::Group);
        // 4 is the next number after 3: the keys from 4 on are read ahead, and answer for 5.
        for (const auto& [number, found] : {std::pair{4, false}, std::pair{5, false}, std::pair{4, true}}) {
            EXPECT_EQ(calls.findCall(0, number).has_value(), found) << number;
            UnitOfWork unit(fixture->store->units());
            EXPECT_EQ(calls.insertCall({.callNumber = number}).status,
                      found ? Result::Status::Duplicate : Result::Status::Ok)
                << number;
            ASSERT_TRUE(succeeded(unit.commit()));
        }
        ASSERT_TRUE(succeeded(group.commit()));
    }
    EXPECT_TRUE(calls.findCall(0, 4)) << "stored by a group";
    ASSERT_TRUE(succeeded(calls.insertOrder({.callNumber = 6, .orderSeqNumber = 1})));
    EXPECT_FALSE(calls.findCall(0, 6));
    UnitOfWork unit(fixture->store->units());
    ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 6})));
    int order = 0;
    ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, 6, &order)));
    EXPECT_EQ(calls.insertOrder({.callNumber = 6, .orderSeqNumber = order}).status, Result::Status::Duplicate)
        << "the order stored under the key before the call";
}

INSTANTIATE_TEST_SUITE_P(Backends, CallLookUpTest, test::bothBackends(), test::backendParamName);

// An order or a call held inside a unit of work is written before anything reads it, with its values so
// far; what could not be written now fails at once, as outside a unit.
class HeldInsertTest : public test::BackendTest {};

TEST_P(HeldInsertTest, AReadInsideTheUnitSeesTheOrderAsItStandsAndALongTextFailsAtOnce) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    CallRecords& calls = fixture->store->calls();
    UnitOfWork unit(fixture->store->units());
    ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 9})));
    int order = 0;
    ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, 9, &order)));
    ASSERT_TRUE(
        succeeded(calls.insertOrder({.callNumber = 9, .orderSeqNumber = order, .customer = u"C1"_s})));
    int item = 0;
    ASSERT_TRUE(succeeded(calls.raiseNumberOfItems(0, 9, order, &item)));
    ASSERT_TRUE(
        succeeded(calls.insertItem({.callNumber = 9, .orderSeqNumber = order, .itemSeqNumber = item})));
    ASSERT_TRUE(succeeded(calls.setOrderMessage(0, 9, order, u"first"_s)));

    const std::vector<OrderRow> seen = calls.ordersOfCall(0, 9);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].customer, u"C1"_s);
    EXPECT_EQ(seen[0].numberOfItems, 1);
    EXPECT_EQ(seen[0].message, u"first"_s);

    // Items and the message after the read still reach the order.
    ASSERT_TRUE(succeeded(calls.raiseNumberOfItems(0, 9, order, &item)));
    ASSERT_TRUE(succeeded(calls.setOrderMessage(0, 9, order, u"second"_s)));
    ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, 9, &order)));
    const Result tooLong =
        calls.insertOrder({.callNumber = 9, .orderSeqNumber = order, .salesperson = u"SEVENSP"_s});
    EXPECT_FALSE(tooLong.ok()) << "a salesperson of seven characters was taken";
    ASSERT_TRUE(succeeded(calls.setCallComplete(0, 9)));
    ASSERT_TRUE(succeeded(unit.commit()));
    const std::optional<OrderRow> first = calls.findOrder(0, 9, 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->numberOfItems, 2);
    EXPECT_EQ(first->message, u"second"_s);
    EXPECT_FALSE(calls.findOrder(0, 9, 2));
}

// A call whose key the look-up just before found free is held the same way: the next read inside the
// unit finds it, and a second insert under its key is a duplicate at once.
TEST_P(HeldInsertTest, ACallLookedUpAndStoredIsSeenByTheNextReadAndClashesAtOnce) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    CallRecords& calls = fixture->store->calls();
    UnitOfWork group(fixture->store->units(), UnitOfWork::Scope::Group);
    {
        UnitOfWork unit(fixture->store->units());
        ASSERT_FALSE(calls.findCall(0, 12));
        ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 12, .goodCall = true})));
        int order = 0;
        ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, 12, &order)));
        const std::optional<CallRow> seen = calls.findCall(0, 12);
        ASSERT_TRUE(seen) << "the call held since its insert";
        EXPECT_EQ(seen->numberOfOrders, 1);
        EXPECT_FALSE(seen->complete);
        EXPECT_EQ(calls.insertCall({.callNumber = 12}).status, Result::Status::Duplicate);
        ASSERT_TRUE(succeeded(calls.setCallComplete(0, 12)));
        ASSERT_TRUE(succeeded(unit.commit()));
    }
    {
        UnitOfWork unit(fixture->store->units());
        ASSERT_FALSE(calls.findCall(0, 13));
        ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 13, .goodCall = true})));
        ASSERT_TRUE(succeeded(calls.setCallComplete(0, 13, false)));
        ASSERT_TRUE(succeeded(unit.commit()));
    }
    ASSERT_TRUE(succeeded(group.commit()));
    const std::optional<CallRow> first = calls.findCall(0, 12);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->complete);
    EXPECT_TRUE(first->goodCall);
    EXPECT_EQ(first->numberOfOrders, 1);
    const std::optional<CallRow> second = calls.findCall(0, 13);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->complete);
    EXPECT_FALSE(second->goodCall) << "judged bad at its end";
}

INSTANTIATE_TEST_SUITE_P(Backends, HeldInsertTest, test::bothBackends(), test::backendParamName);

// This program's store, and a second program's on the same database and workstation.
class HeldRowsRefusedTest : public test::BackendTest {
protected:
    void SetUp() override {
        test::BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        fixture = backends.fixture();
        StoreLocation location{.backend = StoreBackend::PostgreSQL, .connection = fixture->pgConnection};
        Result opened;
        other = openStore(location, StoreAccess::ReadWrite, &opened);
        ASSERT_TRUE(other) << opened.message.toStdString();
    }

    std::unique_ptr<test::ProgramFixture> fixture;
    std::unique_ptr<Store> other;
};

// Another program with the same workstation stores the call after this unit checked its key (by the
// intake's look-up before the unit, or by the insert itself): the unit's end finds the clash, and none
// of the call's rows stay.
TEST_P(HeldRowsRefusedTest, ACallStoredMeanwhileElsewhereUndoesTheWholeUnit) {
    CallRecords& calls = fixture->store->calls();
    for (const bool lookedUp : {false, true}) {
        SCOPED_TRACE(lookedUp ? "looked up before the unit" : "checked by the insert");
        const int number = lookedUp ? 6 : 7;
        if (lookedUp) {
            ASSERT_FALSE(calls.findCall(0, number));
        }
        {
            UnitOfWork unit(fixture->store->units());
            ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = number})));
            int order = 0;
            ASSERT_TRUE(succeeded(calls.raiseNumberOfOrders(0, number, &order)));
            ASSERT_TRUE(succeeded(calls.insertOrder({.callNumber = number, .orderSeqNumber = order})));
            ASSERT_TRUE(succeeded(
                calls.insertItem({.callNumber = number, .orderSeqNumber = order, .itemSeqNumber = 1})));

            ASSERT_TRUE(succeeded(other->calls().insertCall({.callNumber = number, .numberOfOrders = 4})));
            const Result committed = unit.commit();
            EXPECT_EQ(committed.status, Result::Status::Duplicate) << committed.message.toStdString();
        }
        EXPECT_FALSE(fixture->store->units().inTransaction());
        const std::optional<CallRow> stored = calls.findCall(0, number);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->numberOfOrders, 4) << "the other program's row";
        EXPECT_TRUE(calls.ordersOfCall(0, number).empty());
        EXPECT_TRUE(calls.itemsOfOrder(0, number, 1).empty());
    }

    // The store goes on: the next unit keeps its rows.
    UnitOfWork next(fixture->store->units());
    ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = 8})));
    ASSERT_TRUE(succeeded(next.commit()));
    EXPECT_TRUE(calls.findCall(0, 8));
}

// As the intake runs: a group of units, each call looked up first, the next call's look-up answered
// from the keys read ahead with an earlier one. Another program stores a call after they were read:
// the group's end finds the clash and keeps none of the group's rows.
TEST_P(HeldRowsRefusedTest, ACallStoredAfterTheKeysAheadWereReadUndoesTheGroup) {
    CallRecords& calls = fixture->store->calls();
    {
        UnitOfWork group(fixture->store->units(), UnitOfWork::Scope::Group);
        for (int number = 1; number <= 3; ++number) {
            if (number == 3) {
                ASSERT_TRUE(succeeded(other->calls().insertCall({.callNumber = 3, .numberOfOrders = 4})));
            }
            EXPECT_FALSE(calls.findCall(0, number)) << number << ": answered from the keys read ahead";
            UnitOfWork unit(fixture->store->units());
            ASSERT_TRUE(succeeded(calls.insertCall({.callNumber = number})));
            ASSERT_TRUE(succeeded(calls.insertOrder({.callNumber = number, .orderSeqNumber = 1})));
            ASSERT_TRUE(succeeded(unit.commit()));
        }
        const Result committed = group.commit();
        EXPECT_EQ(committed.status, Result::Status::Duplicate) << committed.message.toStdString();
    }
    EXPECT_FALSE(fixture->store->units().inTransaction());
    for (int number : {1, 2})
        EXPECT_FALSE(calls.findCall(0, number)) << number;
    const std::optional<CallRow> stored = calls.findCall(0, 3);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->numberOfOrders, 4) << "the other program's row";
    EXPECT_TRUE(calls.ordersOfCall(0, 3).empty());
}

// A call the server refuses (here a trigger; on a site, a text the database's encoding cannot hold) is
// met when the group's held rows go: the group is undone. Taken again, each unit sends its rows when it
// commits, so only the refused call fails and the calls before it are kept; then the group goes back
// to holding its rows.
TEST_P(HeldRowsRefusedTest, ACallTheServerRefusesFailsTheGroupThenOnlyItself) {
    ASSERT_TRUE(succeeded(StoreProbe(*fixture->store)
                              .exec(u"CREATE FUNCTION RefuseCall() RETURNS trigger LANGUAGE plpgsql AS "
                                    "$$BEGIN RAISE EXCEPTION 'call 3 refused'; END$$; "
                                    "CREATE TRIGGER RefuseCall3 BEFORE INSERT ON Calls FOR EACH ROW "
                                    "WHEN (NEW.CallNumber = 3) EXECUTE FUNCTION RefuseCall()"_s)));
    CallRecords& calls = fixture->store->calls();
    // Calls 1-5 in one group, as the intake takes them in; the numbers of the units that failed.
    auto takeIn = [&](Result* groupEnd) {
        std::vector<int> failed;
        UnitOfWork group(fixture->store->units(), UnitOfWork::Scope::Group);
        for (int number = 1; number <= 5; ++number) {
            if (calls.findCall(0, number))
                continue;
            UnitOfWork unit(fixture->store->units());
            EXPECT_TRUE(succeeded(calls.insertCall({.callNumber = number})));
            EXPECT_TRUE(succeeded(calls.insertOrder({.callNumber = number, .orderSeqNumber = 1})));
            if (!unit.commit().ok()) {
                failed.push_back(number);
                break; // the intake stops at a call it cannot store
            }
        }
        *groupEnd = group.commit();
        return failed;
    };
    auto stored = [&] {
        std::vector<int> numbers;
        for (const CallRow& call : calls.allCalls())
            numbers.push_back(call.callNumber);
        return numbers;
    };
    Result groupEnd;
    EXPECT_EQ(takeIn(&groupEnd), std::vector<int>{});
    EXPECT_TRUE(groupEnd.message.contains(u"call 3 refused"_s)) << groupEnd.message.toStdString();
    EXPECT_EQ(stored(), std::vector<int>{});

    EXPECT_EQ(takeIn(&groupEnd), std::vector<int>{3});
    EXPECT_TRUE(succeeded(groupEnd));
    EXPECT_EQ(stored(), (std::vector<int>{1, 2}));
    EXPECT_EQ(calls.ordersOfCall(0, 2).size(), 1u);

    ASSERT_TRUE(succeeded(StoreProbe(*fixture->store).exec(u"DROP TRIGGER RefuseCall3 ON Calls"_s)));
    EXPECT_EQ(takeIn(&groupEnd), std::vector<int>{});
    EXPECT_TRUE(succeeded(groupEnd));
    EXPECT_EQ(stored(), (std::vector<int>{1, 2, 3, 4, 5}));
}

// Only PostgreSQL lets a second program write while a unit of work is open.
INSTANTIATE_TEST_SUITE_P(Backends, HeldRowsRefusedTest, ::testing::Values(StoreBackend::PostgreSQL),
                         test::backendParamName);

} // namespace
