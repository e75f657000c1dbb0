#include "export/ExportRecovery.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>

namespace vrq {

namespace {

const QLatin1String kRecordName("OrderFileRename.txt");
const QLatin1String kParkedPrefix("OrderFileRename-");
const QLatin1String kSuffix(".txt");
const QLatin1String kEndMark("End");
const QLatin1String kReservationName("OrderFileNumbers.txt");
// The record is padded to whole blocks so that writing it in place never changes the file's size.
constexpr qsizetype kBlockSize = 4096;

QByteArray checksum(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QByteArray padToBlocks(QByteArray bytes) {
    const qsizetype size = (bytes.size() + kBlockSize - 1) / kBlockSize * kBlockSize;
    bytes.append(std::max<qsizetype>(size, kBlockSize) - bytes.size(), ' ');
    return bytes;
}

} // namespace

ExportRecovery::ExportRecovery(FileSystem& fs, QString folder) : m_fs(fs), m_folder(std::move(folder)) {}

QString ExportRecovery::recordPath() const {
    return QDir(m_folder).filePath(kRecordName);
}

QString ExportRecovery::parkedPath(const CallKey& call) const {
    return QDir(m_folder).filePath(kParkedPrefix + QString::number(call.source) + QLatin1Char('-') +
                                   QString::number(call.callNumber) + kSuffix);
}

QString ExportRecovery::reservationPath() const {
    return QDir(m_folder).filePath(kReservationName);
}

bool ExportRecovery::isRecordName(const QString& fileName) {
    return fileName.startsWith(kParkedPrefix) && fileName.endsWith(kSuffix);
}

// Five lines, the end mark and a checksum of the five, so that a record torn by a power loss in the
// middle of its write is never taken for a whole one.
QByteArray ExportRecovery::encode(const PendingRename& pending) {
    const QStringList lines{QString::number(pending.source), QString::number(pending.callNumber),
                            pending.fileName, pending.tmpPath, pending.rcvPath};
    const QByteArray text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    return text + kEndMark.latin1() + '\n' + checksum(text) + '\n';
}

Result ExportRecovery::save(const PendingRename& pending) {
    const QByteArray bytes = padToBlocks(encode(pending));
    m_recordKey.reset();
    // Written, not flushed: it has to outlive the process, which the page cache does. A flush would
    // guard it against a power cut too, but the store's own last commits are not flushed either
    // (synchronous=NORMAL), so it would not make the export exactly-once across a power cut, and it
    // cost almost half as much again as writing the order file.
    const Result saved = writeRecord(bytes);
    if (saved) {
        m_recordKey = CallKey{pending.source, pending.callNumber};
        m_recordSize = std::max(m_recordSize, bytes.size());
    }
    return saved;
}

Result ExportRecovery::park(const PendingRename& pending) {
    const CallKey key{pending.source, pending.callNumber};
    const Result parked = m_fs.writeFileDurably(parkedPath(key), encode(pending));
    if (parked && m_parked && std::find(m_parked->begin(), m_parked->end(), key) == m_parked->end())
        m_parked->push_back(key);
    if (parked && read(recordPath()) == pending)
        blankRecord(m_fs.fileSize(recordPath()));
    return parked;
}

void ExportRecovery::blankRecord(qsizetype size) {
    if (size > 0)
        writeRecord(QByteArray(size, ' '));
    m_recordKey.reset();
}

Result ExportRecovery::writeRecord(const QByteArray& bytes) {
    if (!m_record) {
        Result opened;
        m_record = m_fs.openForWriting(recordPath(), FileSystem::OpenMode::KeepContent, &opened);
        if (!m_record)
            return opened;
    }
    const Result written = m_record->overwrite(bytes);
    if (!written)
        m_record.reset(); // opened again for the next write
    return written;
}

void ExportRecovery::closeRecord() {
    m_record.reset();
}

std::optional<PendingRename> ExportRecovery::read(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 7 || lines.at(5) != kEndMark.latin1())
        return std::nullopt;
    const qsizetype textSize = lines.at(0).size() + lines.at(1).size() + lines.at(2).size() +
                               lines.at(3).size() + lines.at(4).size() + 5;
    if (lines.at(6) != checksum(bytes.left(textSize)))
        return std::nullopt;
    bool sourceOk = false;
    bool numberOk = false;
    PendingRename pending;
    pending.source = lines.at(0).toInt(&sourceOk);
    pending.callNumber = lines.at(1).toInt(&numberOk);
    pending.fileName = QString::fromUtf8(lines.at(2));
    pending.tmpPath = QString::fromUtf8(lines.at(3));
    pending.rcvPath = QString::fromUtf8(lines.at(4));
    if (!sourceOk || !numberOk || pending.tmpPath.isEmpty() || pending.rcvPath.isEmpty())
        return std::nullopt;
    return pending;
}

std::optional<PendingRename> ExportRecovery::load(const CallKey& call) const {
    for (const QString& path : {recordPath(), parkedPath(call)}) {
        const std::optional<PendingRename> pending = read(path);
        if (pending && CallKey{pending->source, pending->callNumber} == call)
            return pending;
    }
    return std::nullopt;
}

std::vector<PendingRename> ExportRecovery::loadAll() {
    std::vector<PendingRename> records;
    m_parked.emplace();
    for (const FileEntry& entry : m_fs.listFiles(m_folder)) {
        if (!isRecordName(entry.name))
            continue;
        const QString path = QDir(m_folder).filePath(entry.name);
        if (std::optional<PendingRename> pending = read(path)) {
            records.push_back(*pending);
            m_parked->push_back({pending->source, pending->callNumber});
        } else {
            m_fs.removeFile(path);
        }
    }
    if (std::optional<PendingRename> pending = read(recordPath())) {
        if (std::find(records.begin(), records.end(), *pending) == records.end())
            records.push_back(*pending);
    }
    return records;
}

void ExportRecovery::clear(const CallKey& call) {
    if (m_recordKey) {
        if (*m_recordKey == call)
            blankRecord(m_recordSize);
    } else if (const std::optional<PendingRename> left = read(recordPath());
               left && CallKey{left->source, left->callNumber} == call) {
        blankRecord(m_fs.fileSize(recordPath())); // written by a stopped process
    }
    if (m_parked) {
        const auto found = std::find(m_parked->begin(), m_parked->end(), call);
        if (found == m_parked->end())
            return;
        m_parked->erase(found);
    }
    const QString parked = parkedPath(call);
    if (m_fs.fileExists(parked))
        m_fs.removeFile(parked);
}

Result ExportRecovery::reserveNumbersThrough(int lastNumber) {
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
