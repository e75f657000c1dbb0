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

// The size of a record holding size bytes of entries: whole blocks, at least one.
qsizetype padToBlocks(qsizetype size) {
    return std::max<qsizetype>((size + kBlockSize - 1) / kBlockSize * kBlockSize, kBlockSize);
}

QByteArray padToBlocks(QByteArray bytes) {
    bytes.append(padToBlocks(bytes.size()) - bytes.size(), ' ');
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

// Five lines, the end mark and a checksum of the five, so that an entry torn by a power loss in the
// middle of its write is never taken for a whole one.
QByteArray ExportRecovery::encode(const PendingRename& pending) {
    QByteArray entry;
    entry.reserve(3 * pending.tmpPath.size() + 64);
    for (const QByteArray& line :
         {QByteArray::number(pending.source), QByteArray::number(pending.callNumber),
          pending.fileName.toUtf8(), pending.tmpPath.toUtf8(), pending.rcvPath.toUtf8()})
        entry.append(line).append('\n');
    const QByteArray sum = checksum(entry);
    return entry.append(kEndMark.latin1()).append('\n').append(sum).append('\n');
}

Result ExportRecovery::save(const PendingRename& pending) {
    recorded().push_back(pending);
    const qsizetype end = m_encoded.size();
    m_encoded += encode(pending); // the entries before are encoded already
    // Written, not flushed: it has to outlive the process, which the page cache does. A flush would
    // guard it against a power cut too, but the store's own last commits are not flushed either
    // (synchronous=NORMAL), so it would not make the export exactly-once across a power cut, and it
    // cost almost half as much again as writing the order file.
    if (!m_fileMatches)
        return writeEncoded(); // when refused, the file is read again before its next use
    return appendEntry(end);
}

// The entries before stay as they are on the disk; only the new one is written, after them, over the
// blanks (the file is padded on to its next whole block when the entry reaches past its end).
Result ExportRecovery::appendEntry(qsizetype at) {
    QByteArray bytes = m_encoded.sliced(at);
    const qsizetype padded = padToBlocks(m_encoded.size());
    if (padded > m_recordSize)
        bytes.append(padded - m_encoded.size(), ' ');
    return afterWrite(writeRecord(at, bytes), std::max(m_recordSize, padded));
}

Result ExportRecovery::park(const PendingRename& pending) {
    const CallKey key{pending.source, pending.callNumber};
    Result parked = m_fs.writeFileDurably(parkedPath(key), encode(pending));
    if (!parked)
        return parked;
    if (m_parked && std::find(m_parked->begin(), m_parked->end(), key) == m_parked->end())
        m_parked->push_back(key);
    std::vector<PendingRename>& entries = recorded();
    if (const auto found = std::find(entries.begin(), entries.end(), pending); found != entries.end())
        takeOut(found);
    return parked;
}

std::vector<PendingRename>& ExportRecovery::recorded() {
    if (!m_recorded) {
        m_recorded = read(recordPath());
        m_recordSize = m_fs.fileSize(recordPath());
        m_fileMatches = false; // what follows the whole entries is not known to be blank
        encodeRecorded();
    }
    return *m_recorded;
}

void ExportRecovery::encodeRecorded() {
    m_encoded.clear();
    for (const PendingRename& entry : *m_recorded)
        m_encoded += encode(entry);
}

// The last entry comes off in place: what stays is what the file begins with, so a write cut short
// still leaves every entry whole. Any other entry shifts the ones after it, and a write cut short
// between two of its pages (a kill does that) would tear one of them and lose the rest, whose renames
// may have been made: those go into a new file that takes the record's place whole.
Result ExportRecovery::takeOut(std::vector<PendingRename>::iterator entry) {
    const bool wasLast = entry + 1 == m_recorded->end();
    m_recorded->erase(entry);
    encodeRecorded();
    if (wasLast || m_recorded->empty())
        return writeEncoded();
    return replaceRecord();
}

Result ExportRecovery::replaceRecord() {
    m_record.reset(); // its descriptor would write to the file replaced
    const QByteArray bytes = padToBlocks(m_encoded);
    return afterWrite(m_fs.replaceFileDurably(recordPath(), bytes), bytes.size());
}

Result ExportRecovery::writeEncoded() {
    if (m_recorded->empty())
        return blankRecord();
    QByteArray bytes = padToBlocks(m_encoded);
    if (bytes.size() < m_recordSize)
        bytes.append(m_recordSize - bytes.size(), ' '); // nothing of a longer list is left behind
    return afterWrite(writeRecord(0, bytes), bytes.size());
}

Result ExportRecovery::blankRecord() {
    if (m_recordSize <= 0)
        return Result::success();
    // All blank: the next entries need not cover anything.
    return afterWrite(writeRecord(0, QByteArray(m_recordSize, ' ')), 0);
}

// A write that went through leaves the file holding m_encoded and blanks up to size; after one that was
// refused, what the file holds is read again before its next use.
Result ExportRecovery::afterWrite(Result written, qsizetype size) {
    if (!written) {
        m_recorded.reset();
        return written;
    }
    m_recordSize = size;
    m_fileMatches = true;
    return written;
}

void ExportRecovery::clearRecord() {
    if (m_recorded && m_recorded->empty())
        return;
    m_recorded.emplace();
    m_encoded.clear();
    if (m_recordSize < 0)
        m_recordSize = m_fs.fileSize(recordPath());
    blankRecord();
}

Result ExportRecovery::writeRecord(qint64 at, const QByteArray& bytes) {
    if (!m_record) {
        Result opened;
        m_record = m_fs.openForWriting(recordPath(), FileSystem::OpenMode::KeepContent, &opened);
        if (!m_record)
            return opened;
    }
    Result written = m_record->writeAt(at, bytes);
    if (!written)
        m_record.reset(); // opened again for the next write
    return written;
}

void ExportRecovery::closeRecord() {
    m_record.reset();
}

// The entries one after the other; reading stops at the first that is not whole (the blanks after the
// last, or an entry torn by a power loss in the middle of its write).
std::vector<PendingRename> ExportRecovery::read(const QString& path) const {
    std::vector<PendingRename> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    const QByteArray bytes = file.readAll();
    const QList<QByteArray> lines = bytes.split('\n');
    qsizetype offset = 0;
    for (qsizetype first = 0; first + 7 <= lines.size(); first += 7) {
        if (lines.at(first + 5) != kEndMark.latin1())
            break;
        qsizetype textSize = 0;
        for (qsizetype i = first; i < first + 5; ++i)
            textSize += lines.at(i).size() + 1;
        if (lines.at(first + 6) != checksum(bytes.mid(offset, textSize)))
            break;
        offset += textSize + lines.at(first + 5).size() + lines.at(first + 6).size() + 2;
        bool sourceOk = false;
        bool numberOk = false;
        PendingRename pending;
        pending.source = lines.at(first).toInt(&sourceOk);
        pending.callNumber = lines.at(first + 1).toInt(&numberOk);
        pending.fileName = QString::fromUtf8(lines.at(first + 2));
        pending.tmpPath = QString::fromUtf8(lines.at(first + 3));
        pending.rcvPath = QString::fromUtf8(lines.at(first + 4));
        if (!sourceOk || !numberOk || pending.tmpPath.isEmpty() || pending.rcvPath.isEmpty())
            break;
        entries.push_back(pending);
    }
    return entries;
}

std::optional<PendingRename> ExportRecovery::load(const CallKey& call) const {
    for (const QString& path : {recordPath(), parkedPath(call)}) {
        for (const PendingRename& pending : read(path)) {
            if (CallKey{pending.source, pending.callNumber} == call)
                return pending;
        }
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
        const std::vector<PendingRename> parked = read(path);
        if (parked.empty()) {
            m_fs.removeFile(path);
            continue;
        }
        records.push_back(parked.front());
        m_parked->push_back({parked.front().source, parked.front().callNumber});
    }
    m_recorded.reset(); // read afresh: a stopped process may have written it
    for (const PendingRename& pending : recorded()) {
        if (std::find(records.begin(), records.end(), pending) == records.end())
            records.push_back(pending);
    }
    return records;
}

Result ExportRecovery::clear(const CallKey& call) {
    std::vector<PendingRename>& entries = recorded();
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const PendingRename& entry) {
        return CallKey{entry.source, entry.callNumber} == call;
    });
    if (found != entries.end()) {
        if (Result written = takeOut(found); !written)
            return written;
    }
    if (m_parked) {
        const auto parked = std::find(m_parked->begin(), m_parked->end(), call);
        if (parked == m_parked->end())
            return Result::success();
        m_parked->erase(parked);
    }
    const QString parked = parkedPath(call);
    if (m_fs.fileExists(parked))
        return m_fs.removeFile(parked);
    return Result::success();
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
