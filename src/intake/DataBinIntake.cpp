#include "intake/DataBinIntake.h"

#include "context/AppContext.h"
#include "context/StatusUpdates.h"
#include "intake/CallSource.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"
#include "store/Store.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace vrq {

namespace {
constexpr int kAuditCopies = 1000; // Databin.000 to Databin.999
// Names beyond the ring, used only when every one of its names is taken: Databin.005.1, ...
constexpr int kSpareCopies = 9999;
constexpr qint64 kLockPosition = 7;
constexpr qint64 kStartAfterFileHeader = 8;
constexpr qint64 kStartOfFile = 1;

// "12, 13": each number with a blank for its sign, the first without it.
QString callNumberText(const QList<int>& callNumbers) {
    QString text;
    for (int callNumber : callNumbers)
        text += QLatin1Char(',') + withSignBlank(callNumber);
    return text.mid(2);
}
} // namespace

DataBinIntake::DataBinIntake(AppContext& ctx) : m_ctx(ctx), m_framing(ctx) {}

void DataBinIntake::log(AuditType type, const QString& text) {
    if (m_ctx.audit)
        m_ctx.audit->write(type, text);
}

QString DataBinIntake::dataBinFolder() const {
    QString folder = PathResolver::trimRight(m_ctx.settings.dataBinPath);
    if (folder.isEmpty())
        folder = QStringLiteral(".\\");
    return PathResolver::withTrailingSeparator(folder);
}

qint64 DataBinIntake::checkFileHeader(CallSource& file, const QString& folder) {
    if (file.length() == 0) {
        file.close();
        return 0;
    }
    if (file.length() < kMinimumLength) {
        file.close();
        log(AuditType::FileFault, QStringLiteral("File too short.  Retry later."));
        return 0;
    }
    const QByteArray id = file.read(1, 6);
    if (id == QByteArrayLiteral("DBHFID"))
        return kStartAfterFileHeader;
    if (id == QByteArrayLiteral("BCHFID")) {
        log(AuditType::FileFault, QStringLiteral("Missing file header, but found call header - continuing."));
        return kStartOfFile;
    }
    const QString path = file.path();
    file.close();
    // An earlier bad file is kept: this one becomes DataBin.Bad.1, DataBin.Bad.2, ... when the name is taken.
    const auto nameAt = [](int index) -> QString {
        if (index == 0)
            return QStringLiteral("DataBin.Bad");
        return index <= kSpareCopies ? QStringLiteral("DataBin.Bad.") + QString::number(index) : QString();
    };
    const FreeNameMove moved = moveToFreeName(*m_ctx.fs, path, [&](int index) {
        const QString name = nameAt(index);
        return name.isEmpty() ? name : m_ctx.paths->resolve(folder + name);
    });
    if (moved.result.ok() && moved.index > 0)
        log(AuditType::Warning, QStringLiteral("DataBin.Bad already exists; DataBin.Dat was renamed to ") +
                                    nameAt(moved.index) + QLatin1Char('.'));
    log(AuditType::FileFault, QStringLiteral("Missing file header.  Renamed DataBin.Dat to ") +
                                  nameAt(std::max(moved.index, 0)) + QLatin1Char('.'));
    return 0;
}

QString DataBinIntake::ownLockMarker() const {
    return QDir(m_ctx.programFolder).filePath(QStringLiteral("DataBinLock.txt"));
}

QString DataBinIntake::lockStamp(const QString& path) const {
    return QString::number(m_ctx.fs->fileSize(path)) + QLatin1Char(' ') +
           QString::number(m_ctx.fs->lastModified(path).toMSecsSinceEpoch());
}

bool DataBinIntake::ownLockLeftBehind(const QString& path) const {
    QFile marker(ownLockMarker());
    if (!marker.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(marker.readAll()).split(QLatin1Char('\n'));
    if (lines.value(0) != path)
        return false;
    // Without a stamp the pass stopped between setting the lock and stamping it: the lock is its own.
    const QString stamp = lines.value(1);
    return stamp.isEmpty() || stamp == lockStamp(path);
}

void DataBinIntake::setOwnLock(CallSource& file) {
    const QString path = file.path();
    // Noted before the lock is set, so a lock left by a stopped pass is known as ours at the next, and
    // stamped after it. The note is replaced whole: a note cut short would make our own lock look foreign.
    m_ctx.fs->replaceFileDurably(ownLockMarker(), path.toUtf8());
    file.writeByte(kLockPosition, 'Y');
    m_ctx.fs->replaceFileDurably(ownLockMarker(), (path + QLatin1Char('\n') + lockStamp(path)).toUtf8());
}

bool DataBinIntake::releaseLock(const QString& path) {
    CallSource file;
    if (!file.open(path, CallSource::Access::ReadWrite).ok())
        return false;
    const bool released = file.writeByte(kLockPosition, 'N');
    file.close();
    return released;
}

QString DataBinIntake::lockSeenNote() const {
    return QDir(m_ctx.programFolder).filePath(QStringLiteral("DataBinLockSeen.txt"));
}

QDateTime DataBinIntake::lockSeenSince(const QString& path, const QDateTime& now) {
    if (!m_lockFirstSeen.isValid()) {
        const QStringList note = QString::fromUtf8(m_ctx.fs->readFile(lockSeenNote()).value_or(QByteArray()))
                                     .split(QLatin1Char('\n'));
        bool number = false;
        const qint64 ms = note.value(1).toLongLong(&number);
        if (note.value(0) == path && number)
            m_lockFirstSeen = QDateTime::fromMSecsSinceEpoch(ms);
    }
    if (!m_lockFirstSeen.isValid() || m_lockFirstSeen > now) {
        m_lockFirstSeen = now;
        m_ctx.fs->replaceFileDurably(
            lockSeenNote(), (path + QLatin1Char('\n') + QString::number(now.toMSecsSinceEpoch())).toUtf8());
        m_lockSeenNoted = true;
    }
    return m_lockFirstSeen;
}

void DataBinIntake::forgetForeignLock() {
    m_lockFirstSeen = QDateTime();
    if (m_lockSeenNoted)
        m_ctx.fs->removeFile(lockSeenNote());
    m_lockSeenNoted = false;
}

bool DataBinIntake::waitForForeignLock(CallSource& file) {
    if (file.byteAt(kLockPosition) != 'Y')
        return false;
    if (ownLockLeftBehind(file.path())) {
        // Our own lock from a pass that was stopped: nobody else holds the file.
        log(AuditType::LockCleared, QStringLiteral("DataBin lock of a stopped pass cleared"));
        return false;
    }
    const QDateTime now = m_ctx.clock->now();
    if (lockSeenSince(file.path(), now).secsTo(now) < kLockWaitSeconds)
        return true;
    file.writeByte(kLockPosition, 'N');
    log(AuditType::LockCleared, QStringLiteral("DataBin lock cleared automatically"));
    return false;
}

void DataBinIntake::moveFailed(const QString& target, const Result& result) {
    // The file stays; the next pass skips the calls already stored and tries again.
    log(AuditType::Error, QStringLiteral("DataBin.Dat could not be moved to ") + target +
                              QStringLiteral(": ") + result.message);
    runstatus::stepFailed(m_ctx);
}

QString DataBinIntake::retireFile(const QString& path, const QString& folder) {
    // Everything taken from the file reaches the disk before the file leaves its folder.
    m_ctx.store->units().checkpoint();
    if (!m_ctx.settings.dataBinAudit) {
        QString bak = m_ctx.paths->resolve(folder + QStringLiteral("DataBin.Bak"));
        m_ctx.fs->removeFile(bak);
        if (const Result moved = m_ctx.fs->moveFile(path, bak); !moved.ok()) {
            moveFailed(QStringLiteral("DataBin.Bak"), moved);
            return {};
        }
        return bak;
    }
    const QString auditFolder = QDir(m_ctx.programFolder).filePath(QStringLiteral("Audit"));
    m_ctx.fs->makePath(auditFolder);
    // The ring of copies from NextDataBinNum on, then spare names. A copy of the ring older than the days
    // of history (its calls purged by now) is replaced; a younger one, or a spare, is never replaced.
    const int wanted = m_ctx.settings.nextDataBinNum;
    const auto numberAt = [wanted](int index) {
        return index < kAuditCopies ? (wanted + index) % kAuditCopies : wanted;
    };
    const auto suffixAt = [&](int index) -> QString {
        QString number = (QStringLiteral("000") + QString::number(numberAt(index))).right(3);
        if (index < kAuditCopies)
            return number;
        if (index >= kAuditCopies + kSpareCopies)
            return {};
        return number + QLatin1Char('.') + QString::number(index - kAuditCopies + 1);
    };
    const QDateTime cutoff(m_ctx.clock->now().date().addDays(-m_ctx.settings.daysOfHistory), QTime(0, 0));
    const FreeNameMove moved = moveToFreeName(
        *m_ctx.fs, path,
        [&](int index) {
            const QString suffix = suffixAt(index);
            return suffix.isEmpty() ? suffix
                                    : QDir(auditFolder).filePath(QStringLiteral("Databin.") + suffix);
        },
        [&](int index) {
            // The next number is stored before the move, so a process stopped after it never moves another
            // file onto this copy.
            m_ctx.settings.nextDataBinNum = static_cast<qint16>((numberAt(index) + 1) % kAuditCopies);
            m_ctx.settingsStore->save(m_ctx.settings);
        },
        [&](int index, const QString& copy) {
            return index < kAuditCopies && changedBefore(*m_ctx.fs, copy, cutoff);
        });
    const QString suffix = suffixAt(std::max(moved.index, 0));
    if (!moved.result.ok()) {
        moveFailed(QStringLiteral("Audit/Databin.") + suffix, moved.result);
        return {};
    }
    if (moved.index > 0)
        log(AuditType::Warning,
            QStringLiteral("Audit/Databin.") + suffixAt(0) +
                QStringLiteral(" already exists; DataBin.Dat was moved to Audit/Databin.") + suffix +
                QLatin1Char('.'));
    log(AuditType::Info, QStringLiteral("DataBin.") + suffix + QStringLiteral(" contains call number(s): ") +
                             callNumberText(m_framing.callNumbers()));
    return moved.path;
}

QString DataBinIntake::openFailureText(const QString& reason) {
    return QStringLiteral("DataBin.Dat cannot be opened for reading and writing (") + reason +
           QStringLiteral("); its calls wait until it can be.");
}

bool DataBinIntake::opened(CallSource& file, const QString& path) {
    const Result result = file.open(path, CallSource::Access::ReadWrite);
    const bool wasFailing = !m_ctx.status.dataBinError.isEmpty();
    if (result.ok()) {
        if (wasFailing) {
            log(AuditType::Info, QStringLiteral("DataBin.Dat can be opened again; its calls are taken."));
            runstatus::dataBinFailing(m_ctx, QString());
        }
        return true;
    }
    // A file made read-only, a folder without rights: its calls wait.
    reportUnreachable(result.message);
    return false;
}

void DataBinIntake::reportUnreachable(const QString& reason) {
    if (m_ctx.status.dataBinError.isEmpty()) {
        log(AuditType::Error, openFailureText(reason));
        runstatus::stepFailed(m_ctx);
    }
    runstatus::dataBinFailing(m_ctx, reason);
}

bool DataBinIntake::storeKeepsCalls() {
    const Result writable = m_ctx.store->units().writable(WriteTrial::Write);
    // A server gone since the cycle's check is the cycle's to tell and retry.
    if (!writable.isUnreachable())
        runstatus::storeRefusing(m_ctx, writable.ok() ? QString() : writable.message);
    return writable.ok();
}

bool DataBinIntake::folderExists(const QString& folder) {
    const QString reason = QStringLiteral("its folder %1 does not exist").arg(folder);
    if (m_ctx.fs->folderExists(m_ctx.paths->resolve(folder))) {
        if (m_ctx.status.dataBinError == reason)
            runstatus::dataBinFailing(m_ctx, QString());
        return true;
    }
    // The upstream program writes into a folder that exists: this one is a setting that names another.
    // With calls switched off there is nobody to tell.
    if (m_ctx.settings.enableCalls)
        reportUnreachable(reason);
    return false;
}

void DataBinIntake::run() {
    const QString folder = dataBinFolder();
    if (!folderExists(folder))
        return;
    const QString path = m_ctx.paths->resolve(folder + QStringLiteral("DataBin.Dat"));
    // Anything by that name is the upstream program's file; one that is not a file (a folder, a link, a
    // FIFO) is reported by the open that refuses it.
    if (!m_ctx.fs->entryExists(path)) {
        forgetForeignLock(); // a lock goes with its file
        return;
    }
    // A store that would not keep the calls (read-only, replaced) leaves the file as it is.
    if (!storeKeepsCalls())
        return;
    CallSource file;
    if (!opened(file, path))
        return;

    const qint64 scanStart = checkFileHeader(file, folder);
    if (scanStart == 0)
        return;
    if (waitForForeignLock(file))
        return;
    forgetForeignLock();
    setOwnLock(file);

    const CallLoopOutcome outcome = m_framing.runCallLoop(file, scanStart);

    if (m_framing.callNumbers().isEmpty()) {
        file.writeByte(kLockPosition, 'N');
        file.close();
        m_ctx.fs->removeFile(ownLockMarker());
        log(AuditType::Warning, QStringLiteral("DataBin.Dat exists, but contains no calls."));
        return;
    }
    const bool grew = m_ctx.fs->fileSize(path) > file.length();
    if (!outcome.allStored || grew) {
        // Stays for the next pass, which skips what this one took.
        file.writeByte(kLockPosition, 'N');
        file.close();
        m_ctx.fs->removeFile(ownLockMarker());
        if (!outcome.allStored)
            runstatus::stepFailed(m_ctx);
        if (grew)
            log(AuditType::Info,
                QStringLiteral("DataBin.Dat grew while it was read; it stays for the next pass."));
        return;
    }
    file.close();
    const QString copy = retireFile(path, folder);
    // The lock is released in the copy too, so that a copy fed back as DataBin.Dat is taken at once.
    // A file that stays is unlocked for the upstream program; when even that fails, the note stays
    // and the next pass knows the lock for its own.
    if (releaseLock(copy.isEmpty() ? path : copy) || !copy.isEmpty())
        m_ctx.fs->removeFile(ownLockMarker());
}

} // namespace vrq
