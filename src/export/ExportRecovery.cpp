#include "export/ExportRecovery.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace vrq {

namespace {

const QLatin1String kPrefix("OrderFileRename-");
const QLatin1String kSuffix(".txt");
const QLatin1String kEndMark("End");
const QLatin1String kReservationName("OrderFileNumbers.txt");

} // namespace

ExportRecovery::ExportRecovery(FileSystem& fs, QString folder) : m_fs(fs), m_folder(std::move(folder)) {}

QString ExportRecovery::recordPath(const CallKey& call) const {
    return QDir(m_folder).filePath(kPrefix + QString::number(call.source) + QLatin1Char('-') +
                                   QString::number(call.callNumber) + kSuffix);
}

QString ExportRecovery::reservationPath() const {
    return QDir(m_folder).filePath(kReservationName);
}

bool ExportRecovery::isRecordName(const QString& fileName) {
    return fileName.startsWith(kPrefix) && fileName.endsWith(kSuffix);
}

FileResult ExportRecovery::save(const PendingRename& pending) {
    const QStringList lines{QString::number(pending.source),
                            QString::number(pending.callNumber),
                            pending.fileName,
                            pending.tmpPath,
                            pending.rcvPath,
                            kEndMark};
    return m_fs.writeFileDurably(recordPath({pending.source, pending.callNumber}),
                                 (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

std::optional<PendingRename> ExportRecovery::read(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.size() < 6 || lines.at(5) != kEndMark)
        return std::nullopt;
    bool sourceOk = false;
    bool numberOk = false;
    PendingRename pending;
    pending.source = lines.at(0).toInt(&sourceOk);
    pending.callNumber = lines.at(1).toInt(&numberOk);
    pending.fileName = lines.at(2);
    pending.tmpPath = lines.at(3);
    pending.rcvPath = lines.at(4);
    if (!sourceOk || !numberOk || pending.tmpPath.isEmpty() || pending.rcvPath.isEmpty())
        return std::nullopt;
    return pending;
}

std::optional<PendingRename> ExportRecovery::load(const CallKey& call) const {
    const std::optional<PendingRename> pending = read(recordPath(call));
    if (pending && CallKey{pending->source, pending->callNumber} == call)
        return pending;
    return std::nullopt;
}

std::vector<PendingRename> ExportRecovery::loadAll() {
    std::vector<PendingRename> records;
    for (const FileEntry& entry : m_fs.listFiles(m_folder)) {
        if (!isRecordName(entry.name))
            continue;
        const QString path = QDir(m_folder).filePath(entry.name);
        if (std::optional<PendingRename> pending = read(path))
            records.push_back(*pending);
        else
            m_fs.removeFile(path);
    }
    return records;
}

void ExportRecovery::clear(const CallKey& call) {
    const QString path = recordPath(call);
    if (m_fs.fileExists(path))
        m_fs.removeFile(path);
}

FileResult ExportRecovery::reserveNumbersThrough(int lastNumber) {
    return m_fs.writeFileDurably(
        reservationPath(),
        (QString::number(lastNumber) + QLatin1Char('\n') + kEndMark + QLatin1Char('\n')).toUtf8());
}

std::optional<int> ExportRecovery::reservedThrough() const {
    QFile file(reservationPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    bool ok = false;
    const int number = lines.value(0).toInt(&ok);
    // A record cut short was written before any number of its block was used.
    if (!ok || lines.value(1) != kEndMark)
        return std::nullopt;
    return number;
}

void ExportRecovery::clearReservation() {
    if (m_fs.fileExists(reservationPath()))
        m_fs.removeFile(reservationPath());
}

} // namespace vrq
