#pragma once

#include "platform/Result.h"
#include "store/Store.h"

#include <QByteArray>
#include <QString>

namespace vrq {

struct AppContext;
class NetworkConnection;

// What one export did: the files it wrote and how many lines each holds, or why it wrote nothing.
struct AuditExportOutcome {
    enum class Done {
        Written,         // both files rewritten
        FolderNotSet,    // no host folder in the settings
        NoEntries,       // an empty log: the files of the last export stay as they are
        FolderAway,      // the host folder could not be reached, nor mapped again
        Busy,            // another workstation of the site is writing the files now
        FilesNotCreated, // a file could not be created; `result` says which and why
        Failed,          // a store or write failure, in `result`
    };
    Done done = Done::Written;
    int entries = 0;  // lines of the export file
    int dayLines = 0; // lines of the status file
    QString exportFile;
    QString statusFile;
    Result result;   // success unless Failed
    QString problem; // why the files could not be created

    bool written() const { return done == Done::Written; }
    // One or two sentences telling the person who asked what was written, or why nothing was.
    QString text() const;
};

// Writes the whole audit log (of the site, when workstations share the store; one of them at a time)
// as fixed-width lines ("VRQtoQX7.Aud") and a good/bad summary per run of
// days ("VRQtoQX7.Sts") into the host folder, both rewritten from scratch. An unset or unreachable
// folder, or files that cannot be created, end the export without a failure; a store or write failure
// is handed back to the caller. The outcome says which of these happened.
class AuditExport {
public:
    static constexpr int kLineWidth = 200;
    static constexpr int kMessageWidth = 150;

    AuditExport(AppContext& ctx, NetworkConnection& network);

    AuditExportOutcome exportAudits();
    // The export for callers that only care about failures (the purge).
    Result saveAuditsToFile() { return exportAudits().result; }
    // Creates (truncates) both files empty; a failure names the file. A failed status file leaves the
    // export file empty.
    Result createEmptyAuditFiles();
    // Writes what was gathered into both files, the export file first.
    Result writeAuditFiles();

    // One 200-character line of the export file, without CR LF.
    static QString exportLine(const AuditRow& row);
    // "MM/DD/YYYY  <good> Good   <bad> Bad   <percent> % Success" for a day given as YYYYMMDD.
    static QString statusLine(const QString& day, int good, int bad);

private:
    // The contents of both files, gathered from the log before any file is touched.
    struct Contents {
        QByteArray exportBytes;
        QByteArray statusBytes;
        int rows = 0;
        int dayLines = 0;
    };
    Result gather(Contents& contents) const;
    QString filePath(const char* name) const;

    AppContext& m_ctx;
    NetworkConnection& m_network;
    Contents m_contents;
};

} // namespace vrq
