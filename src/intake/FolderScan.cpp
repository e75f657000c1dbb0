#include "intake/FolderScan.h"

#include "context/AppContext.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "intake/ScannedFileList.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/PrintableText.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"
#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace vrq {

namespace {
constexpr int kLastScannedCallNumber = 9999;
// Copies beyond the ring, used only when every one of its names is taken: File0001.1.Txt, ...
constexpr int kSpareCopies = 9999;

bool samePath(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

// An entry of the folder by its name as it is on disk: the name is one path component, whatever it
// holds (a backslash, "..", a newline), never a path of its own.
QString entryPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
} // namespace

FolderScan::FolderScan(AppContext& ctx) : m_ctx(ctx) {}

CallHeader FolderScan::scannedFileHeader(int callNumber, const QDateTime& now) {
    CallHeader header;
    header.goodCallFlag = QStringLiteral("Y");
    header.callDateTime = QLocale::c().toString(now, QStringLiteral("yyyyMMddHHmmss"));
    header.callNumber = fixedWidth(QString::number(callNumber), 5);
    return header;
}

QString FolderScan::auditCopyName(int callNumber) {
    const QString digits = (QStringLiteral("0000") + QString::number(callNumber)).right(4);
    return QStringLiteral("Audit/File") + digits + QStringLiteral(".Txt");
}

bool FolderScan::folderAccepted(const QString& folderSetting) const {
    // An empty or relative name would resolve to the program folder, where the store lies.
    if (folderSetting.isEmpty() || PathResolver::isRelative(folderSetting))
        return false;
    const QString folder = m_ctx.paths->resolve(folderSetting);
    if (!m_ctx.fs->folderExists(folder))
        return false;
    const QString canonical = m_ctx.fs->canonicalPath(folder);
    const QString program = m_ctx.fs->canonicalPath(m_ctx.programFolder);
    return !samePath(canonical, program) &&
           !samePath(canonical, m_ctx.fs->canonicalPath(QDir(program).filePath(QStringLiteral("Audit"))));
}

FolderScan::ProtectedPaths FolderScan::protectedPaths() const {
    ProtectedPaths paths;
    paths.programFolder = m_ctx.fs->canonicalPath(m_ctx.programFolder);
    paths.auditFolder = m_ctx.fs->canonicalPath(QDir(paths.programFolder).filePath(QStringLiteral("Audit")));
    const QString store = QDir(paths.programFolder).filePath(QString::fromLatin1(kStoreFileName));
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        paths.storeFiles.append(m_ctx.fs->canonicalPath(store + QLatin1String(suffix)));
    if (m_ctx.settingsStore)
        paths.settingsFile = m_ctx.fs->canonicalPath(m_ctx.settingsStore->backend().location());
    return paths;
}

QString FolderScan::protectedFileKind(const QString& path, const ProtectedPaths& protectedPaths) const {
    const QString canonical = m_ctx.fs->canonicalPath(path);
    if (canonical.isEmpty())
        return {};
    for (const QString& storeFile : protectedPaths.storeFiles) {
        if (samePath(canonical, storeFile))
            return QStringLiteral("the call store");
    }
    if (samePath(canonical, protectedPaths.settingsFile))
        return QStringLiteral("the settings file");
    const QString folder = QFileInfo(canonical).path();
    if (samePath(folder, protectedPaths.programFolder) || samePath(folder, protectedPaths.auditFolder))
        return QStringLiteral("a file of the program folder");
    return {};
}

Result FolderScan::run() {
    const QString folderSetting = PathResolver::trimRight(m_ctx.settings.scannedFolder);
    if (!folderAccepted(folderSetting)) {
        m_ctx.ui->showNotice(QStringLiteral("Invalid Scanned Folder name: ") + folderSetting +
                                 QStringLiteral(".  Go to the properties and set this value correctly."),
                             QStringLiteral("Invalid Scanned Folder name: ") + folderSetting +
                                 QStringLiteral(".  Set ScannedFolder in section QX7 of the settings "
                                                "correctly."));
        runstatus::stepFailed(m_ctx);
        return Result::success();
    }
    if (!m_previousLoaded && !m_stateFile.isEmpty())
        m_previous = ScannedFileList::load(m_stateFile);
    m_previousLoaded = true;
    finishInterruptedTake();

    const ScanTarget target = scanTarget(folderSetting);
    ScannedListing current = listFolder(target);
    const std::vector<QString> stable = ScannedFileList::stableFiles(m_previous.files, current.files);
    // The listing as seen now is the one the next scan compares with, whatever happens to the files.
    m_previous = std::move(current);
    if (!m_stateFile.isEmpty())
        ScannedFileList::save(*m_ctx.fs, m_stateFile, m_previous);

    for (const QString& name : stable) {
        Result taken = processScannedFile(name, target);
        if (!taken.ok())
            return taken;
    }
    return Result::success();
}

FolderScan::ScanTarget FolderScan::scanTarget(const QString& folderSetting) const {
    return {folderSetting, m_ctx.paths->resolve(folderSetting), protectedPaths()};
}

ScannedListing FolderScan::listFolder(const ScanTarget& target) {
    ScannedListing listing;
    for (const FolderEntry& entry : m_ctx.fs->listEntries(target.folder)) {
        if (entry.kind == EntryKind::Folder)
            continue; // subfolders are no order files and are never looked into
        const QString reason = leftAloneReason(entry);
        if (reason.isEmpty()) {
            listing.files.push_back({entry.name, entry.size, entry.lastModified});
            continue;
        }
        // Reported when first seen; an entry that goes and comes back is reported again.
        if (!m_previous.leftAlone.contains(entry.nativeName))
            reportLeftAlone(entry, reason, target);
        listing.leftAlone.insert(entry.nativeName);
    }
    return listing;
}

QString FolderScan::leftAloneReason(const FolderEntry& entry) {
    switch (entry.kind) {
    case EntryKind::Link:
        return QStringLiteral("is a symbolic link, which is never followed");
    case EntryKind::Fifo:
        return QStringLiteral("is a FIFO, not a file");
    case EntryKind::Socket:
        return QStringLiteral("is a socket, not a file");
    case EntryKind::Device:
        return QStringLiteral("is a device, not a file");
    case EntryKind::Other:
        return QStringLiteral("is not a regular file");
    case EntryKind::File:
    case EntryKind::Folder:
        break;
    }
    if (entry.name.isEmpty())
        return QStringLiteral("has a name that is not UTF-8 text");
    if (entry.size > kLargestFile)
        return QStringLiteral("is larger than an order file can be (%1 bytes, at most %2)")
            .arg(entry.size)
            .arg(kLargestFile);
    return {};
}

void FolderScan::reportLeftAlone(const FolderEntry& entry, const QString& reason, const ScanTarget& target) {
    const QString shownName = printableName(entry.nativeName);
    // A link to the store or to another file of the program folder is named for what it reaches.
    const QString kind = entry.kind == EntryKind::Link && !entry.name.isEmpty()
                             ? protectedFileKind(entryPath(target.folder, entry.name), target.protectedPaths)
                             : QString();
    if (!kind.isEmpty()) {
        m_ctx.audit->write(AuditType::Error,
                           QStringLiteral("ScanFolder: ") + shownName + QStringLiteral(" is ") + kind +
                               QStringLiteral("; it is never taken and stays where it is."));
        return;
    }
    // Not a failed step: an entry someone else put there is no failure of the program.
    m_ctx.audit->write(AuditType::Warning, QStringLiteral("ScanFolder: ") + shownName + QLatin1Char(' ') +
                                               reason + QStringLiteral("; it is left where it is."));
}

void FolderScan::reportReloadProblems() {
    const QList<SettingProblem> problems = m_ctx.settingsStore->load(m_ctx.settings);
    for (const SettingProblem& problem : problems)
        m_ctx.audit->write(AuditType::Error, problem.describe());
}

int FolderScan::takeNextCallNumber() {
    int next = m_ctx.settings.lastScannedCallNum + 1;
    if (next > kLastScannedCallNumber)
        next = 1;
    m_ctx.settings.lastScannedCallNum = static_cast<qint16>(next);
    // Stored before the file is parsed, so a crash never gives the number out twice.
    m_ctx.settingsStore->saveLastScannedCallNum(m_ctx.settings.lastScannedCallNum);
    return next;
}

Result FolderScan::processScannedFile(const QString& fileName) {
    const QString folderSetting = PathResolver::trimRight(m_ctx.settings.scannedFolder);
    if (!folderAccepted(folderSetting))
        return Result::success(); // the next scan reports the folder
    return processScannedFile(fileName, scanTarget(folderSetting));
}

Result FolderScan::processScannedFile(const QString& fileName, const ScanTarget& target) {
    reportReloadProblems();
    if (!m_ctx.store)
        return Result::failure(QStringLiteral("the call store is not open"));
    // The settings were read again: a folder changed since the listing is listed by the next scan.
    if (PathResolver::trimRight(m_ctx.settings.scannedFolder) != target.setting)
        return Result::success();
    const QString path = entryPath(target.folder, fileName);
    const QString shownName = printableText(fileName);
    const QString kind = protectedFileKind(path, target.protectedPaths);
    if (!kind.isEmpty()) {
        if (!m_protectedReported.contains(path)) {
            m_protectedReported.insert(path);
            m_ctx.audit->write(AuditType::Error,
                               QStringLiteral("ScanFolder: ") + shownName + QStringLiteral(" is ") + kind +
                                   QStringLiteral("; it is never taken and stays where it is."));
        }
        return Result::success();
    }

    // Opened without following a link or waiting on a FIFO put in the file's place since the listing.
    CallSource file;
    if (const Result opened = file.open(path, CallSource::Access::ReadOnly); !opened.ok()) {
        reportUnreadable(path, shownName, opened.message);
        return Result::success(); // a later scan takes it once it can be read
    }
    m_unreadableReported.remove(path);
    if (file.length() > kLargestFile) {
        // Grown since the listing: left alone as the next listing leaves it.
        const FolderEntry grown{QFile::encodeName(fileName), fileName, EntryKind::File, file.length(), {}};
        file.close();
        if (!m_previous.leftAlone.contains(grown.nativeName))
            reportLeftAlone(grown, leftAloneReason(grown), target);
        m_previous.leftAlone.insert(grown.nativeName);
        return Result::success();
    }

    const int callNumber = takeNextCallNumber();
    // The path as its bytes after the number's line: a name may hold a newline of its own.
    m_ctx.fs->writeFileDurably(takingNote(), QByteArray::number(callNumber) + '\n' + QFile::encodeName(path));
    const CallHeader header = scannedFileHeader(callNumber, m_ctx.clock->now());
    qint64 position = 2; // the file's first byte is not part of the records
    CallFraming framing(m_ctx);
    const CallFraming::TakeResult taken = framing.takeCall(file, position, header, 1, true);
    m_ctx.ui->processEvents();
    file.close();

    if (taken.status == CallFraming::TakeStatus::Failed) {
        // Nothing of the call reached the store: the file stays and a later scan takes it again.
        m_ctx.audit->write(AuditType::Error,
                           QStringLiteral("ScanFolder: ") + shownName +
                               QStringLiteral(" was not stored and stays in the scanned folder."));
        m_ctx.fs->removeFile(takingNote());
        runstatus::stepFailed(m_ctx);
        return Result::success();
    }
    if (taken.judgedGood)
        runstatus::callTaken(m_ctx, *taken.judgedGood);
    moveToAuditCopy(path, callNumber);
    m_ctx.fs->removeFile(takingNote());
    runstatus::scannedFileTaken(m_ctx);
    return Result::success();
}

void FolderScan::reportUnreadable(const QString& path, const QString& shownName, const QString& reason) {
    if (m_unreadableReported.contains(path))
        return;
    m_unreadableReported.insert(path);
    m_ctx.audit->write(AuditType::Error,
                       QStringLiteral("ScanFolder: ") + shownName + QStringLiteral(" cannot be read (") +
                           reason + QStringLiteral("); it stays in the scanned folder until it can."));
    runstatus::stepFailed(m_ctx);
}

QString FolderScan::takingNote() const {
    return QDir(m_ctx.programFolder).filePath(QStringLiteral("ScannedFileTaking.txt"));
}

void FolderScan::finishInterruptedTake() {
    QFile note(takingNote());
    if (!note.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = note.readAll();
    note.close();
    // The number's line, then the path as its bytes up to the end: a newline in it is part of the name.
    const qsizetype lineEnd = content.indexOf('\n');
    bool numberOk = false;
    const int callNumber = lineEnd < 0 ? 0 : content.left(lineEnd).toInt(&numberOk);
    const QString path = lineEnd < 0 ? QString() : QFile::decodeName(content.mid(lineEnd + 1));
    if (numberOk && !path.isEmpty() && m_ctx.store && m_ctx.fs->fileExists(path)) {
        const std::optional<CallRow> call = m_ctx.store->calls().findCall(1, callNumber);
        if (call && call->complete)
            moveToAuditCopy(path, callNumber); // stored before the stop: the file has been taken
    }
    m_ctx.fs->removeFile(takingNote());
}

void FolderScan::moveToAuditCopy(const QString& path, int callNumber) {
    m_ctx.fs->makePath(QDir(m_ctx.programFolder).filePath(QStringLiteral("Audit")));
    // The ring of copies from the call's own number on, then spare names. A copy of the ring older than
    // the days of history (its call purged by now) is replaced; a younger one, or a spare, never is.
    const QDateTime cutoff(m_ctx.clock->now().date().addDays(-m_ctx.settings.daysOfHistory), QTime(0, 0));
    const auto numberAt = [callNumber](int index) {
        return (callNumber - 1 + index) % kLastScannedCallNumber + 1;
    };
    const auto nameAt = [&](int index) -> QString {
        if (index < kLastScannedCallNumber)
            return auditCopyName(numberAt(index));
        if (index >= kLastScannedCallNumber + kSpareCopies)
            return {};
        const QString copy = auditCopyName(callNumber);
        return copy.left(copy.size() - 4) + QLatin1Char('.') +
               QString::number(index - kLastScannedCallNumber + 1) + copy.right(4);
    };
    const FreeNameMove moved = moveToFreeName(
        *m_ctx.fs, path,
        [&](int index) {
            return nameAt(index).isEmpty() ? QString() : QDir(m_ctx.programFolder).filePath(nameAt(index));
        },
        [&](int index) {
            if (index == 0 || index >= kLastScannedCallNumber)
                return;
            // Numbers run on after the copy used, so the next file does not search the same names again.
            m_ctx.settings.lastScannedCallNum = static_cast<qint16>(numberAt(index));
            m_ctx.settingsStore->saveLastScannedCallNum(m_ctx.settings.lastScannedCallNum);
        },
        [&](int index, const QString& copy) {
            return index < kLastScannedCallNumber && changedBefore(*m_ctx.fs, copy, cutoff);
        });
    // Other errors are ignored: a file that could not be moved is taken again at a later scan.
    if (moved.result.ok() && moved.index > 0)
        m_ctx.audit->write(AuditType::Warning,
                           QStringLiteral("ScanFolder: ") + auditCopyName(callNumber) +
                               QStringLiteral(" already exists; ") + printableText(fileNameOf(path)) +
                               QStringLiteral(" (call ") + QString::number(callNumber) +
                               QStringLiteral(") was moved to ") + nameAt(moved.index) + QLatin1Char('.'));
}

} // namespace vrq
