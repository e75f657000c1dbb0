// The store writes each member of its rows into the column of that name and reports engine failures
// with the codes and texts the audit entries quote. A store that wrote Hour into LineNumber and read it
// back from there would pass every round trip, and read the rows of an older installation wrongly.
#include "store/Store.h"
#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace vrq;
using vrq::test::succeeded;
using namespace Qt::StringLiterals;

namespace {

class CallStoreRowsTest : public test::BackendTest {
protected:
    void SetUp() override {
        test::BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        f = backends.fixture();
        store = f->store.get();
    }

    // The table holds one row, and its columns that are not Null are those given ("Column=value"). On
    // PostgreSQL the names come in lower case, a yes/no reads t or f, and the row's Id and Workstation,
    // which only that engine has, are left out.
    void expectStored(const char* table, std::initializer_list<const char*> columns) {
        QStringList expected;
        for (const char* c : columns) {
            QString column = QString::fromUtf8(c);
            if (postgres()) {
                const qsizetype equals = column.indexOf(u'=');
                column = column.left(equals).toLower() + column.mid(equals);
            }
            expected.append(column);
        }
        const QString select = u"SELECT * FROM "_s + QLatin1String(table);
        StoreProbe probe(*store);
        Result read;
        const QStringList names = probe.columnNames(select, &read);
        ASSERT_TRUE(succeeded(read)) << table;
        const QStringList rows = probe.rows(select, &read);
        ASSERT_TRUE(succeeded(read)) << table;
        ASSERT_EQ(rows.size(), 1) << table;
        // No value written here holds a '|', so the row splits back into its columns.
        const QStringList values = rows[0].split(u'|');
        ASSERT_EQ(values.size(), names.size()) << table;
        QStringList stored;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (values[i] == QLatin1String(StoreProbe::kNull))
                continue;
            if (postgres() && (names[i] == u"id"_s || names[i] == u"workstation"_s))
                continue;
            QString value = values[i];
            if (postgres() && (value == u"t"_s || value == u"f"_s))
                value = value == u"t"_s ? u"1"_s : u"0"_s;
            stored.append(names[i] + u'=' + value);
        }
        expected.sort();
        stored.sort();
        EXPECT_EQ(stored, expected) << table;
    }

    std::unique_ptr<test::ProgramFixture> f;
    Store* store = nullptr;
    const QDateTime callTime{QDate(2026, 3, 10), QTime(14, 7, 30)};
    const QDateTime laterTime{QDate(2026, 3, 11), QTime(8, 0, 1)};
};

// Every value differs from the others of its type, so any two columns swapped show.
TEST_P(CallStoreRowsTest, EachMemberIsInTheColumnOfItsName) {
    const CallRow call{1, 2, callTime, true, false, true, u"F.Rcv"_s, {}, 6, false, 7, 8, 9, 10, 11};
    ASSERT_TRUE(store->calls().insertCall(call).ok());
    ASSERT_TRUE(store->calls().insertOrder({1, 2, 3, u"S"_s, u"C"_s, u"H"_s, u"R"_s, u"M"_s, 5, {}}).ok());
    ASSERT_TRUE(store->calls().insertItem({1, 2, 3, 4, u"I"_s, 5, 6, 7, 8, {}}).ok());
    ASSERT_TRUE(
        store->audit().insertAudit({callTime, laterTime, u"T"_s, u"Caf\u00e9 \u20ac"_s, 9, u"X"_s}).ok());

    expectStored("Calls",
                 {"Source=1", "CallNumber=2", "CallDNT=2026-03-10 14:07:30", "GoodCall=1", "Complete=0",
                  "ExtractedCall=1", "ExtractedFileName=F.Rcv", "NumberOfOrders=6", "Displayed=0",
                  "LineNumber=7", "Hour=8", "BadReason=9", "BadData=10", "NumBytes=11"});
    expectStored("Orders", {"Source=1", "CallNumber=2", "OrderSeqNumber=3", "Salesperson=S", "Customer=C",
                            "ShipTo=H", "Route=R", "Message=M", "NumberOfItems=5"});
    expectStored("OrderLineItems",
                 {"Source=1", "CallNumber=2", "OrderSeqNumber=3", "ItemSeqNumber=4", "ItemNumber=I",
                  "Quantity=5", "Unit=6", "DiscountPercent=7", "PriceOverride=8"});
    expectStored("Audit", {"AuditDNT=2026-03-10 14:07:30", "EventDNT=2026-03-11 08:00:01", "Type=T",
                           "Msg=Caf\u00e9 \u20ac", "Seq=9", "Instance=X"});

    // The columns no insert writes are read into their members too.
    ASSERT_TRUE(store->calls().markExtracted(1, 2, QStringLiteral("F.Rcv"), laterTime).ok());
    ASSERT_TRUE(succeeded(StoreProbe(*store).exec(postgres() ? u"UPDATE Calls SET Displayed = true"_s
                                                             : u"UPDATE Calls SET Displayed = 1"_s)));
    const std::optional<CallRow> read = store->calls().findCall(1, 2);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->extractedDnt, laterTime);
    EXPECT_TRUE(read->displayed);
    EXPECT_EQ(read->hour, 8);
    EXPECT_EQ(store->audit().allAudit().at(0).msg, u"Caf\u00e9 \u20ac"_s) << "a text reads back as bound";
}

// Plain-ASCII texts are read by a path of their own: every kind of text must come back as it was bound,
// an item number of a pending group as much as an audit entry's message.
TEST_P(CallStoreRowsTest, TextsReadBackAsBound) {
    const QStringList texts{u""_s,
                            u"4711"_s,
                            u"  padded  "_s,
                            u"Caf\u00e9"_s,
                            u"\u20ac\U0001F600"_s,
                            u"plain until the last \u00ff"_s,
                            QString(150, u'x'),
                            QString(149, u'x') + u"\u00e9"_s};
    ASSERT_TRUE(
        store->calls().insertCall({1, 2, callTime, true, true, false, {}, {}, 1, false, 0, 0, 0, 0, 0}).ok());
    ASSERT_TRUE(store->calls().insertOrder({1, 2, 1, u"S"_s, u"C"_s, u"H"_s, u"R"_s, u"M"_s, 1, {}}).ok());
    for (int i = 0; i < texts.size(); ++i) {
        // An item number holds 13 characters: its last ones, which hold what is not ASCII.
        const Result item = store->calls().insertItem({1, 2, 1, i + 1, texts[i].right(13), 1, 1, 0, 0, {}});
        ASSERT_TRUE(item.ok()) << item.message.toStdString();
        const Result entry = store->audit().insertAudit({callTime, laterTime, u"T"_s, texts[i], i, u"X"_s});
        ASSERT_TRUE(entry.ok()) << entry.message.toStdString();
    }
    QStringList items;
    for (const ItemRow& item : store->calls().pendingGroup(CallCursor(), 1).items)
        items.append(item.itemNumber);
    QStringList itemTexts;
    for (const QString& text : texts)
        itemTexts.append(text.right(13));
    QStringList messages;
    for (const AuditRow& row : store->audit().allAudit())
        messages.append(row.msg);
    EXPECT_EQ(items, itemTexts);
    EXPECT_EQ(messages, texts);
}

// The duplicate key is the same failure on both engines; the others keep each engine's own code and text.
TEST_P(CallStoreRowsTest, FailuresKeepTheEngineCodesAndTheDuplicateKeyText) {
    const CallRow call{.callNumber = 17};
    ASSERT_TRUE(store->calls().insertCall(call).ok());
    const Result duplicate = store->calls().insertCall(call);
    EXPECT_EQ(duplicate.status, Result::Status::Duplicate);
    EXPECT_EQ(duplicate.code, kDuplicateKeyError);
    EXPECT_EQ(duplicate.message, QStringLiteral("The changes were not made because they would create a "
                                                "duplicate value in the primary key."));

    const Result tooLong =
        store->calls().insertOrder({.callNumber = 17, .salesperson = u"1234567"_s}); // TEXT(6)
    EXPECT_EQ(tooLong.status, Result::Status::Failed);
    EXPECT_EQ(tooLong.code, postgres() ? 1 : SQLITE_CONSTRAINT_CHECK);
    EXPECT_TRUE(tooLong.message.startsWith(QStringLiteral("CHECK constraint failed")))
        << tooLong.message.toStdString();

    ASSERT_TRUE(succeeded(StoreProbe(*store).exec(u"DROP TABLE Calls"_s)));
    Result lookup;
    EXPECT_FALSE(store->calls().findCall(0, 17, &lookup));
    EXPECT_EQ(lookup.status, Result::Status::Failed);
    const QString noTable = postgres() ? u"relation \"calls\" does not exist"_s : u"no such table: Calls"_s;
    EXPECT_EQ(lookup.code, postgres() ? 1 : SQLITE_ERROR);
    EXPECT_TRUE(lookup.message.contains(noTable)) << lookup.message.toStdString();
    EXPECT_TRUE(store->calls().setExtracted(0, 17, true).message.contains(noTable));
}

INSTANTIATE_TEST_SUITE_P(Backends, CallStoreRowsTest, test::bothBackends(), test::backendParamName);

// The export reads its calls a group at a time with their orders and items: only pending calls after
// the given row, up to the limit, in natural order (not key order), each with its own rows in sequence.
class PendingGroupTest : public test::BackendTest {};

TEST_P(PendingGroupTest, HoldsThePendingCallsOfTheRangeWithTheirRowsInCallOrder) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    auto addCallWithRows = [&](int source, int number, int orders, bool good, bool complete, bool extracted) {
        f.addCall(source, number, orders, good, complete, extracted);
        for (int o = orders; o >= 1; --o) { // stored out of sequence
            f.addOrder(source, number, o);
            f.addItem(source, number, o, 2);
            f.addItem(source, number, o, 1);
        }
    };
    addCallWithRows(0, 30, 2, true, true, false);
    addCallWithRows(0, 10, 1, true, false, false); // not complete
    addCallWithRows(0, 5, 1, true, true, true);    // sent
    addCallWithRows(0, 7, 1, false, true, false);  // bad
    addCallWithRows(1, 20, 1, true, true, false);
    addCallWithRows(0, 40, 1, true, true, false);

    auto keys = [](const auto& rows) {
        QStringList texts;
        for (const auto& row : rows) {
            QString text = u"%1/%2"_s.arg(row.source).arg(row.callNumber);
            if constexpr (requires { row.orderSeqNumber; })
                text += u"/%1"_s.arg(row.orderSeqNumber);
            if constexpr (requires { row.itemSeqNumber; })
                text += u"/%1"_s.arg(row.itemSeqNumber);
            texts.append(text);
        }
        return texts.join(u' ');
    };
    Result read;
    const PendingGroup first = f.store->calls().pendingGroup(CallCursor(), 2, &read);
    ASSERT_TRUE(read.ok()) << read.message.toStdString();
    EXPECT_EQ(keys(first.calls), u"0/30 1/20"_s);
    EXPECT_EQ(keys(first.orders), u"0/30/1 0/30/2 1/20/1"_s);
    EXPECT_EQ(keys(first.items), u"0/30/1/1 0/30/1/2 0/30/2/1 0/30/2/2 1/20/1/1 1/20/1/2"_s);

    const PendingGroup rest = f.store->calls().pendingGroup(first.end, 50);
    EXPECT_EQ(keys(rest.calls), u"0/40"_s);
    EXPECT_EQ(keys(rest.orders), u"0/40/1"_s);
    EXPECT_EQ(keys(rest.items), u"0/40/1/1 0/40/1/2"_s);
    const PendingGroup none = f.store->calls().pendingGroup(rest.end, 50);
    EXPECT_TRUE(none.calls.empty());
    EXPECT_EQ(none.end, rest.end) << "an empty group ends where it began";

    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"DROP TABLE OrderLineItems"_s)));
    EXPECT_TRUE(f.store->calls().pendingGroup(CallCursor(), 50, &read).calls.empty());
    EXPECT_TRUE(read.message.contains(postgres() ? u"relation \"orderlineitems\" does not exist"_s
                                                 : u"no such table: OrderLineItems"_s))
        << read.message.toStdString();
    EXPECT_TRUE(f.store->units().begin().ok()) << "a failed read leaves no transaction open";
    f.store->units().rollback();
}

// The export reads each group into the rows of the one before: what it reads must be what a new group
// reads, whatever the rows held (more of them, Null columns, other texts).
TEST_P(PendingGroupTest, AGroupReadIntoTheRowsOfAnotherIsTheSameAsANewOne) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    f.addCall(0, 1, 3, true, true, false);
    for (int o = 1; o <= 3; ++o) {
        f.addOrder(0, 1, o);
        for (int i = 1; i <= 4; ++i)
            f.addItem(0, 1, o, i);
    }
    f.addCall(0, 2, 1, true, true, false);
    f.addOrder(0, 2, 1);
    f.addItem(0, 2, 1, 1);
    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(
        u"UPDATE OrderLineItems SET Quantity = NULL, ItemNumber = 'longer number' WHERE CallNumber = 1"_s)));
    ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(
        u"UPDATE Orders SET Customer = NULL, ShipTo = 'S1' WHERE CallNumber = 1"_s)));
    ASSERT_TRUE(
        succeeded(StoreProbe(*f.store).exec(u"UPDATE Orders SET ShipTo = NULL WHERE CallNumber = 2"_s)));

    Result read;
    PendingGroup reused = f.store->calls().pendingGroup(CallCursor(), 1, &read);
    ASSERT_TRUE(read.ok()) << read.message.toStdString();
    ASSERT_EQ(reused.items.size(), 12u);
    EXPECT_FALSE(reused.items[0].nullColumns.isEmpty());
    const CallCursor first = reused.end;
    f.store->calls().readPendingGroup(first, 1, reused, &read);
    ASSERT_TRUE(read.ok()) << read.message.toStdString();
    const PendingGroup fresh = f.store->calls().pendingGroup(first, 1);
    EXPECT_EQ(reused.calls, fresh.calls);
    EXPECT_EQ(reused.orders, fresh.orders);
    EXPECT_EQ(reused.items, fresh.items);
    EXPECT_EQ(reused.end, fresh.end);
    ASSERT_EQ(fresh.items.size(), 1u);
    EXPECT_TRUE(fresh.items[0].nullColumns.isEmpty());
    EXPECT_FALSE(fresh.orders[0].shipTo.has_value());

    f.store->calls().readPendingGroup(fresh.end, 1, reused, &read);
    EXPECT_TRUE(reused.calls.empty() && reused.orders.empty() && reused.items.empty())
        << "none after the last";
}

INSTANTIATE_TEST_SUITE_P(Backends, PendingGroupTest, test::bothBackends(), test::backendParamName);

class PurgeableCallTest : public test::BackendTest {};

TEST_P(PurgeableCallTest, TheCursorWalksThePurgeableCallsInCallOrderOnce) {
    const std::unique_ptr<test::ProgramFixture> fixture = backends.fixture();
    test::ProgramFixture& f = *fixture;
    const QDateTime old(QDate(2026, 3, 1), QTime(9, 0));
    const QDateTime recent(QDate(2026, 3, 20), QTime(9, 0));
    f.addCall(0, 30, 0, false, true, false, old);  // bad
    f.addCall(0, 10, 0, true, true, false, old);   // still to be sent
    f.addCall(1, 20, 0, true, true, true, old);    // sent
    f.addCall(0, 40, 0, false, false, false, old); // not complete
    f.addCall(0, 50, 0, false, true, false, recent);
    const QDateTime cutoff(QDate(2026, 3, 10), QTime(0, 0));

    QStringList walked;
    CallCursor after;
    Result read;
    while (const std::optional<CallRow> call = f.store->calls().nextPurgeableCall(cutoff, after, &read))
        walked.append(u"%1/%2"_s.arg(call->source).arg(call->callNumber));
    EXPECT_TRUE(read.ok()) << read.message.toStdString();
    EXPECT_EQ(walked.join(u' '), u"0/30 1/20"_s);
    // Nothing is deleted: only the cursor moves. From the start again, the same calls come.
    EXPECT_EQ(f.store->calls().nextPurgeableCall(cutoff, after).has_value(), false);
    CallCursor again;
    EXPECT_EQ(f.store->calls().nextPurgeableCall(cutoff, again)->callNumber, 30);
}

INSTANTIATE_TEST_SUITE_P(Backends, PurgeableCallTest, test::bothBackends(), test::backendParamName);

} // namespace
