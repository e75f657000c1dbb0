#include "store/AuditSpool.h"

#include "platform/FileSystem.h"
#include "store/AuditRecords.h"
#include "store/StoreDates.h"
#include "store/StoreUnits.h"
#include "store/TabTextEscape.h"
#include "store/UnitOfWork.h"

namespace vrq {

namespace {

constexpr char kFieldSeparator = '\t';
constexpr int kFields = 6;

QByteArray escaped(const QString& text) {
    QByteArray out;
    appendTabTextEscaped(out, text.toUtf8());
    return out;
}

// False for a backslash that starts no known escape: the line was not written by the spool.
bool unescaped(const QByteArray& field, QString* text) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return false;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    *text = QString::fromUtf8(out);
    return true;
}

QByteArray dateField(const QDateTime& date) {
    return date.isValid() ? storeDateText(date).toLatin1() : QByteArray();
}

// An empty field is an invalid date; anything else must read as one.
bool dateOf(const QByteArray& field, QDateTime* date) {
    if (field.isEmpty()) {
        *date = QDateTime();
        return true;
    }
    *date = storeDateFromText(QString::fromLatin1(field));
    return date->isValid();
}

// One entry as a line of the file (without its line break), and back.
QByteArray lineOf(const AuditRow& row) {
    QByteArray line = dateField(row.auditDnt);
    line += kFieldSeparator;
    line += dateField(row.eventDnt);
    line += kFieldSeparator;
    line += escaped(row.type);
    line += kFieldSeparator;
    if (row.seq)
        line += QByteArray::number(*row.seq);
    line += kFieldSeparator;
    if (row.instance)
        line += escaped(*row.instance);
    line += kFieldSeparator;
    line += escaped(row.msg);
    return line;
}

bool rowOf(const QByteArray& line, AuditRow* row) {
    const QList<QByteArray> fields = line.split(kFieldSeparator);
    if (fields.size() != kFields)
        return false;
    AuditRow read;
    if (!dateOf(fields[0], &read.auditDnt) || !dateOf(fields[1], &read.eventDnt))
        return false;
    if (!unescaped(fields[2], &read.type) || read.type.size() != 1)
        return false;
    if (!fields[3].isEmpty()) {
        bool number = false;
        read.seq = fields[3].toLongLong(&number);
        if (!number)
            return false;
    }
    if (!fields[4].isEmpty()) {
        QString instance;
        if (!unescaped(fields[4], &instance))
            return false;
        read.instance = instance;
    }
    if (!unescaped(fields[5], &read.msg))
        return false;
    *row = std::move(read);
    return true;
}

} // namespace

AuditSpool::AuditSpool(FileSystem& fs, QString path) : m_fs(fs), m_path(std::move(path)) {}

std::vector<QByteArray> AuditSpool::lines() const {
    std::vector<QByteArray> out;
    const std::optional<QByteArray> bytes = m_fs.readFile(m_path);
    if (!bytes)
        return out;
    for (const QByteArray& line : bytes->split('\n'))
        if (!line.isEmpty())
            out.push_back(line);
    return out;
}

Result AuditSpool::keep(const AuditRow& row) {
    std::vector<QByteArray> kept = lines();
    if (kept.size() >= std::size_t(kMostEntries))
        return Result::failure(
            QStringLiteral("the spool %1 holds %2 entries already").arg(m_path).arg(kMostEntries));
    QByteArray bytes;
    for (const QByteArray& line : kept)
        bytes += line + '\n';
    bytes += lineOf(row) + '\n';
    return m_fs.replaceFileDurably(m_path, bytes);
}

std::vector<AuditRow> AuditSpool::entries(int* unreadable) const {
    std::vector<AuditRow> rows;
    int bad = 0;
    for (const QByteArray& line : lines()) {
        AuditRow row;
        if (rowOf(line, &row))
            rows.push_back(std::move(row));
        else
            ++bad;
    }
    if (unreadable)
        *unreadable = bad;
    return rows;
}

bool AuditSpool::empty() const {
    return !m_fs.entryExists(m_path);
}

Result AuditSpool::writeInto(AuditRecords& audit, StoreUnits& units, int* written, int* unreadable) {
    const std::vector<AuditRow> rows = entries(unreadable);
    UnitOfWork unit(units);
    if (!unit.begun().ok())
        return unit.begun();
    for (const AuditRow& row : rows)
        if (Result stored = audit.insertAudit(row); !stored.ok())
            return stored;
    if (Result committed = unit.commit(); !committed.ok())
        return committed;
    if (written)
        *written = int(rows.size());
    return m_fs.removeFile(m_path);
}

} // namespace vrq
