#pragma once

#include "store/AuditRecords.h"
#include "store/AuditType.h"

#include <QDateTime>
#include <QString>

namespace vrq {

class Clock;

// The one writer of the Audit table. Seq orders the writes within one second: the milliseconds of the
// clock times 1000 plus a write counter that runs 1..900 and starts again at 1.
class AuditLog {
public:
    AuditLog(AuditRecords& store, const Clock& clock, QChar runMode);

    // Stores one entry. A refused entry is printed to the error output, so it is not lost, and the
    // failure is handed back to the caller.
    Result writeAudit(const QDateTime& eventDnt, AuditType type, const QString& msg);
    // The same with the current time as the event time.
    Result write(AuditType type, const QString& msg);

    void setRunMode(QChar runMode) {
        m_runMode = runMode;
        m_instance = QString(runMode);
    }
    QChar runMode() const { return m_runMode; }
    int counter() const { return m_counter; }

    static QString trimmedMessage(const QString& msg);

private:
    static void reportRefusedEntry(const AuditRow& row, const Result& refusal);
    // now without its milliseconds (ms of them).
    QDateTime wholeSecondOf(const QDateTime& now, qint64 ms);
    AuditRecords& m_store;
    const Clock& m_clock;
    QChar m_runMode;
    QString m_instance; // the run mode as the Instance column holds it, made once
    int m_counter = 0;
    // The whole second of the last entry: entries come many to a second, and making a local time's
    // whole second anew cost more than writing the entry's text.
    QDateTime m_lastWholeSecond;
};

} // namespace vrq
