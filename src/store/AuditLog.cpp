#include "store/AuditLog.h"

#include "platform/Clock.h"

namespace vrq {

namespace {
constexpr int kCounterLimit = 900;
constexpr int kMessageWidth = 150;
} // namespace

AuditLog::AuditLog(CallStore& store, const Clock& clock, QChar runMode)
    : m_store(store), m_clock(clock), m_runMode(runMode) {}

QString AuditLog::trimmedMessage(const QString& msg) {
    qsizetype start = 0;
    while (start < msg.size() && msg.at(start) == QLatin1Char(' '))
        ++start;
    return msg.mid(start, kMessageWidth);
}

StoreResult AuditLog::writeAudit(const QDateTime& eventDnt, const QString& type, const QString& msg) {
    const QDateTime now = m_clock.now();
    const qint64 ms = now.time().msec();
    if (++m_counter > kCounterLimit)
        m_counter = 1;

    AuditRow row;
    row.auditDnt = now.addMSecs(-ms); // whole seconds
    row.eventDnt = eventDnt;
    row.type = type.left(1);
    row.msg = trimmedMessage(msg);
    row.seq = ms * 1000 + m_counter;
    row.instance = QString(m_runMode);
    return m_store.insertAudit(row);
}

StoreResult AuditLog::write(const QString& type, const QString& msg) {
    return writeAudit(m_clock.now(), type, msg);
}

} // namespace vrq
