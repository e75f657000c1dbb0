#include "FuzzHarness.h"

#include "store/sqlite/CallStore.h"
#include "store/sqlite/SqliteStore.h"

#include <QFile>
#include <QHash>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

// The C library's own allocator, which the sanitizer does not replace.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

// AddressSanitizer keeps 64 MB of freed memory from reuse instead of its default 256 MB. A use after
// free is still caught as long as the block was freed less than 64 MB of frees ago, which covers every
// block freed by the current input and many inputs before it; through the larger quarantine each block
// came back cold, from fresh pages, which cost a third of the call loop's and settings' time. ASAN_OPTIONS
// overrides it (quarantine_size_mb=256 for the default when replaying one input).
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=64";
}

namespace vrq::fuzz {

namespace {

// The error output as the process started; the harness's own reports go there.
FILE* harnessOutput = stderr;

void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(harnessOutput, "qFatal: %s\n", qPrintable(message));
        std::abort();
    }
}

// The program's lines on stderr (a bad call named by the batch path, a refused audit entry) discarded:
// broken input is the point, and a line per input floods the fuzzer's log. The C stream is replaced,
// not descriptor 2, so the sanitizers' and the fuzzer's reports still reach the log.
// VRQ_FUZZ_STDERR=1 keeps them, to read what the program says about one input.
void discardProgramErrorOutput() {
    if (qEnvironmentVariableIntValue("VRQ_FUZZ_STDERR") == 1)
        return;
    cookie_io_functions_t discard = {nullptr, nullptr, nullptr, nullptr}; // a null write discards
    if (FILE* sink = fopencookie(nullptr, "w", discard))
        stderr = sink;
}

// SQLite's memory from the C library's allocator. The store's pages and journals are SQLite's own
// memory, never the program's; through the sanitizer's allocator each of those pages is filled,
// quarantined and taken fresh from the system, which made SQLite's allocations most of an input's cost.
// Each block starts with its size, which SQLite asks for.
constexpr std::size_t kHeader = 16;

void* sqliteMalloc(int size) {
    auto* block = static_cast<unsigned char*>(__libc_malloc(static_cast<std::size_t>(size) + kHeader));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    return block + kHeader;
}

void sqliteFree(void* memory) {
    if (memory)
        __libc_free(static_cast<unsigned char*>(memory) - kHeader);
}

void* sqliteRealloc(void* memory, int size) {
    auto* block = static_cast<unsigned char*>(__libc_realloc(static_cast<unsigned char*>(memory) - kHeader,
                                                             static_cast<std::size_t>(size) + kHeader));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    return block + kHeader;
}

int sqliteSize(void* memory) {
    int size = 0;
    std::memcpy(&size, static_cast<unsigned char*>(memory) - kHeader, sizeof size);
    return size;
}

int sqliteRoundup(int size) {
    return (size + 7) & ~7;
}

int sqliteInit(void*) {
    return SQLITE_OK;
}

void sqliteShutdown(void*) {}

void useLibcAllocatorForSqlite() {
    static const sqlite3_mem_methods methods = {sqliteMalloc,  sqliteFree, sqliteRealloc,  sqliteSize,
                                                sqliteRoundup, sqliteInit, sqliteShutdown, nullptr};
    sqlite3_shutdown();
    if (sqlite3_config(SQLITE_CONFIG_MALLOC, &methods) != SQLITE_OK)
        std::fprintf(harnessOutput, "SQLite keeps its allocator\n");
    // One thread uses the store here: no mutex around each of SQLite's steps and allocations, and no
    // memory statistics (kept under a mutex of their own).
    if (sqlite3_config(SQLITE_CONFIG_SINGLETHREAD) != SQLITE_OK ||
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) != SQLITE_OK)
        std::fprintf(harnessOutput, "SQLite keeps its mutexes\n");
}

} // namespace

void fail(const char* what) {
    std::fprintf(harnessOutput, "fuzz invariant broken: %s\n", what);
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
        // As the program starts: without TZ the C library checks /etc/localtime for every local time.
        if (qEnvironmentVariableIsEmpty("TZ"))
            qputenv("TZ", ":/etc/localtime");
        useLibcAllocatorForSqlite();
        discardProgramErrorOutput();
        auto* fixture = new test::ProgramFixture();
        // The store in memory: every input commits, and a file's flushes would bound the rate.
        fixture->audit.reset();
        Result error;
        fixture->store = openStoreFile(QStringLiteral(":memory:"), StoreAccess::ReadWrite, &error);
        if (!fixture->store)
            fail("cannot open a store in memory");
        fixture->store->schema().dataConversions();
        fixture->audit =
            std::make_unique<AuditLog>(fixture->store->audit(), fixture->clock, fixture->ctx.runMode);
        fixture->ctx.store = fixture->store.get();
        fixture->ctx.audit = fixture->audit.get();
        return fixture;
    }();
    return *env;
}

QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size) {
    // One descriptor per file name for the whole run: each input is written over the last in place.
    static QHash<QString, std::shared_ptr<QFile>> files;
    std::shared_ptr<QFile>& file = files[name];
    if (!file) {
        file = std::make_shared<QFile>(environment().path(name));
        if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
            fail("cannot create the input file");
    }
    // Two system calls: the bytes over the start of the last input, then the file cut to their length.
    const auto length = static_cast<off_t>(size);
    if (::pwrite(file->handle(), data, size, 0) != static_cast<ssize_t>(size) ||
        ::ftruncate(file->handle(), length) != 0)
        fail("cannot write the input file");
    return file->fileName();
}

void resetStore() {
    test::ProgramFixture& env = environment();
    // What the recording window system kept of this input would pile up over a run of millions.
    env.ui.displayed.clear();
    env.ui.messages.clear();
    Store& store = *env.store;
    if (store.units().inTransaction())
        fail("a unit of work was left open");
    // A few prepared statements instead of one delete per call: the reset runs after every input.
    try {
        // The harness clears the tables in SQL of its own: faster than the store's methods per input.
        SQLite::Database& db = dynamic_cast<SqliteStore&>(store).connection().database();
        static SQLite::Statement orphans(
            db, "SELECT "
                "EXISTS (SELECT 1 FROM Orders o WHERE NOT EXISTS (SELECT 1 FROM "
                "Calls c WHERE c.Source = o.Source AND c.CallNumber = o.CallNumber)) "
                "OR EXISTS (SELECT 1 FROM OrderLineItems i WHERE NOT EXISTS (SELECT 1 "
                "FROM Calls c WHERE c.Source = i.Source AND c.CallNumber = "
                "i.CallNumber))");
        orphans.reset();
        if (!orphans.executeStep() || orphans.getColumn(0).getInt() != 0)
            fail("orders or items stored without their call");
        orphans.reset();
        static SQLite::Statement deleteAll[] = {{db, "DELETE FROM OrderLineItems"},
                                                {db, "DELETE FROM Orders"},
                                                {db, "DELETE FROM Calls"},
                                                {db, "DELETE FROM Audit"}};
        for (SQLite::Statement& statement : deleteAll) {
            statement.reset();
            statement.exec();
        }
    } catch (const SQLite::Exception& e) {
        fail(e.what());
    }
}

qint16 formatFor(std::uint8_t selector) {
    return static_cast<qint16>(selector & 3);
}

} // namespace vrq::fuzz
