// The order views find a salesperson or customer as the windows show it: the stored values are padded
// with blanks, the typed text often is not, and trailing blanks on either side do not count. Letter case
// does, and the typed text is only ever a value.
#include "store/Store.h"
#include "support/ProgramFixture.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

enum class Field { Salesperson, Customer };

struct FindCase {
    const char* name;
    Field field;
    const char* typed;
    std::vector<int> expected; // call numbers, in call order
};

class OrderFindTest : public BackendCaseTest<FindCase> {
protected:
    void SetUp() override {
        BackendCaseTest<FindCase>::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            fixture = backends.fixture();
    }

    void addCallWithOrder(int number, const QString& salesperson, const QString& customer) {
        f().addCall(0, number, 1);
        f().add(OrderRow{0, number, 1, salesperson, customer, u"01"_s, u"R7"_s, u"MSG"_s, 0, {}});
    }

    std::vector<int> find(const FindCase& c) {
        const QString typed = QString::fromUtf8(c.typed);
        Result result;
        const std::vector<OrderViewRow> rows =
            c.field == Field::Salesperson
                ? f().store->viewers().ordersOfSalesperson(typed, ViewScope::ThisWorkstation, &result)
                : f().store->viewers().ordersOfCustomer(typed, ViewScope::ThisWorkstation, &result);
        EXPECT_TRUE(result.ok()) << result.message.toStdString();
        std::vector<int> numbers;
        for (const OrderViewRow& row : rows)
            numbers.push_back(row.callNumber);
        return numbers;
    }

    std::unique_ptr<ProgramFixture> fixture;
    ProgramFixture& f() { return *fixture; }
};

TEST_P(OrderFindTest, MatchesWithoutTrailingBlanksButWithCase) {
    addCallWithOrder(1, u"100   "_s, u"130067  "_s); // stored as the calls bring them
    addCallWithOrder(2, u"100"_s, u"130067"_s);
    addCallWithOrder(3, u"ab    "_s, u" 130067 "_s);
    addCallWithOrder(4, u"1'0   "_s, u"13006   "_s);
    EXPECT_EQ(find(row()), row().expected);
}

const FindCase kFinds[] = {
    {"CustomerAsTyped", Field::Customer, "130067", {1, 2}},
    {"CustomerWithItsBlanks", Field::Customer, "130067  ", {1, 2}},
    {"CustomerLeadingBlankCounts", Field::Customer, " 130067", {3}},
    {"CustomerShorterFindsOnlyItself", Field::Customer, "13006", {4}},
    {"CustomerBlankFindsNothing", Field::Customer, "   ", {}},
    {"SalespersonAsTyped", Field::Salesperson, "100", {1, 2}},
    {"SalespersonMoreBlanksThanStored", Field::Salesperson, "100        ", {1, 2}},
    {"SalespersonOtherCase", Field::Salesperson, "AB", {}},
    {"SalespersonQuote", Field::Salesperson, "1'0", {4}},
    {"SalespersonQuoteOpen", Field::Salesperson, "' OR '1'='1", {}},
};

INSTANTIATE_TEST_SUITE_P(Rows, OrderFindTest, onBothBackends(kFinds), BackendRowName());

} // namespace
