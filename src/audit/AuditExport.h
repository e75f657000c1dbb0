#pragma once

#include "platform/Result.h"
#include "store/CallStore.h"

#include <QByteArray>
#include <QString>

namespace vrq {

struct AppContext;
class NetworkConnection;

// Writes the whole audit log as fixed-width lines ("VRQtoQX7.Aud") and a good/bad summary per run of
// days ("VRQtoQX7.Sts") into the host folder, both rewritten from scratch. An unset or unreachable
// folder, or files that cannot be created, end the export quietly; a store or write failure is
// handed back to the caller.
class AuditExport {
public:
    static constexpr int kLineWidth = 200;
    static constexpr int kMessageWidth = 150;

    AuditExport(AppContext& ctx, NetworkConnection& network);

    Result saveAuditsToFile();
    // Creates (truncates) both files empty; true when both exist. A failed status file leaves the export
    // file empty.
    bool createEmptyAuditFiles();
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
    };
    Result gather(Contents& contents) const;
    QString filePath(const char* name) const;

    AppContext& m_ctx;
    NetworkConnection& m_network;
    Contents m_contents;
};

} // namespace vrq
