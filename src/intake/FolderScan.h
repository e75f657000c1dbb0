#pragma once

#include "intake/CallHeader.h"
#include "platform/FileSystem.h"
#include "shell/ProcessingCycle.h"

#include <QString>
#include <vector>

namespace vrq {

struct AppContext;

// The scan of the scanned folder: each order file dropped there is taken as one call with source 1
// once two scans in a row have seen it unchanged, then moved to its numbered copy Audit\FileNNNN.Txt.
class FolderScan {
public:
    explicit FolderScan(AppContext& ctx);

    // Keeps the previous listing in this file between runs (the single headless pass); by default it
    // lives in memory only.
    void keepListingIn(const QString& stateFile) { m_stateFile = stateFile; }

    // One scan. Errors that stop the scan (the store failing) come back for the cycle to report.
    JobResult run();
    // Takes one file of the scanned folder as one call.
    JobResult processScannedFile(const QString& fileName);

    // The call header built for a scanned file: good, dated now, numbered with the given call number.
    static CallHeader scannedFileHeader(int callNumber, const QDateTime& now);
    // "Audit/File0037.Txt" below the program folder for call 37.
    static QString auditCopyName(int callNumber);

private:
    QString normalisedFolder() const;
    int takeNextCallNumber();
    void moveToAuditCopy(const QString& path, int callNumber);
    void reportReloadProblems();
    // A note of the file being taken and its call number, kept until the file is moved away: a file
    // whose call was stored before the process stopped is moved at the next scan, never taken twice.
    QString takingNote() const;
    void finishInterruptedTake();

    AppContext& m_ctx;
    std::vector<FileEntry> m_previous;
    bool m_previousLoaded = false;
    QString m_stateFile;
};

} // namespace vrq
