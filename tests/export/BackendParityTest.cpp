// The same generated input through the real intake and the real export of each engine: the order files
// must be the same, byte for byte, and so must the rows and the audit entries the two stores keep.
#include "context/NetworkConnection.h"
#include "export/OrderExport.h"
#include "intake/DataBinIntake.h"
#include "support/IntakeFixture.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::testdata;

namespace {

// What one installation left behind: each order file with its bytes, the calls with their orders and
// items as the store holds them, and the audit entries.
struct Outcome {
    QStringList orderFiles;
    QList<QByteArray> orderFileBytes;
    QStringList rows;
    QStringList audit;
};

struct ParityCase {
    const char* name;
    Dialect dialect;
    int calls;
};

class BackendParityTest : public ::testing::TestWithParam<ParityCase> {};

Outcome intakeThenExport(test::ProgramFixture& fx, const ParityCase& c) {
    fx.ctx.settings.systemId = 4;
    fx.ctx.settings.lastSeqNum = 9900;
    fx.ctx.settings.dataBinFormat = static_cast<qint16>(dataBinFormatFor(c.dialect));
    DataBinOptions options;
    options.calls = c.calls;
    options.dialect = c.dialect;
    options.seed = 36;
    options.badEvery = 7;
    options.nullEvery = 11;
    options.duplicateEvery = 13;
    options.malformedEvery = 17;
    QString error;
    EXPECT_TRUE(writeDataBin(fx.dataBinFile(), options, nullptr, &error)) << error.toStdString();

    DataBinIntake(fx.ctx).run();
    NetworkConnection network(fx.ctx);
    OrderExport orderExport(fx.ctx, network);
    orderExport.extractCalls();

    Outcome outcome;
    outcome.orderFiles = fx.hostFiles();
    for (const QString& name : outcome.orderFiles)
        outcome.orderFileBytes.append(test::ProgramFixture::readFile(fx.hostFile(name)));
    for (const CallRow& c : fx.store->calls().allCalls()) {
        outcome.rows << test::fieldLine("call", c.source, c.callNumber, c.callDnt, c.goodCall, c.complete,
                                        c.extractedCall, c.extractedFileName, c.numberOfOrders, c.lineNumber,
                                        c.hour, c.badReason, c.badData, c.numBytes);
        for (const OrderRow& o : fx.store->calls().ordersOfCall(c.source, c.callNumber)) {
            outcome.rows << test::fieldLine("order", o.orderSeqNumber, o.salesperson, o.customer,
                                            o.shipTo.value_or(u"-"_s), o.route, o.message, o.numberOfItems);
            for (const ItemRow& i : fx.store->calls().itemsOfOrder(c.source, c.callNumber, o.orderSeqNumber))
                outcome.rows << test::fieldLine("item", i.itemSeqNumber, i.itemNumber, i.quantity, i.unit,
                                                i.discountPercent, i.priceOverride);
        }
    }
    outcome.audit = fx.auditTexts();
    return outcome;
}

TEST_P(BackendParityTest, BothEnginesWriteTheSameOrderFilesFromTheSameInput) {
    VRQ_NEED_PG_SERVER();
    test::PgTestDatabase database;
    ASSERT_TRUE(database.created()) << database.error().toStdString();
    test::ProgramFixture onSqlite;
    test::ProgramFixture onPostgres(test::ProgramFixture::kDefaultNow, database.conninfo());

    const Outcome expected = intakeThenExport(onSqlite, GetParam());
    const Outcome actual = intakeThenExport(onPostgres, GetParam());

    ASSERT_FALSE(expected.orderFiles.isEmpty()) << "the input gives order files";
    EXPECT_EQ(actual.orderFiles, expected.orderFiles);
    ASSERT_EQ(actual.orderFileBytes.size(), expected.orderFileBytes.size());
    for (qsizetype i = 0; i < expected.orderFileBytes.size(); ++i)
        EXPECT_EQ(actual.orderFileBytes[i], expected.orderFileBytes[i])
            << expected.orderFiles[i].toStdString();
    EXPECT_EQ(actual.rows, expected.rows);
    EXPECT_EQ(actual.audit, expected.audit);
}

// More calls than one group of the intake holds, so groups are committed in turn, and every dialect.
INSTANTIATE_TEST_SUITE_P(Inputs, BackendParityTest,
                         ::testing::Values(ParityCase{"standard", Dialect::Standard, 130},
                                           ParityCase{"hLines", Dialect::HLines, 40},
                                           ParityCase{"autoFormatV", Dialect::AutoFormatV, 40},
                                           ParityCase{"oldWbzV", Dialect::OldWbzV, 40},
                                           ParityCase{"quill", Dialect::Quill, 40}),
                         test::RowName());

} // namespace
