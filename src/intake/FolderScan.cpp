#include "intake/FolderScan.h"

#include "audit/AuditLog.h"
#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "intake/CallStore.h"
#include "intake/ScannedFileList.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "shell/AppContext.h"
#include "shell/SettingsStore.h"
#include "shell/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace vrq {

namespace {
constexpr int kLastScannedCallNumber = 9999;
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

QString FolderScan::normalisedFolder() const {
    QString folder = PathResolver::trimRight(m_ctx.settings.ScannedFolder);
    if (folder.isEmpty())
        folder = QStringLiteral(".\\");
    return PathResolver::withTrailingSeparator(folder);
}

JobResult FolderScan::run() {
    const QString folderSetting = PathResolver::trimRight(m_ctx.settings.ScannedFolder);
    if (!m_ctx.fs->folderExists(m_ctx.paths->resolve(folderSetting))) {
        m_ctx.ui->showMessage(QStringLiteral("Invalid Scanned Folder name: ") + folderSetting +
                              QStringLiteral(".  Go to the properties and set this value correctly."));
        return JobResult::success();
    }
    if (!m_previousLoaded && !m_stateFile.isEmpty())
        m_previous = ScannedFileList::load(m_stateFile);
    m_previousLoaded = true;
    finishInterruptedTake();

    const std::vector<FileEntry> current = m_ctx.fs->listFiles(m_ctx.paths->resolve(folderSetting));
    const std::vector<QString> stable = ScannedFileList::stableFiles(m_previous, current);
    // The listing as seen now is the one the next scan compares with, whatever happens to the files.
    m_previous = current;
    if (!m_stateFile.isEmpty())
        ScannedFileList::save(m_stateFile, m_previous);

    for (const QString& name : stable) {
        const JobResult taken = processScannedFile(name);
        if (!taken.ok)
            return taken;
    }
    return JobResult::success();
}

void FolderScan::reportReloadProblems() {
    const QList<SettingProblem> problems = m_ctx.settingsStore->LoadFromRegistry(m_ctx.settings);
    for (const SettingProblem& problem : problems)
        m_ctx.audit->write(QStringLiteral("E"), problem.describe());
}

int FolderScan::takeNextCallNumber() {
    int next = m_ctx.settings.LastScannedCallNum + 1;
    if (next > kLastScannedCallNumber)
        next = 1;
    m_ctx.settings.LastScannedCallNum = static_cast<qint16>(next);
    // Stored before the file is parsed, so a crash never gives the number out twice.
    m_ctx.settingsStore->saveLastScannedCallNum(m_ctx.settings.LastScannedCallNum);
    return next;
}

JobResult FolderScan::processScannedFile(const QString& fileName) {
    reportReloadProblems();
    if (!m_ctx.store)
        return JobResult::failure(QStringLiteral("the call store is not open"));
    const QString folder = normalisedFolder();
    m_ctx.settings.ScannedFolder = folder;
    const QString path = m_ctx.paths->resolve(folder + fileName);

    CallSource file;
    if (!file.open(path))
        return JobResult::success(); // still being written or locked: a later scan takes it

    m_ctx.callNumberList.clear();
    const int callNumber = takeNextCallNumber();
    m_ctx.fs->writeFileDurably(takingNote(),
                               (QString::number(callNumber) + QLatin1Char('\n') + path).toUtf8());
    const CallHeader header = scannedFileHeader(callNumber, m_ctx.clock->now());
    qint64 position = 2; // the file's first byte is not part of the records
    CallFraming framing(m_ctx);
    const CallFraming::TakeResult taken = framing.takeCall(file, position, header, 1, true);
    m_ctx.ui->processEvents();
    file.close();

    if (taken.status == CallFraming::TakeStatus::Failed) {
        // Nothing of the call reached the store: the file stays and a later scan takes it again.
        m_ctx.audit->write(QStringLiteral("E"),
                           QStringLiteral("ScanFolder: ") + fileName +
                               QStringLiteral(" was not stored and stays in the scanned folder."));
        m_ctx.fs->removeFile(takingNote());
        return JobResult::success();
    }
    moveToAuditCopy(path, callNumber);
    m_ctx.fs->removeFile(takingNote());
    return JobResult::success();
}

QString FolderScan::takingNote() const {
    return QDir(m_ctx.programFolder).filePath(QStringLiteral("ScannedFileTaking.txt"));
}

void FolderScan::finishInterruptedTake() {
    QFile note(takingNote());
    if (!note.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = QString::fromUtf8(note.readAll()).split(QLatin1Char('\n'));
    note.close();
    bool numberOk = false;
    const int callNumber = lines.value(0).toInt(&numberOk);
    const QString path = lines.value(1);
    if (numberOk && !path.isEmpty() && m_ctx.store && m_ctx.fs->fileExists(path)) {
        const std::optional<CallRow> call = m_ctx.store->findCall(1, callNumber);
        if (call && call->complete)
            moveToAuditCopy(path, callNumber); // stored before the stop: the file has been taken
    }
    m_ctx.fs->removeFile(takingNote());
}

void FolderScan::moveToAuditCopy(const QString& path, int callNumber) {
    const QString copy = QDir(m_ctx.programFolder).filePath(auditCopyName(callNumber));
    m_ctx.fs->makePath(QDir(m_ctx.programFolder).filePath(QStringLiteral("Audit")));
    m_ctx.fs->removeFile(copy);
    // Errors are ignored: a file that could not be moved is taken again at a later scan.
    m_ctx.fs->moveFile(path, copy);
}

} // namespace vrq
