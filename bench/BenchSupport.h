#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace vrq::testdata {
struct CallTruth;
}

namespace vrq::bench {

// The middle value (the mean of the two middle values for an even count); 0 for none.
double median(std::vector<double> values);

// Seconds taken by fn, on a monotonic clock.
double timeSeconds(const std::function<void()>& fn);

// Peak resident memory of this process so far, in MB (getrusage ru_maxrss).
double ownPeakMegabytes();

// One child process run to its end.
struct ChildRun {
    int exitCode = -1; // -1 when it did not start or did not exit normally
    double seconds = 0;
    double peakMegabytes = 0; // ru_maxrss of the child, from vrq_bench_spawn
    double cpuSeconds = 0;    // user and system time of the child, from vrq_bench_spawn
    QByteArray output;        // what it wrote to stdout
    QByteArray errors;        // what it wrote to stderr
};

// Runs program with arguments and extra environment entries ("NAME=value") added to this process's,
// through vrq_bench_spawn (a child forked from this process would count this process's memory as its own).
ChildRun runChild(const QString& program, const QStringList& arguments, const QStringList& environment);

// Fails the run unless `vrqtoqx7 --once` did its work: exit code 0 or, for an intake timed without the
// export (a blank QX7Path), the held export's exit code 74 with only its message on stderr.
void requireOnceDone(const ChildRun& run, bool exportHeld);

// Ends the benchmark with a message on stderr and exit code 1.
[[noreturn]] void fail(const QString& message);

// A folder made (with its parents) under root; fails the run when it cannot be made.
QString makeFolder(const QString& root, const QString& name);
// Writes a DataBin.Dat of `calls` calls, each of ordersPerCall orders of itemsPerOrder items, from seed;
// what each call holds goes to truth when given. Fails the run on an error.
void writeBenchDataBin(const QString& path, int calls, int ordersPerCall, int itemsPerOrder, unsigned seed,
                       std::vector<testdata::CallTruth>* truth = nullptr);
// Copies a file, replacing the target; fails the run on an error.
void copyFile(const QString& from, const QString& to);
// Files in a folder whose names end with suffix (case-sensitive), sorted by name.
QStringList filesEndingWith(const QString& folder, const QString& suffix);

// One line of the result table.
struct Figure {
    QString name;
    QString value;
    QString floor;
    QString ratio;
    QString goal;
    QString met; // "yes", "no" or "-"
};

// The table, aligned for a terminal and valid as a Markdown table.
void printTable(const std::vector<Figure>& figures);

QString fixed(double value, int decimals);
// "1.23 s", "456 ms"
QString seconds(double value);

} // namespace vrq::bench
