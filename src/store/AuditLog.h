#pragma once

#include "store/AuditRecords.h"
#include "store/AuditType.h"

#include <QDateTime>
#include <QString>

namespace vrq {

class AuditSpool;
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

    // "E" entries that the store refuses because its server did not answer are kept in spool, to be
    // written when it answers again: the first of each outage (what met it) and those written with
    // writeKeptWhileAway (the outage's own); the others of the outage reach the error output only.
    void keepUnreachableErrorsIn(AuditSpool* spool) { m_spool = spool; }
    // An "E" entry kept in the spool whenever the store's server does not answer.
    Result writeKeptWhileAway(const QString& msg);

    void setRunMode(QChar runMode) {
        m_runMode = runMode;
        m_instance = QString(runMode);
    }
    QChar runMode() const { return m_runMode; }
    int counter() const { return m_counter; }

    static QString trimmedMessage(const QString& msg);

private:
    static void reportRefusedEntry(const AuditRow& row, const Result& refusal);
    // now: the clock as the caller read it, once for the entry's time and, mostly, the event's.
    Result writeEntry(const QDateTime& now, const QDateTime& eventDnt, AuditType type, const QString& msg,
                      bool keepWhileAway);
    bool keptInSpool(const AuditRow& row, const Result& refusal, bool keepWhileAway);
    // now without its milliseconds (ms of them).
    QDateTime wholeSecondOf(const QDateTime& now, qint64 ms);
    AuditRecords& m_store;
    const Clock& m_clock;
    QChar m_runMode;
    QString m_instance; // the run mode as the Instance column holds it, made once
    int m_counter = 0;
    AuditSpool* m_spool = nullptr;
    bool m_outageKept = false; // an entry of this outage is in the spool; none stored since
    // The whole second of the last entry: entries come many to a second, and making a local time's
    // whole second anew cost more than writing the entry's text.
    QDateTime m_lastWholeSecond;
};

} // namespace vrq
