// vrq_bench_floor: the floors of the whole-process benchmarks, as processes of their own that do nothing
// but the writing.
//   vrq_bench_floor rows STORE ROWS   inserts the rows of ROWS (written by the benchmark from what the
//                                      program stored) into STORE, an existing store with the program's
//                                      schema, with one prepared statement per table in one transaction
//   vrq_bench_floor files FOLDER PACK  writes each file of PACK to FOLDER as NAME.Tmp, flushes it and
//                                      renames it to NAME.Rcv without replacing anything
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

// Rows pack: table count; per table its name, column count and column names; then rows, each the
// table's index and one value per column (type 0 null, 1 integer, 2 real, 3 text).
int insertRows(const char* storePath, const char* rowsPath) {
    const std::vector<char> bytes = readWhole(rowsPath);
    Reader in(bytes);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(storePath, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        die(std::string("cannot open ") + storePath);
    // The program's settings for its store.
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=NORMAL");
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
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &table.insert, nullptr) != SQLITE_OK)
            die(sql + ": " + sqlite3_errmsg(db));
    }
    exec(db, "BEGIN IMMEDIATE");
    long rows = 0;
    while (!in.atEnd()) {
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
        ++rows;
    }
    exec(db, "COMMIT");
    // The program syncs the log to the disk before it moves its input away.
    exec(db, "PRAGMA wal_checkpoint(PASSIVE)");
    for (Table& table : tables)
        sqlite3_finalize(table.insert);
    sqlite3_close(db);
    std::printf("rows=%ld\n", rows);
    return 0;
}

// Files pack: per file its name (without extension) and its bytes.
int writeFiles(const char* folder, const char* packPath) {
    const std::vector<char> bytes = readWhole(packPath);
    Reader in(bytes);
    long files = 0;
    while (!in.atEnd()) {
        const auto [name, nameLength] = in.text();
        const auto [data, length] = in.text();
        const std::string base = std::string(folder) + "/" + std::string(name, nameLength);
        const std::string tmp = base + ".Tmp";
        const std::string rcv = base + ".Rcv";
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            die("cannot create " + tmp);
        if (::write(fd, data, length) != static_cast<ssize_t>(length) || ::fsync(fd) != 0)
            die("cannot write " + tmp);
        ::close(fd);
        if (syscall(SYS_renameat2, AT_FDCWD, tmp.c_str(), AT_FDCWD, rcv.c_str(), 1 /* RENAME_NOREPLACE */) !=
            0)
            die("cannot rename " + tmp + ": " + std::strerror(errno));
        ++files;
    }
    std::printf("files=%ld\n", files);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && std::strcmp(argv[1], "rows") == 0)
        return insertRows(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "files") == 0)
        return writeFiles(argv[2], argv[3]);
    std::fprintf(stderr, "usage: vrq_bench_floor rows STORE ROWS | files FOLDER PACK\n");
    return 2;
}
