// Intake of DataBin.Dat through the real code path against its floor: the same rows inserted by the
// store's own prepared statements in one transaction.
#include "Benches.h"
#include "ProgramFolder.h"

#include "store/AuditLog.h"
#include "store/Store.h"
#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace vrq::bench {

namespace {

struct Input {
    int calls = 0;
    QString file;
    std::vector<testdata::CallTruth> truth;
    qint64 items = 0;
};

Input makeInput(const BenchOptions& options, int calls, const QString& folder) {
    Input input;
    input.calls = calls;
    input.file = QDir(folder).filePath(QStringLiteral("DataBin-%1.Dat").arg(calls));
    writeBenchDataBin(input.file, calls, options.ordersPerCall, options.itemsPerOrder, 7, &input.truth);
    for (const testdata::CallTruth& call : input.truth)
        for (const testdata::OrderTruth& order : call.orders)
            input.items += static_cast<qint64>(order.items.size());
    return input;
}

struct IntakeRun {
    double seconds = 0;
    int auditRows = 0; // written by the pass
};

// One DataBinIntake::run() over a fresh program folder, as `vrqtoqx7 --once` makes it.
IntakeRun runIntake(const Input& input, const QString& root, bool verify) {
    QTemporaryDir dir(QDir(root).filePath(QStringLiteral("intake-XXXXXX")));
    const ProgramFolder folder(dir.path());
    copyFile(input.file, folder.dataBinPath());
    IntakeRun run;
    RunningProgram program(folder, false);
    Store& store = *program.context().store;
    const std::size_t auditBefore = store.audit().allAudit().size();
    run.seconds = timeSeconds([&] { program.app().runDataBinIntake(); });
    run.auditRows = static_cast<int>(store.audit().allAudit().size() - auditBefore);
    if (QFile::exists(folder.dataBinPath()))
        fail(QStringLiteral("the intake left DataBin.Dat in place"));
    if (verify) {
        const std::vector<CallRow> calls = store.calls().allCalls();
        int complete = 0;
        for (const CallRow& c : calls)
            complete += c.complete && c.goodCall ? 1 : 0;
        if (complete != input.calls)
            fail(QStringLiteral("intake stored %1 complete good calls of %2").arg(complete).arg(input.calls));
        if (static_cast<qint64>(store.calls().allItems().size()) != input.items)
            fail(QStringLiteral("intake stored a wrong number of line items"));
    }
    return run;
}

// The same rows as the intake writes, through CallStore's prepared statements in one transaction (or,
// for comparison, one per call, as the intake committed them before it grouped its commits), then the same
// checkpoint the intake makes before it moves the input file away.
double runFloor(const Input& input, int auditRows, const QString& root, bool transactionPerCall) {
    QTemporaryDir dir(QDir(root).filePath(QStringLiteral("floor-XXXXXX")));
    Result error;
    std::unique_ptr<Store> store = openStoreFile(
        QDir(dir.path()).filePath(QString::fromLatin1(kStoreFileName)), StoreAccess::ReadWrite, &error);
    if (!store)
        fail(error.message);
    store->schema().dataConversions(); // the schema and indexes of a started program
    const QDateTime now = QDateTime::currentDateTime();
    const int auditPerCall = auditRows / input.calls;
    const int auditRest = auditRows % input.calls;
    auto audit = [&](int callNumber) {
        AuditRow row;
        row.auditDnt = now;
        row.eventDnt = now;
        row.type = QStringLiteral("I");
        row.msg = QStringLiteral("ProcessGoodCall: Call # %1 set Complete = True.").arg(callNumber);
        row.seq = callNumber;
        row.instance = QStringLiteral("F");
        if (!store->audit().insertAudit(row).ok())
            fail(QStringLiteral("floor: audit insert failed"));
    };
    return timeSeconds([&] {
        if (!transactionPerCall && !store->units().begin().ok())
            fail(QStringLiteral("floor: begin failed"));
        for (const testdata::CallTruth& call : input.truth) {
            if (transactionPerCall && !store->units().begin().ok())
                fail(QStringLiteral("floor: begin failed"));
            CallRow row;
            row.callNumber = call.callNumber;
            row.callDnt = call.callDnt.value_or(now);
            row.goodCall = true;
            row.lineNumber = call.lineNumber;
            row.hour = call.hour;
            row.numBytes = call.numBytes;
            if (!store->calls().insertCall(row).ok())
                fail(QStringLiteral("floor: call insert failed"));
            for (int a = 0; a < auditPerCall; ++a)
                audit(call.callNumber);
            for (const testdata::OrderTruth& order : call.orders) {
                OrderRow o;
                o.callNumber = call.callNumber;
                if (!store->calls().raiseNumberOfOrders(0, call.callNumber, &o.orderSeqNumber).ok())
                    fail(QStringLiteral("floor: order counter failed"));
                o.salesperson = order.salesperson;
                o.customer = order.customer;
                o.route = order.route;
                o.message = order.message;
                if (!order.shipTo.isEmpty())
                    o.shipTo = order.shipTo;
                if (!store->calls().insertOrder(o).ok())
                    fail(QStringLiteral("floor: order insert failed"));
                for (const testdata::ItemTruth& item : order.items) {
                    ItemRow i;
                    i.callNumber = call.callNumber;
                    i.orderSeqNumber = o.orderSeqNumber;
                    if (!store->calls()
                             .raiseNumberOfItems(0, call.callNumber, o.orderSeqNumber, &i.itemSeqNumber)
                             .ok())
                        fail(QStringLiteral("floor: item counter failed"));
                    i.itemNumber = item.itemNumber;
                    i.quantity = item.quantity;
                    i.unit = item.unit;
                    i.discountPercent = item.discountPercent;
                    i.priceOverride = item.priceOverride;
                    if (!store->calls().insertItem(i).ok())
                        fail(QStringLiteral("floor: item insert failed"));
                }
            }
            if (!store->calls().setCallComplete(0, call.callNumber).ok())
                fail(QStringLiteral("floor: complete update failed"));
            if (transactionPerCall && !store->units().commit().ok())
                fail(QStringLiteral("floor: commit failed"));
        }
        if (transactionPerCall && !store->units().begin().ok())
            fail(QStringLiteral("floor: begin failed"));
        for (int a = 0; a < auditRest; ++a)
            audit(0);
        if (!store->units().commit().ok())
            fail(QStringLiteral("floor: commit failed"));
        store->units().checkpoint();
    });
}

} // namespace

void intakeBench(const BenchOptions& options, std::vector<Figure>& figures) {
    QTemporaryDir inputs(QDir(options.workRoot).filePath(QStringLiteral("inputs-XXXXXX")));
    std::vector<double> intakeMedians;
    std::vector<double> floorMedians;
    for (int calls : options.intakeSizes) {
        const Input input = makeInput(options, calls, inputs.path());
        // A first pass, not counted: verifies the stored rows, counts the audit rows, warms the caches.
        const IntakeRun first = runIntake(input, options.workRoot, true);
        std::vector<double> intake;
        std::vector<double> floor;
        std::vector<double> floorPerCall;
        for (int rep = 0; rep < options.reps; ++rep) {
            intake.push_back(runIntake(input, options.workRoot, false).seconds);
            floor.push_back(runFloor(input, first.auditRows, options.workRoot, false));
            floorPerCall.push_back(runFloor(input, first.auditRows, options.workRoot, true));
            QTextStream(stderr)
                << QStringLiteral(
                       "intake %1 calls, run %2: intake %3, floor %4, floor committing per call %5\n")
                       .arg(calls)
                       .arg(rep + 1)
                       .arg(seconds(intake.back()), seconds(floor.back()), seconds(floorPerCall.back()));
        }
        const double i = median(intake);
        const double f = median(floor);
        intakeMedians.push_back(i);
        floorMedians.push_back(f);
        const double ratio = i / f;
        figures.push_back({QStringLiteral("intake %1 calls (%2 line items, %3 audit rows): time")
                               .arg(calls)
                               .arg(input.items)
                               .arg(first.auditRows),
                           seconds(i), seconds(f), fixed(ratio, 2), QStringLiteral("ratio <= 2"),
                           ratio <= 2 ? QStringLiteral("yes") : QStringLiteral("no")});
        const double p = median(floorPerCall);
        figures.push_back({QStringLiteral("intake %1 calls: same rows, one transaction per call").arg(calls),
                           seconds(p), seconds(f), fixed(p / f, 2), QString(), QStringLiteral("-")});
        figures.push_back({QStringLiteral("intake %1 calls: calls/s").arg(calls), fixed(calls / i, 0),
                           fixed(calls / f, 0), fixed(f / i, 2), QString(), QStringLiteral("-")});
        figures.push_back({QStringLiteral("intake %1 calls: line items/s").arg(calls),
                           fixed(static_cast<double>(input.items) / i, 0),
                           fixed(static_cast<double>(input.items) / f, 0), fixed(f / i, 2), QString(),
                           QStringLiteral("-")});
    }
    if (intakeMedians.size() == 2) {
        const double sizeRatio = static_cast<double>(options.intakeSizes[1]) / options.intakeSizes[0];
        const double intakeGrowth = intakeMedians[1] / intakeMedians[0];
        const double floorGrowth = floorMedians[1] / floorMedians[0];
        figures.push_back({QStringLiteral("intake growth %1 -> %2 calls (time ratio; size ratio %3)")
                               .arg(options.intakeSizes[0])
                               .arg(options.intakeSizes[1])
                               .arg(fixed(sizeRatio, 0)),
                           fixed(intakeGrowth, 2), fixed(floorGrowth, 2),
                           fixed(intakeGrowth / floorGrowth, 2), QStringLiteral("grows like the floor"),
                           QStringLiteral("-")});
    }
}

} // namespace vrq::bench
