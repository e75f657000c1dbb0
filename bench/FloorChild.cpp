// vrq_bench_floor: the floors of the whole-process benchmarks, as processes of their own that do nothing
// but the writing.
//   vrq_bench_floor rows STORE ROWS   inserts the rows of ROWS (written by the benchmark from what the
//                                      program stored) into STORE, an existing store with the program's
//                                      schema, with one prepared statement per table in one transaction
//   vrq_bench_floor files FOLDER PACK  writes each file of PACK to FOLDER as NAME.Tmp, flushes it and
//                                      renames it to NAME.Rcv without replacing anything
//   vrq_bench_floor export STORE FOLDER PACK AUDIT ROWS
//                                      sends the pending calls of STORE, fifty at a time: reads each
//                                      group's calls, orders and items (every column), writes the group's
//                                      files of PACK as above, then in one transaction marks its calls
//                                      extracted and inserts its share of AUDIT (a rows pack of the
//                                      program's audit entries, ROWS of them)
// No Qt: a floor is SQLite and the system calls alone. See bench/ProcessBench.cpp for the file formats.
#include <sqlite3.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "vrq_bench_floor: %s\n", message.c_str());
    std::exit(1);
}

std::vector<char> readWhole(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        die(std::string("cannot open ") + path);
    std::vector<char> bytes;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

// Reads the little-endian numbers and length-prefixed texts of a pack, failing at its end.
class Reader {
public:
    explicit Reader(const std::vector<char>& bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    template <typename T> T number() {
        T value{};
        take(&value, sizeof value);
        return value;
    }
    // A text as a pointer into the pack and its length.
    std::pair<const char*, std::uint32_t> text() {
        const auto length = number<std::uint32_t>();
        if (m_bytes.size() - m_at < length)
            die("the pack ends inside a text");
        const char* start = m_bytes.data() + m_at;
        m_at += length;
        return {start, length};
    }

private:
    void take(void* into, std::size_t count) {
        if (m_bytes.size() - m_at < count)
            die("the pack ends early");
        std::memcpy(into, m_bytes.data() + m_at, count);
        m_at += count;
    }
    const std::vector<char>& m_bytes;
    std::size_t m_at = 0;
};

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        die(std::string(sql) + ": " + sqlite3_errmsg(db));
}

struct Table {
    sqlite3_stmt* insert = nullptr;
    int columns = 0;
};

sqlite3* openStore(const char* storePath) {
    // The least the engine can do, as the program has it: no memory statistics, and no locking of the
    // connection by the engine (one thread uses it).
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(storePath, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        die(std::string("cannot open ") + storePath);
    // The program's settings for its store.
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=NORMAL");
    return db;
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        die(sql + ": " + sqlite3_errmsg(db));
    return st;
}

// Rows pack: table count; per table its name, column count and column names; then rows, each the
// table's index and one value per column (type 0 null, 1 integer, 2 real, 3 text).
std::vector<Table> prepareInserts(sqlite3* db, Reader& in) {
    std::vector<Table> tables(in.number<std::uint32_t>());
    for (Table& table : tables) {
        const auto [name, nameLength] = in.text();
        table.columns = static_cast<int>(in.number<std::uint32_t>());
        std::string sql = "INSERT INTO \"" + std::string(name, nameLength) + "\" (";
        std::string values;
        for (int c = 0; c < table.columns; ++c) {
            const auto [column, columnLength] = in.text();
            sql += (c ? ", \"" : "\"") + std::string(column, columnLength) + "\"";
            values += c ? ", ?" : "?";
        }
        sql += ") VALUES (" + values + ")";
        table.insert = prepare(db, sql);
    }
    return tables;
}

// Binds the pack's next row to its table's insert and runs it.
void insertRow(sqlite3* db, std::vector<Table>& tables, Reader& in) {
    const auto index = in.number<std::uint32_t>();
    if (index >= tables.size())
        die("a row of an unknown table");
    Table& table = tables[index];
    for (int c = 1; c <= table.columns; ++c) {
        switch (in.number<std::uint8_t>()) {
        case 0:
            sqlite3_bind_null(table.insert, c);
            break;
        case 1:
            sqlite3_bind_int64(table.insert, c, in.number<std::int64_t>());
            break;
        case 2:
            sqlite3_bind_double(table.insert, c, in.number<double>());
            break;
        default: {
            const auto [text, length] = in.text();
            sqlite3_bind_text(table.insert, c, text, static_cast<int>(length), SQLITE_STATIC);
        }
        }
    }
    if (sqlite3_step(table.insert) != SQLITE_DONE)
        die(std::string("insert: ") + sqlite3_errmsg(db));
    sqlite3_reset(table.insert);
}

// The program syncs the log to the disk before it stops.
void closeStore(sqlite3* db, std::vector<Table>& tables) {
    exec(db, "PRAGMA wal_checkpoint(PASSIVE)");
    for (Table& table : tables)
        sqlite3_finalize(table.insert);
    sqlite3_close(db);
}

int insertRows(const char* storePath, const char* rowsPath) {
    const std::vector<char> bytes = readWhole(rowsPath);
    Reader in(bytes);
    sqlite3* db = openStore(storePath);
    std::vector<Table> tables = prepareInserts(db, in);
    exec(db, "BEGIN IMMEDIATE");
    long rows = 0;
    for (; !in.atEnd(); ++rows)
        insertRow(db, tables, in);
    exec(db, "COMMIT");
    closeStore(db, tables);
    std::printf("rows=%ld\n", rows);
    return 0;
}

// Creates FOLDER/NAME.Tmp (never over another file), writes and flushes it, renames it to NAME.Rcv
// without replacing anything.
void writeFile(const char* folder, std::pair<const char*, std::uint32_t> name,
               std::pair<const char*, std::uint32_t> data) {
    const std::string base = std::string(folder) + "/" + std::string(name.first, name.second);
    const std::string tmp = base + ".Tmp";
    const std::string rcv = base + ".Rcv";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        die("cannot create " + tmp);
    if (::write(fd, data.first, data.second) != static_cast<ssize_t>(data.second) || ::fsync(fd) != 0)
        die("cannot write " + tmp);
    ::close(fd);
    if (syscall(SYS_renameat2, AT_FDCWD, tmp.c_str(), AT_FDCWD, rcv.c_str(), 1 /* RENAME_NOREPLACE */) != 0)
        die("cannot rename " + tmp + ": " + std::strerror(errno));
}

// Files pack: per file its name (without extension) and its bytes.
int writeFiles(const char* folder, const char* packPath) {
    const std::vector<char> bytes = readWhole(packPath);
    Reader in(bytes);
    long files = 0;
    for (; !in.atEnd(); ++files) {
        const auto name = in.text();
        writeFile(folder, name, in.text());
    }
    std::printf("files=%ld\n", files);
    return 0;
}

// Steps through a read, taking every column's value as the engine gives it; the call's source, number
// and row number are kept from the calls' read.
struct PendingCall {
    std::int64_t rowId;
    int source;
    int callNumber;
};

long readAll(sqlite3_stmt* st, std::vector<PendingCall>* calls) {
    long values = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(st)) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(st);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                values += sqlite3_column_bytes(st, c) > 0 && sqlite3_column_text(st, c) != nullptr;
            else
                values += sqlite3_column_int64(st, c) != 0;
        }
        if (calls)
            calls->push_back(
                {sqlite3_column_int64(st, 0), sqlite3_column_int(st, 1), sqlite3_column_int(st, 2)});
    }
    if (step != SQLITE_DONE)
        die(std::string("read: ") + sqlite3_errmsg(sqlite3_db_handle(st)));
    sqlite3_reset(st);
    return values;
}

// The rows of the pending calls of a row number range (after, last], as the program reads them.
std::string rowsOfPendingCalls(const char* table, const char* sequence) {
    return std::string("SELECT r.* FROM Calls c JOIN ") + table +
           " r ON r.Source = c.Source AND r.CallNumber = c.CallNumber WHERE c.ExtractedCall = 0 AND "
           "c.GoodCall = 1 AND c.Complete = 1 AND c.rowid > ? AND c.rowid <= ? ORDER BY c.rowid, " +
           sequence;
}

// The files of the pack in turn, as each group of calls is sent.
struct FilesPack {
    explicit FilesPack(const char* path) : bytes(readWhole(path)), in(bytes) {}
    long count() const {
        Reader all(bytes);
        long files = 0;
        for (; !all.atEnd(); ++files) {
            all.text();
            all.text();
        }
        return files;
    }
    std::vector<char> bytes;
    Reader in;
};

int exportCalls(const char* storePath, const char* folder, const char* filesPath, const char* auditPath,
                long auditRows) {
    constexpr int kGroup = 50;
    FilesPack files(filesPath);
    const long fileCount = files.count();
    const std::vector<char> auditBytes = readWhole(auditPath);
    Reader audit(auditBytes);
    sqlite3* db = openStore(storePath);
    std::vector<Table> tables = prepareInserts(db, audit);
    sqlite3_stmt* calls = prepare(db, "SELECT c.rowid, c.Source, c.CallNumber, c.* FROM Calls c WHERE "
                                      "c.ExtractedCall = 0 AND c.GoodCall = 1 AND c.Complete = 1 AND "
                                      "c.rowid > ? ORDER BY c.rowid LIMIT ?");
    sqlite3_stmt* orders = prepare(db, rowsOfPendingCalls("Orders", "r.OrderSeqNumber"));
    sqlite3_stmt* items =
        prepare(db, rowsOfPendingCalls("OrderLineItems", "r.OrderSeqNumber, r.ItemSeqNumber"));
    sqlite3_stmt* mark = prepare(db, "UPDATE Calls SET ExtractedCall = 1, ExtractedDNT = ?, "
                                     "ExtractedFileName = ? WHERE Source = ? AND CallNumber = ?");
    const char* when = "2026-12-09 13:00:00";
    std::int64_t after = 0;
    long sent = 0;
    long audited = 0;
    long values = 0;
    std::vector<PendingCall> group;
    for (;;) {
        group.clear();
        exec(db, "BEGIN");
        sqlite3_bind_int64(calls, 1, after);
        sqlite3_bind_int(calls, 2, kGroup);
        values += readAll(calls, &group);
        if (group.empty()) {
            exec(db, "COMMIT");
            break;
        }
        for (sqlite3_stmt* rows : {orders, items}) {
            sqlite3_bind_int64(rows, 1, after);
            sqlite3_bind_int64(rows, 2, group.back().rowId);
            values += readAll(rows, nullptr);
        }
        exec(db, "COMMIT");
        after = group.back().rowId;
        std::vector<std::string> names;
        for (std::size_t i = 0; i < group.size() && !files.in.atEnd(); ++i) {
            const auto name = files.in.text();
            writeFile(folder, name, files.in.text());
            names.emplace_back(std::string(name.first, name.second) + ".Rcv");
        }
        exec(db, "BEGIN IMMEDIATE");
        for (std::size_t i = 0; i < names.size(); ++i) {
            sqlite3_bind_text(mark, 1, when, -1, SQLITE_STATIC);
            sqlite3_bind_text(mark, 2, names[i].c_str(), static_cast<int>(names[i].size()), SQLITE_STATIC);
            sqlite3_bind_int(mark, 3, group[i].source);
            sqlite3_bind_int(mark, 4, group[i].callNumber);
            if (sqlite3_step(mark) != SQLITE_DONE)
                die(std::string("mark: ") + sqlite3_errmsg(db));
            sqlite3_reset(mark);
        }
        sent += static_cast<long>(names.size());
        // The group's share of the audit entries: the program writes so many per file sent.
        for (; !audit.atEnd() && (fileCount == 0 || audited * fileCount < auditRows * sent); ++audited)
            insertRow(db, tables, audit);
        exec(db, "COMMIT");
    }
    exec(db, "BEGIN IMMEDIATE");
    for (; !audit.atEnd(); ++audited)
        insertRow(db, tables, audit);
    exec(db, "COMMIT");
    for (sqlite3_stmt* st : {calls, orders, items, mark})
        sqlite3_finalize(st);
    closeStore(db, tables);
    std::printf("files=%ld audit=%ld values=%ld\n", sent, audited, values);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && std::strcmp(argv[1], "rows") == 0)
        return insertRows(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "files") == 0)
        return writeFiles(argv[2], argv[3]);
    if (argc == 7 && std::strcmp(argv[1], "export") == 0)
        return exportCalls(argv[2], argv[3], argv[4], argv[5], std::strtol(argv[6], nullptr, 10));
    std::fprintf(stderr, "usage: vrq_bench_floor rows STORE ROWS | files FOLDER PACK | export STORE FOLDER "
                         "PACK AUDIT ROWS\n");
    return 2;
}
