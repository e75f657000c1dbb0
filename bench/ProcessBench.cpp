// Whole processes, as a person or cron waits for them: `vrqtoqx7 --once` taking in a DataBin.Dat, and
// `vrqtoqx7 --once` exporting pending calls, each against vrq_bench_floor doing only the writing (the
// same rows into the program's schema in one transaction; the same order file bytes written, flushed
// and renamed, alone and with the same reads, marks and audit rows). Program and floors run
// alternately, each in a fresh folder.
#include "Benches.h"

#include "settings/SettingsStore.h"
#include "store/Store.h"
#include "store/pg/PgConnection.h"
#include "testdata/DataBinGenerator.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdint>
#include <map>

namespace vrq::bench {

namespace {

// A program folder for `vrqtoqx7 --once` with its settings file: calls on, files off, the day's purge
// already done (so that no run of a benchmark purges), and the export on only when withHost.
struct OnceFolder {
    QString home;
    QString dataBinFolder;
    QString hostFolder;
    QString settingsFile;
    bool exportHeld; // no host folder: the export is timed apart

    // storeSection, when given, is the settings file's [Store] section (a PostgreSQL store).
    OnceFolder(const QString& root, bool withHost, const QString& storeSection = QString())
        : home(makeFolder(root, QStringLiteral("home"))),
          dataBinFolder(makeFolder(root, QStringLiteral("dcs"))),
          hostFolder(makeFolder(root, QStringLiteral("qx7"))),
          settingsFile(QDir(root).filePath(QStringLiteral("VRQToQX7.ini"))), exportHeld(!withHost) {
        QFile settings(settingsFile);
        if (!settings.open(QIODevice::WriteOnly))
            fail(QStringLiteral("cannot write %1").arg(settingsFile));
        settings.write(QStringLiteral("[QX7]\nEnableCalls=True\nEnableFiles=False\nSystemID=1\nLocalDrive=I\n"
                                      "QX7Path=%1\nDataBinPath=%2/\n[Miscellaneous]\nMonitorNetwork=False\n"
                                      "LastDatePurged=%3\n%4")
                           .arg(withHost ? hostFolder + QLatin1Char('/') : QString(), dataBinFolder,
                                SettingText::fromDate(QDateTime::currentDateTime()), storeSection)
                           .toUtf8());
    }
    QString storePath() const { return QDir(home).filePath(QString::fromLatin1(kStoreFileName)); }
    QString dataBinPath() const { return QDir(dataBinFolder).filePath(QStringLiteral("DataBin.Dat")); }
};

ChildRun runOnce(const BenchOptions& options, const OnceFolder& folder) {
    const ChildRun run = runChild(options.programPath, {QStringLiteral("--once")},
                                  {QStringLiteral("VRQTOQX7_HOME=") + folder.home,
                                   QStringLiteral("VRQTOQX7_SETTINGS=") + folder.settingsFile});
    requireOnceDone(run, folder.exportHeld);
    return run;
}

ChildRun runFloor(const BenchOptions& options, const QStringList& arguments) {
    const ChildRun run = runChild(options.floorPath, arguments, {});
    if (run.exitCode != 0)
        fail(QStringLiteral("vrq_bench_floor exited with %1: %2")
                 .arg(run.exitCode)
                 .arg(QString::fromLocal8Bit(run.errors)));
    return run;
}

// Little-endian numbers and length-prefixed texts, as vrq_bench_floor reads them.
class Pack {
public:
    template <typename T> void number(T value) {
        m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void text(const QByteArray& bytes) {
        number(static_cast<std::uint32_t>(bytes.size()));
        m_bytes.append(bytes);
    }
    void save(const QString& path) const {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size())
            fail(QStringLiteral("cannot write %1").arg(path));
    }

private:
    QByteArray m_bytes;
};

// The last rowid of every table of a store.
std::map<std::string, std::int64_t> lastRowIds(const QString& storePath) {
    SQLite::Database db(storePath.toStdString(), SQLite::OPEN_READONLY);
    std::map<std::string, std::int64_t> last;
    SQLite::Statement tables(
        db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    while (tables.executeStep()) {
        const std::string name = tables.getColumn(0).getString();
        SQLite::Statement max(db, "SELECT coalesce(max(rowid), 0) FROM \"" + name + "\"");
        max.executeStep();
        last[name] = max.getColumn(0).getInt64();
    }
    return last;
}

// Every row the program added to the store (rowid past before's), as the floor's rows pack.
qint64 writeRowsPack(const QString& storePath, const std::map<std::string, std::int64_t>& before,
                     const QString& packPath) {
    SQLite::Database db(storePath.toStdString(), SQLite::OPEN_READONLY);
    Pack pack;
    pack.number(static_cast<std::uint32_t>(before.size()));
    std::vector<std::string> names;
    for (const auto& [name, last] : before) {
        names.push_back(name);
        pack.text(QByteArray::fromStdString(name));
        SQLite::Statement columns(db, "SELECT name FROM pragma_table_info(?)");
        columns.bind(1, name);
        std::vector<std::string> columnNames;
        while (columns.executeStep())
            columnNames.push_back(columns.getColumn(0).getString());
        pack.number(static_cast<std::uint32_t>(columnNames.size()));
        for (const std::string& c : columnNames)
            pack.text(QByteArray::fromStdString(c));
    }
    qint64 rows = 0;
    for (std::uint32_t t = 0; t < names.size(); ++t) {
        SQLite::Statement select(db, "SELECT * FROM \"" + names[t] + "\" WHERE rowid > ? ORDER BY rowid");
        select.bind(1, static_cast<int64_t>(before.at(names[t])));
        while (select.executeStep()) {
            pack.number(t);
            for (int c = 0; c < select.getColumnCount(); ++c) {
                const SQLite::Column value = select.getColumn(c);
                if (value.isNull()) {
                    pack.number(std::uint8_t{0});
                } else if (value.isInteger()) {
                    pack.number(std::uint8_t{1});
                    pack.number(static_cast<std::int64_t>(value.getInt64()));
                } else if (value.isFloat()) {
                    pack.number(std::uint8_t{2});
                    pack.number(value.getDouble());
                } else {
                    pack.number(std::uint8_t{3});
                    pack.text(QByteArray(static_cast<const char*>(value.getBlob()), value.getBytes()));
                }
            }
            ++rows;
        }
    }
    pack.save(packPath);
    return rows;
}

// An empty store with the schema and indexes of a started program.
void makeEmptyStore(const QString& path) {
    Result error;
    std::unique_ptr<Store> store = openStoreFile(path, StoreAccess::ReadWrite, &error);
    if (!store)
        fail(error.message);
    store->schema().dataConversions();
}

// The program's and the floor's runs, taken alternately: elapsed time is what the goal is about; the
// processor time (user and system) shows the work done when the machine is shared and waits stretch.
struct Rounds {
    std::vector<double> once, floor, onceCpu, floorCpu;

    void add(const ChildRun& o, const ChildRun& f, const QString& what) {
        once.push_back(o.seconds);
        floor.push_back(f.seconds);
        onceCpu.push_back(o.cpuSeconds);
        floorCpu.push_back(f.cpuSeconds);
        QTextStream(stderr) << QStringLiteral("%1: %2 (processor %3), floor %4 (processor %5)\n")
                                   .arg(what, seconds(o.seconds), seconds(o.cpuSeconds), seconds(f.seconds),
                                        seconds(f.cpuSeconds));
    }
    // A limit of 0 sets no goal for that figure.
    void addFigures(std::vector<Figure>& figures, const QString& name, double elapsedLimit = 1.3,
                    double processorLimit = 0) const {
        addFigure(figures, name + QStringLiteral(": process time"), median(once), median(floor),
                  elapsedLimit);
        addFigure(figures, name + QStringLiteral(": processor time"), median(onceCpu), median(floorCpu),
                  processorLimit);
    }
    static void addFigure(std::vector<Figure>& figures, const QString& name, double value, double floor,
                          double limit) {
        const double ratio = value / floor;
        const bool judged = limit > 0;
        figures.push_back(
            {name, seconds(value), seconds(floor), fixed(ratio, 2),
             judged ? QStringLiteral("ratio <= %1").arg(limit) : QString(),
             judged ? (ratio <= limit ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("-")});
    }
};

void intakeProcess(const BenchOptions& options, int calls, std::vector<Figure>& figures) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("process-intake-XXXXXX")));
    const QString input = QDir(dir.path()).filePath(QStringLiteral("DataBin.Dat"));
    writeBenchDataBin(input, calls, options.ordersPerCall, options.itemsPerOrder, 7);

    int round = 0;
    // A program folder whose store a first `--once` without input made (as on any day after the
    // first), then the timed `--once` with the input.
    auto program = [&](std::map<std::string, std::int64_t>* before) {
        const QString root = makeFolder(dir.path(), QStringLiteral("program-%1").arg(++round));
        const OnceFolder folder(root, false);
        runOnce(options, folder);
        if (before)
            *before = lastRowIds(folder.storePath());
        copyFile(input, folder.dataBinPath());
        const ChildRun run = runOnce(options, folder);
        if (QFile::exists(folder.dataBinPath()))
            fail(QStringLiteral("vrqtoqx7 --once left DataBin.Dat in place"));
        return std::pair{run, folder.storePath()};
    };

    // A first pass, not counted: checks what was stored and gives the floor its rows.
    std::map<std::string, std::int64_t> before;
    const QString firstStore = program(&before).second;
    {
        Result result;
        std::unique_ptr<Store> store = openStoreFile(firstStore, StoreAccess::ReadOnly, &result);
        if (!store)
            fail(result.message);
        int complete = 0;
        for (const CallRow& c : store->calls().allCalls())
            complete += c.complete && c.goodCall ? 1 : 0;
        if (complete != calls)
            fail(QStringLiteral("--once stored %1 complete good calls of %2").arg(complete).arg(calls));
    }
    const QString rowsPack = QDir(dir.path()).filePath(QStringLiteral("rows.pack"));
    const qint64 rows = writeRowsPack(firstStore, before, rowsPack);
    const QString emptyStore = QDir(dir.path()).filePath(QStringLiteral("empty.db"));
    makeEmptyStore(emptyStore);

    Rounds rounds;
    for (int rep = 0; rep < options.reps; ++rep) {
        const ChildRun once = program(nullptr).first;
        const QString floorStore = QDir(dir.path()).filePath(QStringLiteral("floor-%1.db").arg(rep));
        copyFile(emptyStore, floorStore);
        const ChildRun floor = runFloor(options, {QStringLiteral("rows"), floorStore, rowsPack});
        rounds.add(once, floor, QStringLiteral("--once intake %1 calls, run %2").arg(calls).arg(rep + 1));
    }
    rounds.addFigures(
        figures, QStringLiteral("vrqtoqx7 --once: intake of %1 calls (%2 rows stored)").arg(calls).arg(rows));
}

void exportProcess(const BenchOptions& options, std::vector<Figure>& figures) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("process-export-XXXXXX")));
    // The pending calls, taken in by the program with the export off.
    const OnceFolder source(makeFolder(dir.path(), QStringLiteral("source")), false);
    writeBenchDataBin(source.dataBinPath(), options.exportCalls, options.ordersPerCall, options.itemsPerOrder,
                      11);
    runOnce(options, source);

    int round = 0;
    auto program = [&](std::map<std::string, std::int64_t>* auditBefore) {
        const OnceFolder folder(makeFolder(dir.path(), QStringLiteral("program-%1").arg(++round)), true);
        copyFile(source.storePath(), folder.storePath());
        if (auditBefore)
            *auditBefore = {{"Audit", lastRowIds(folder.storePath()).at("Audit")}};
        const ChildRun run = runOnce(options, folder);
        const QStringList written = filesEndingWith(folder.hostFolder, QStringLiteral(".Rcv"));
        if (written.size() != options.exportCalls)
            fail(QStringLiteral("--once wrote %1 order files of %2")
                     .arg(written.size())
                     .arg(options.exportCalls));
        return std::tuple{run, folder.hostFolder, folder.storePath()};
    };

    // A first pass, not counted: gives the floors their bytes and the audit entries the program wrote.
    std::map<std::string, std::int64_t> auditBefore;
    const auto [firstRun, firstHost, firstStore] = program(&auditBefore);
    Pack pack;
    qint64 bytes = 0;
    for (const QString& name : filesEndingWith(firstHost, QStringLiteral(".Rcv"))) {
        QFile file(QDir(firstHost).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        const QByteArray data = file.readAll();
        bytes += data.size();
        pack.text(name.chopped(4).toUtf8());
        pack.text(data);
    }
    const QString filesPack = QDir(dir.path()).filePath(QStringLiteral("files.pack"));
    pack.save(filesPack);
    const QString auditPack = QDir(dir.path()).filePath(QStringLiteral("audit.pack"));
    const qint64 auditRows = writeRowsPack(firstStore, auditBefore, auditPack);

    // Program, the files alone, and the full floor (the same reads, files, marks and audit rows) in turn.
    Rounds filesOnly;
    Rounds full;
    for (int rep = 0; rep < options.reps; ++rep) {
        const ChildRun once = std::get<0>(program(nullptr));
        const QString target = makeFolder(dir.path(), QStringLiteral("floor-%1").arg(rep));
        const ChildRun files = runFloor(options, {QStringLiteral("files"), target, filesPack});
        const QString fullRoot = makeFolder(dir.path(), QStringLiteral("full-%1").arg(rep));
        const QString fullStore = QDir(fullRoot).filePath(QStringLiteral("store.db"));
        copyFile(source.storePath(), fullStore);
        const ChildRun whole = runFloor(options, {QStringLiteral("export"), fullStore,
                                                  makeFolder(fullRoot, QStringLiteral("qx7")), filesPack,
                                                  auditPack, QString::number(auditRows)});
        const QString what =
            QStringLiteral("--once export %1 calls, run %2").arg(options.exportCalls).arg(rep + 1);
        filesOnly.add(once, files, what + QStringLiteral(" (files floor)"));
        full.add(once, whole, what + QStringLiteral(" (full floor)"));
    }
    const QString name = QStringLiteral("vrqtoqx7 --once: export of %1 order files (%2 KB)")
                             .arg(options.exportCalls)
                             .arg(bytes / 1024);
    filesOnly.addFigures(figures, name + QStringLiteral(", floor the files alone"));
    full.addFigures(
        figures,
        name + QStringLiteral(", full floor (the same reads, files, marks, %1 audit rows)").arg(auditRows), 0,
        1.15);
}

// --- the same intake on a PostgreSQL store --------------------------------------------------------------

// The throw-away server bench/pg-bench.sh started (VRQ_BENCH_PG_SOCKET, its socket folder); empty when
// there is none.
QString pgSocketFolder() {
    QString socket = qEnvironmentVariable("VRQ_BENCH_PG_SOCKET");
    if (socket.isEmpty() || !QFile::exists(socket + QStringLiteral("/.s.PGSQL.5432")))
        return {};
    return socket;
}

// A new database on the server for one run, and the [Store] section that names it.
QString newPgStoreSection(const QString& socket, int calls, int run) {
    pg::Connection admin;
    const QString name =
        QStringLiteral("bench_%1_%2_%3").arg(QCoreApplication::applicationPid()).arg(calls).arg(run);
    Result r = admin.open(QStringLiteral("host=%1 user=vrq dbname=postgres").arg(socket));
    if (r)
        r = admin.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(name));
    if (!r)
        fail(QStringLiteral("cannot make a database on the bench server: %1").arg(r.message));
    return QStringLiteral(
               "[Store]\nBackend=PostgreSQL\nConnection=host=%1 user=vrq dbname=%2\nWorkstation=1\n")
        .arg(socket, name);
}

// `vrqtoqx7 --once` taking in the input on a store made by a first `--once` without input: on SQLite
// (empty storeSection) or on the PostgreSQL store the section names.
ChildRun timedIntake(const BenchOptions& options, const QString& root, const QString& input,
                     const QString& storeSection) {
    const OnceFolder folder(root, false, storeSection);
    runOnce(options, folder);
    copyFile(input, folder.dataBinPath());
    ChildRun run = runOnce(options, folder);
    if (QFile::exists(folder.dataBinPath()))
        fail(QStringLiteral("vrqtoqx7 --once left DataBin.Dat in place"));
    return run;
}

void pgIntakeProcess(const BenchOptions& options, const QString& socket, int calls,
                     std::vector<Figure>& figures) {
    QTemporaryDir dir(QDir(options.workRoot).filePath(QStringLiteral("pg-intake-XXXXXX")));
    const QString input = QDir(dir.path()).filePath(QStringLiteral("DataBin.Dat"));
    writeBenchDataBin(input, calls, options.ordersPerCall, options.itemsPerOrder, 7);
    std::vector<double> pgElapsed, pgCpu, sqliteElapsed, sqliteCpu;
    for (int rep = 0; rep < options.reps; ++rep) {
        // Alternated, the PostgreSQL run first in even rounds and second in odd ones.
        const auto pgRun = [&] {
            return timedIntake(options, makeFolder(dir.path(), QStringLiteral("pg-%1").arg(rep)), input,
                               newPgStoreSection(socket, calls, rep));
        };
        const auto sqliteRun = [&] {
            return timedIntake(options, makeFolder(dir.path(), QStringLiteral("sqlite-%1").arg(rep)), input,
                               QString());
        };
        ChildRun onPg;
        ChildRun onSqlite;
        if (rep % 2 == 0) {
            onPg = pgRun();
            onSqlite = sqliteRun();
        } else {
            onSqlite = sqliteRun();
            onPg = pgRun();
        }
        pgElapsed.push_back(onPg.seconds);
        pgCpu.push_back(onPg.cpuSeconds);
        sqliteElapsed.push_back(onSqlite.seconds);
        sqliteCpu.push_back(onSqlite.cpuSeconds);
        QTextStream(stderr) << QStringLiteral("--once intake %1 calls, run %2: PostgreSQL %3 (processor %4), "
                                              "SQLite %5 (processor %6)\n")
                                   .arg(calls)
                                   .arg(rep + 1)
                                   .arg(seconds(onPg.seconds), seconds(onPg.cpuSeconds),
                                        seconds(onSqlite.seconds), seconds(onSqlite.cpuSeconds));
    }
    const double ratio = median(pgElapsed) / median(sqliteElapsed);
    const bool judged = calls <= 2000;
    figures.push_back(
        {QStringLiteral("--once intake of %1 calls on PostgreSQL: elapsed (floor: SQLite)").arg(calls),
         seconds(median(pgElapsed)), seconds(median(sqliteElapsed)), fixed(ratio, 2),
         judged ? QStringLiteral("ratio <= 3") : QString(),
         judged ? (ratio <= 3 ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("-")});
    figures.push_back({QStringLiteral("same: processor time of vrqtoqx7 (the server's not counted)"),
                       seconds(median(pgCpu)), seconds(median(sqliteCpu)),
                       fixed(median(pgCpu) / median(sqliteCpu), 2), QString(), QStringLiteral("-")});
}

} // namespace

void pgIntakeBench(const BenchOptions& options, std::vector<Figure>& figures) {
    const QString socket = pgSocketFolder();
    if (socket.isEmpty()) {
        QTextStream(stderr)
            << "PostgreSQL intake skipped: no bench server (run bench/pg-bench.sh, which starts "
               "one and sets VRQ_BENCH_PG_SOCKET).\n";
        return;
    }
    for (int calls : options.processIntakeSizes)
        pgIntakeProcess(options, socket, calls, figures);
}

void processBench(const BenchOptions& options, std::vector<Figure>& figures) {
    for (int calls : options.processIntakeSizes)
        intakeProcess(options, calls, figures);
    exportProcess(options, figures);
}

} // namespace vrq::bench
