#include "store/AuditLog.h"

#include "platform/Clock.h"
#include "store/AuditSpool.h"

#include <QTextStream>

namespace vrq {

namespace {
constexpr int kCounterLimit = 900;
constexpr int kMessageWidth = 150;
} // namespace

QString auditTypeLetter(AuditType type) {
    switch (type) {
    case AuditType::Started:
        return QStringLiteral("1");
    case AuditType::Stopped:
        return QStringLiteral("0");
    case AuditType::Info:
        return QStringLiteral("I");
    case AuditType::Warning:
        return QStringLiteral("W");
    case AuditType::FileFault:
        return QStringLiteral("F");
    case AuditType::Error:
        return QStringLiteral("E");
    case AuditType::LockCleared:
        return QStringLiteral("C");
    case AuditType::GoodCall:
        return QStringLiteral("G");
    case AuditType::BadCall:
        return QStringLiteral("B");
    case AuditType::Properties:
        return QStringLiteral("P");
    case AuditType::ConnectionLost:
        return QStringLiteral("L");
    case AuditType::Extracted:
        return QStringLiteral("X");
    case AuditType::Validated:
        return QStringLiteral("V");
    }
    return QStringLiteral("E");
}

AuditLog::AuditLog(AuditRecords& store, const Clock& clock, QChar runMode)
    : m_store(store), m_clock(clock), m_runMode(runMode), m_instance(runMode) {}

QString AuditLog::trimmedMessage(const QString& msg) {
    qsizetype start = 0;
    while (start < msg.size() && msg.at(start) == QLatin1Char(' '))
        ++start;
    return msg.mid(start, kMessageWidth);
}

Result AuditLog::writeEntry(const QDateTime& now, const QDateTime& eventDnt, AuditType type,
                            const QString& msg, bool keepWhileAway) {
    const qint64 ms = now.time().msec();
    if (++m_counter > kCounterLimit)
        m_counter = 1;

    AuditRow row;
    row.auditDnt = wholeSecondOf(now, ms);
    row.eventDnt = eventDnt;
    row.type = auditTypeLetter(type);
    row.msg = trimmedMessage(msg);
    row.seq = ms * 1000 + m_counter;
    row.instance = m_instance;
    Result stored = m_store.insertAudit(row);
    if (stored.ok())
        m_outageKept = false;
    else if (!keptInSpool(row, stored, keepWhileAway))
        reportRefusedEntry(row, stored);
    return stored;
}

QDateTime AuditLog::wholeSecondOf(const QDateTime& now, qint64 ms) {
    // Kept while the date and time read the same second: they are what the entry stores.
    const int second = now.time().msecsSinceStartOfDay() - int(ms);
    if (!m_lastWholeSecond.isValid() || m_lastWholeSecond.time().msecsSinceStartOfDay() != second ||
        m_lastWholeSecond.date() != now.date())
        m_lastWholeSecond = now.addMSecs(-ms);
    return m_lastWholeSecond;
}

bool AuditLog::keptInSpool(const AuditRow& row, const Result& refusal, bool keepWhileAway) {
    if (!m_spool || !refusal.isUnreachable() || row.type != QLatin1String("E"))
        return false;
    if ((m_outageKept && !keepWhileAway) || !m_spool->keep(row).ok())
        return false;
    m_outageKept = true;
    return true;
}

Result AuditLog::writeKeptWhileAway(const QString& msg) {
    const QDateTime now = m_clock.now();
    return writeEntry(now, now, AuditType::Error, msg, true);
}

void AuditLog::reportRefusedEntry(const AuditRow& row, const Result& refusal) {
    // The entry is not lost: whoever looks after the workstation finds it in the program's error output.
    QTextStream(stderr) << QStringLiteral("Audit entry not stored (") << refusal.message
                        << QStringLiteral("): ") << row.type << QLatin1Char(' ') << row.msg << Qt::endl;
}

Result AuditLog::writeAudit(const QDateTime& eventDnt, AuditType type, const QString& msg) {
    return writeEntry(m_clock.now(), eventDnt, type, msg, false);
}

Result AuditLog::write(AuditType type, const QString& msg) {
    const QDateTime now = m_clock.now(); // the event's time is the entry's
    return writeEntry(now, now, type, msg, false);
}

} // namespace vrq
