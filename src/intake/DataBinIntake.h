#pragma once

#include "intake/CallFraming.h"
#include "platform/Result.h"

#include <QDateTime>
#include <QString>

namespace vrq {

struct AppContext;
class CallSource;

// One pass over DataBin.Dat: checks its header and lock flag, takes the new calls in, and moves the
// file to its numbered audit copy (or DataBin.Bak). The file is moved only when every call in it is
// committed and it has not grown since it was opened: the upstream program appends to it, and what it
// added during the pass is taken by the next one.
class DataBinIntake {
public:
    explicit DataBinIntake(AppContext& ctx);

    void run();

    CallFraming& framing() { return m_framing; }

    // The entry (and console line) for a DataBin.Dat that cannot be opened for this reason.
    static QString openFailureText(const QString& reason);

    static constexpr qint64 kMinimumLength = 256;
    static constexpr int kLockWaitSeconds = 30;

private:
    // DataBinPath with a closing separator; the program folder when it is blank.
    QString dataBinFolder() const;
    // The scan start position, or 0 when the header check failed (the file is then closed).
    qint64 checkFileHeader(CallSource& file, const QString& folder);
    // Opens DataBin.Dat for the pass; a failure is reported once while it lasts (the run status keeps
    // it), and its end too.
    bool opened(CallSource& file, const QString& path);
    // DataBin.Dat cannot be reached for this reason: an "E" entry and a failed step once while it lasts
    // (the run status keeps the reason), so its calls wait without an entry at every pass.
    void reportUnreachable(const QString& reason);
    // A DataBin folder that does not exist is reported as a file that cannot be opened, once while it
    // lasts; its return clears the report.
    bool folderExists(const QString& folder);
    // False, with the store's refusal in the run status, when the store would not keep the calls: the
    // file is then left as it is.
    bool storeKeepsCalls();
    bool waitForForeignLock(CallSource& file);
    // When the foreign lock on this file was first seen: from the note in the program folder, or now
    // (noted) when none is noted or the noted time lies ahead of the clock.
    QDateTime lockSeenSince(const QString& path, const QDateTime& now);
    // No foreign lock is pending: the first-seen time and its note go.
    void forgetForeignLock();
    QString lockSeenNote() const;
    // The note of the lock this program set: the file's path, then its size and time of change just after
    // the lock was set. A lock found with a note that still matches the file is its own; once the file
    // changed (the upstream program took the lock after this program's stop), the lock is foreign.
    QString ownLockMarker() const;
    QString lockStamp(const QString& path) const;
    bool ownLockLeftBehind(const QString& path) const;
    void setOwnLock(CallSource& file);
    // Writes "N" into the lock byte of the file at path; false when it cannot.
    bool releaseLock(const QString& path);
    // Moves the file to its audit copy or DataBin.Bak; the path it went to, empty when it stays.
    QString retireFile(const QString& path, const QString& folder);
    void moveFailed(const QString& target, const Result& result);
    void log(AuditType type, const QString& text);

    AppContext& m_ctx;
    CallFraming m_framing;
    // The time a foreign lock was first seen; invalid when none is pending. Kept in the program folder
    // too, so that a lock is cleared after its thirty seconds across single passes as well.
    QDateTime m_lockFirstSeen;
    bool m_lockSeenNoted = true; // a note may be left by an earlier run until the first pass removes it
};

} // namespace vrq
