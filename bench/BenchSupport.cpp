#include "BenchSupport.h"

#include "testdata/DataBinGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vrq::bench {

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double timeSeconds(const std::function<void()>& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ownPeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

namespace {

// Reads everything from fd until its end.
QByteArray drain(int fd) {
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    return bytes;
}

} // namespace

void requireOnceDone(const ChildRun& run, bool exportHeld) {
    const QByteArray held =
        "ExtractCalls: every call is held until the MXR Folder (QX7Path) is set in Properties.\n";
    if (run.exitCode == 0 || (exportHeld && run.exitCode == 74 && run.errors == held))
        return;
    fail(QStringLiteral("vrqtoqx7 --once exited with %1: %2")
             .arg(run.exitCode)
             .arg(QString::fromLocal8Bit(run.errors)));
}

ChildRun runChild(const QString& program, const QStringList& arguments, const QStringList& environment) {
    ChildRun run;
    // The child is started by vrq_bench_spawn, which reports its exit code and peak memory in a file.
    char reportName[] = "/tmp/vrq-bench-report-XXXXXX";
    const int reportFd = ::mkstemp(reportName);
    if (reportFd < 0)
        fail(QStringLiteral("mkstemp failed"));
    ::close(reportFd);
    // Argument and environment strings are prepared before the fork: nothing is allocated in the child.
    std::vector<std::string> argStrings{VRQ_SPAWN_PATH, reportName, QFile::encodeName(program).toStdString()};
    for (const QString& a : arguments)
        argStrings.push_back(a.toLocal8Bit().toStdString());
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        const std::string entry(*e);
        for (const QString& extra : environment) {
            const std::string name = extra.section(QLatin1Char('='), 0, 0).toStdString() + "=";
            replaced = replaced || entry.rfind(name, 0) == 0;
        }
        if (!replaced)
            envStrings.push_back(entry);
    }
    for (const QString& extra : environment)
        envStrings.push_back(extra.toLocal8Bit().toStdString());
    std::vector<char*> argv;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    // stdout to a pipe read while the child runs; stderr to a temporary file (it may be long).
    int out[2];
    if (::pipe(out) != 0)
        fail(QStringLiteral("pipe failed"));
    char errName[] = "/tmp/vrq-bench-stderr-XXXXXX";
    const int errFd = ::mkstemp(errName);
    if (errFd < 0)
        fail(QStringLiteral("mkstemp failed"));
    ::unlink(errName);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        fail(QStringLiteral("fork failed"));
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    run.output = drain(out[0]);
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QFile report(QString::fromLocal8Bit(reportName));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && report.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = report.readAll().simplified().split(' ');
        if (fields.size() == 3) {
            run.exitCode = fields[0].toInt();
            run.peakMegabytes = fields[1].toDouble() / 1024.0;
            run.cpuSeconds = fields[2].toDouble();
        }
    }
    report.remove();
    ::lseek(errFd, 0, SEEK_SET);
    run.errors = drain(errFd);
    ::close(errFd);
    return run;
}

void fail(const QString& message) {
    QTextStream(stderr) << "benchmark failed: " << message << Qt::endl;
    std::exit(1);
}

QString makeFolder(const QString& root, const QString& name) {
    const QString path = QDir(root).filePath(name);
    if (!QDir().mkpath(path))
        fail(QStringLiteral("cannot make %1").arg(path));
    return path;
}

void writeBenchDataBin(const QString& path, int calls, int ordersPerCall, int itemsPerOrder, unsigned seed,
                       std::vector<testdata::CallTruth>* truth) {
    testdata::DataBinOptions gen;
    gen.calls = calls;
    gen.ordersPerCall = ordersPerCall;
    gen.itemsPerOrder = itemsPerOrder;
    gen.seed = seed;
    QString error;
    if (!testdata::writeDataBin(path, gen, truth, &error))
        fail(error);
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to))
        fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

QStringList filesEndingWith(const QString& folder, const QString& suffix) {
    QStringList names;
    const QStringList all = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString& name : all)
        if (name.endsWith(suffix))
            names.append(name);
    return names;
}

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString seconds(double value) {
    if (value < 1.0)
        return QString::number(value * 1000.0, 'f', 0) + QStringLiteral(" ms");
    return QString::number(value, 'f', 2) + QStringLiteral(" s");
}

void printTable(const std::vector<Figure>& figures) {
    const QStringList headings{QStringLiteral("figure"), QStringLiteral("value"), QStringLiteral("floor"),
                               QStringLiteral("ratio"),  QStringLiteral("goal"),  QStringLiteral("met")};
    std::vector<QStringList> rows{headings};
    for (const Figure& f : figures)
        rows.push_back({f.name, f.value, f.floor, f.ratio, f.goal, f.met});
    std::vector<qsizetype> widths(headings.size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    QTextStream out(stdout);
    auto printRow = [&](const QStringList& row) {
        out << '|';
        for (qsizetype c = 0; c < row.size(); ++c)
            out << ' ' << row[c].leftJustified(widths[c]) << " |";
        out << '\n';
    };
    printRow(rows[0]);
    QStringList rule;
    for (qsizetype w : widths)
        rule.append(QString(w, QLatin1Char('-')));
    printRow(rule);
    for (std::size_t r = 1; r < rows.size(); ++r)
        printRow(rows[r]);
    out.flush();
}

} // namespace vrq::bench
