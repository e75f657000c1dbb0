#pragma once

#include "store/Store.h"
#include "testdata/DataBinGenerator.h"
#include "testdata/UpstreamSim.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace vrq::reliability {

// A whole installation in a temporary directory: program folder, settings file, DataBin.Dat folder,
// scanned folder, and the host share <root>/HOST/Qdls with its QX7Com folder (drive I links to it).
class Sandbox {
public:
    struct Options {
        bool enableFiles = false;
        int processDelay = 1;
        int fileScanMinutes = 1;
        // A libpq connection string: the store is that PostgreSQL database; empty: the SQLite file.
        QString storeConnection{};
        // One desk of several sharing the store: its number, SystemID, first order file number and the
        // folder of the shares (the host's share is then the site's).
        int workstation = 1;
        int systemId = 1;
        int lastSeqNum = 0;
        QString shareRoot{};
    };
    explicit Sandbox(const Options& options);

    QString root() const { return m_dir.path(); }
    QString home() const { return m_home; }
    int workstation() const { return m_workstation; }
    QString dataBin() const { return m_dcs + QStringLiteral("DataBin.Dat"); }
    QString scannedFolder() const { return m_scanned; }
    QString hostOrderFolder() const; // where the order files land (through the share, not the link)
    QString auditFolder() const { return m_home + QStringLiteral("/Audit"); }

    // The host goes away and comes back as a share does: its folder is renamed.
    bool hideHost();
    bool showHost();
    // The host collects the ".Rcv" files waiting in its folder; they are kept (under unique names)
    // outside the share for the final check. The number collected.
    int collectHostFiles();
    QString collectedFolder() const { return m_dir.filePath(QStringLiteral("collected")); }

    // The store the installation's settings name, as the program opens it.
    std::unique_ptr<Store> openStore(Result* result) const;

    QProcessEnvironment environment() const;
    // Starts the program (or another of the built tools) with this installation's environment.
    std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments) const;

private:
    QTemporaryDir m_dir;
    QString m_home;
    QString m_ini;
    QString m_dcs;
    QString m_scanned;
    int m_collected = 0;
    QString m_shares;
    QString m_storeConnection;
    int m_workstation = 1;
};

// The path of the built program and of the upstream simulator.
QString programPath();
QString simulatorPath();

// Whether a started process still runs. Its state alone is not enough: without an event loop it is
// updated only when the process is waited for.
bool stillRunning(QProcess& process);
// Waits (bounded) for a started process; false when it did not end in time (it is then killed).
bool waitForEnd(QProcess& process, int timeoutMs);
// Runs the program to its end; the exit code, or -1000 when it crashed or did not end in time.
int runToEnd(const Sandbox& sandbox, const QStringList& arguments, int timeoutMs,
             QByteArray* stderrText = nullptr);

// An environment variable as a number, or fallback.
int envNumber(const char* name, int fallback);
// A random seed: VRQ_RELIABILITY_SEED when set, else a fresh one; printed so a run can be repeated.
quint32 runSeed();

// Every call generated for one run: DataBin.Dat calls by number and scanned files.
struct Expected {
    std::map<int, testdata::CallTruth> dataBinCalls; // the ones that leave a row
    std::vector<std::vector<testdata::OrderTruth>> scannedCalls;
    // Calls cut short (their data end early or run into the next call): each stored once, bad and
    // never sent; what of their orders arrived is not compared.
    std::set<int> cutDataBinCalls;
    int cutScannedCalls = 0;
    void addDataBin(const std::vector<testdata::CallTruth>& truth);
    void addUpstream(const testdata::UpstreamPlan& plan, int chunks); // what an upstream program appended
    void addScanned(const testdata::ScannedFile& file);
};

// What the final checks counted.
struct Figures {
    int dataBinCalls = 0;
    int scannedCalls = 0;
    int orders = 0;
    int items = 0;
    int orderFiles = 0;
    int leftoverTmp = 0; // ".Tmp" files, and ".Del" ones (a ".Tmp" moved aside when given up)
    int errorEntries = 0;
};

// The checks after every process has ended (GoogleTest assertions, non-fatal where they can be):
// every expected call in the store exactly once, complete, with its orders and items as generated;
// every good call extracted into exactly one ".Rcv" whose lines are that call's orders and nothing else;
// no ".Rcv" without its call, none cut short; no unfinished rename left over.
void checkEverything(const Sandbox& sandbox, const Expected& expected, Figures* figures);
// The same for the desks of one site: each desk's calls in the store, and one host folder (with what the
// first desk's collector took) holding exactly the files all their calls name.
struct Desk {
    const Sandbox* sandbox;
    const Expected* expected;
};
void checkSite(const std::vector<Desk>& desks, Figures* figures);

} // namespace vrq::reliability
