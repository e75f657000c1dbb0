#pragma once

#include "intake/CallHeader.h"
#include "intake/ScannedFileList.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace vrq {

struct AppContext;

// The scan of the scanned folder: each order file dropped there is taken as one call with source 1
// once two scans in a row have seen it unchanged, then moved to its numbered copy Audit\FileNNNN.Txt.
// Other people write to that folder: only regular files directly in it are taken, by their names as
// they are on disk. Links, FIFOs, sockets, devices, files larger than an order file can be and names
// that are not text are reported once ("W") while they stay, and left where they are.
class FolderScan {
public:
    explicit FolderScan(AppContext& ctx);

    // A scanned order file is a few KB; a larger file is not one (a sparse file of gigabytes would
    // otherwise be read and copied whole into Audit/).
    static constexpr qint64 kLargestFile = qint64{1024} * 1024;

    // Keeps the previous listing in this file between runs (the single headless pass); by default it
    // lives in memory only.
    void keepListingIn(const QString& stateFile) { m_stateFile = stateFile; }

    // One scan. Errors that stop the scan (the store failing) come back for the cycle to report.
    Result run();
    // Takes one file of the scanned folder (its name as it is on disk) as one call.
    Result processScannedFile(const QString& fileName);

    // The call header built for a scanned file: good, dated now, numbered with the given call number.
    static CallHeader scannedFileHeader(int callNumber, const QDateTime& now);
    // "Audit/File0037.Txt" below the program folder for call 37.
    static QString auditCopyName(int callNumber);

private:
    // False for a folder setting the scan must refuse: empty, relative, missing, or the program folder
    // or its audit folder.
    bool folderAccepted(const QString& folderSetting) const;
    // The real paths the scan must never take from, worked out once per scan.
    struct ProtectedPaths {
        QString programFolder;
        QString auditFolder;
        QStringList storeFiles; // the store and its -wal, -shm and -journal files
        QString settingsFile;
    };
    ProtectedPaths protectedPaths() const;
    // What a file is when the scan must never take it ("the call store", "the settings file", "a file of
    // the program folder"); empty when it may be taken.
    QString protectedFileKind(const QString& path, const ProtectedPaths& protectedPaths) const;
    // The folder of one scan: its setting, the native folder it resolves to (once: a file name is never
    // resolved, only joined to it) and the paths it must never take.
    struct ScanTarget {
        QString setting;
        QString folder;
        ProtectedPaths protectedPaths;
    };
    ScanTarget scanTarget(const QString& folderSetting) const;
    // The entries of the folder: the files that may be taken, the others reported (once) and left alone.
    ScannedListing listFolder(const ScanTarget& target);
    // Why an entry is left alone ("is a symbolic link, ..."); empty when it may be taken.
    static QString leftAloneReason(const FolderEntry& entry);
    void reportLeftAlone(const FolderEntry& entry, const QString& reason, const ScanTarget& target);
    Result processScannedFile(const QString& fileName, const ScanTarget& target);
    // A file that cannot be opened is reported once (until it has been opened) and left where it is.
    void reportUnreadable(const QString& path, const QString& shownName, const QString& reason);
    int takeNextCallNumber();
    // Moves the file to the audit copy of its call number, or to the next free copy when that is taken.
    void moveToAuditCopy(const QString& path, int callNumber);
    void reportReloadProblems();
    // A note of the file being taken and its call number, kept until the file is moved away: a file
    // whose call was stored before the process stopped is moved at the next scan, never taken twice.
    QString takingNote() const;
    void finishInterruptedTake();

    AppContext& m_ctx;
    ScannedListing m_previous;
    bool m_previousLoaded = false;
    QString m_stateFile;
    QSet<QString> m_protectedReported;  // protected files already reported, one entry each
    QSet<QString> m_unreadableReported; // files that could not be opened, reported once each
};

} // namespace vrq
