#include "FuzzHarness.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace vrq::fuzz {

namespace {

void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void fail(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace vrq::fuzz

namespace vrq::test {

// The fixture's rows are stored by the harness only; a row it cannot store is a broken invariant.
void reportSetupFailure(const std::string& what) {
    fuzz::fail(what.c_str());
}

} // namespace vrq::test

namespace vrq::fuzz {

test::ProgramFixture& environment() {
    static test::ProgramFixture* env = [] {
        qInstallMessageHandler(messageHandler);
        auto* fixture = new test::ProgramFixture();
        // The store in memory: every input commits, and a file's flushes would bound the rate.
        fixture->audit.reset();
        Result error;
        fixture->store = CallStore::open(QStringLiteral(":memory:"), &error);
        if (!fixture->store)
            fail("cannot open a store in memory");
        fixture->store->dataConversions();
        fixture->audit = std::make_unique<AuditLog>(*fixture->store, fixture->clock, fixture->ctx.runMode);
        fixture->ctx.store = fixture->store.get();
        fixture->ctx.audit = fixture->audit.get();
        return fixture;
    }();
    return *env;
}

QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size) {
    const QString path = environment().path(name);
    QFile file(path);
    const auto length = static_cast<qint64>(size);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), length) != length)
        fail("cannot write the input file");
    return path;
}

void resetStore() {
    test::ProgramFixture& env = environment();
    // What the recording window system kept of this input would pile up over a run of millions.
    env.ui.displayed.clear();
    env.ui.messages.clear();
    CallStore& store = *env.store;
    if (store.inTransaction())
        fail("a unit of work was left open");
    Result result;
    for (const CallRow& call : store.allCalls(&result)) {
        if (!store.deleteCallWithOrders(call.source, call.callNumber).ok())
            fail("cannot empty the calls");
    }
    if (!result.ok() || !store.deleteAuditUpTo(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))).ok())
        fail("cannot empty the store");
    // Orders and items belong to a call row; any left now were stored without one.
    if (!store.allOrders().empty() || !store.allItems().empty())
        fail("orders or items stored without their call");
}

qint16 formatFor(std::uint8_t selector) {
    return static_cast<qint16>(selector & 3);
}

} // namespace vrq::fuzz
