// The Audit table: the entries every job writes, the audit export reads, and the purge deletes.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

namespace vrq {

namespace {

constexpr TableColumn<AuditRow> kAuditColumns[] = {
    column<&AuditRow::auditDnt>("AuditDNT"), column<&AuditRow::eventDnt>("EventDNT"),
    column<&AuditRow::type>("Type"),         column<&AuditRow::msg>("Msg"),
    column<&AuditRow::seq>("Seq"),           column<&AuditRow::instance>("Instance"),
};

// The filter's fields as bound values; an empty text switches its condition off.
constexpr const char* kFilteredAudit =
    "FROM Audit WHERE (?1 = '' OR Type = ?1) AND (?2 = '' OR AuditDNT >= ?2) "
    "AND (?3 = '' OR AuditDNT < ?3) AND (?4 = '' OR Msg LIKE ?4 ESCAPE '\\') ";

QString dayStartText(const QDate& day) {
    return day.isValid() ? storeDateText(QDateTime(day, QTime(0, 0))) : QString();
}

// A LIKE pattern that finds text anywhere, its own wildcards and escape character taken literally.
QString containsPattern(const QString& text) {
    if (text.isEmpty())
        return {};
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

Result CallStore::insertAudit(const AuditRow& row) {
    static const RowInsert insert("Audit", kAuditColumns);
    if (!m_refusal.isEmpty())
        return refused();
    return diskFullNamed(attempt([&] {
        // An audit entry leaves the counters as they are; the insert binds every value.
        runInsert(insert, prepared(insert.sql(), true), row);
    }));
}

Result CallStore::forEachExportableAudit(const std::function<void(const AuditRow&)>& visit) {
    static const RowSelect select(kAuditColumns, "FROM Audit WHERE Type <> '' ORDER BY AuditDNT, Seq");
    return attempt([&] {
        SQLite::Statement st(*m_db, select.sql());
        while (st.executeStep())
            visit(select.read(st));
    });
}

Result CallStore::deleteAuditUpTo(const QDateTime& cutoff) {
    return attempt([&] {
        Use st(prepared("DELETE FROM Audit WHERE AuditDNT <= ?"));
        bindValues(*st, cutoff);
        st->exec();
    });
}

std::vector<AuditRow> CallStore::allAudit() {
    static const RowSelect select(kAuditColumns, "FROM Audit ORDER BY rowid");
    std::vector<AuditRow> rows; // those read so far when the read fails
    bestEffort([&] {
        SQLite::Statement st(*m_db, select.sql());
        while (st.executeStep())
            rows.push_back(select.read(st));
    });
    return rows;
}

std::vector<AuditRow> CallStore::auditEntries(const AuditFilter& filter, Result* result) {
    static const RowSelect newest(kAuditColumns, std::string(kFilteredAudit) +
                                                     "ORDER BY AuditDNT DESC, Seq DESC, rowid DESC");
    static const RowSelect oldest(kAuditColumns,
                                  std::string(kFilteredAudit) + "ORDER BY AuditDNT, Seq, rowid");
    const RowSelect<AuditRow>& select = filter.newestFirst ? newest : oldest;
    return attempt(result, [&] {
        Use st(prepared(select.sql()));
        const QDate next = filter.through.isValid() ? filter.through.addDays(1) : QDate();
        bindValues(*st, filter.type, dayStartText(filter.from), dayStartText(next),
                   containsPattern(filter.text));
        return select.all(*st);
    });
}

DayCallCounts CallStore::callCountsOfDay(const QDate& day, Result* result) {
    return attempt(result, [&] {
        Use st(
            prepared("SELECT count(CASE WHEN Type = 'G' THEN 1 END), count(CASE WHEN Type = 'B' THEN 1 END) "
                     "FROM Audit WHERE Type IN ('G', 'B') AND AuditDNT >= ? AND AuditDNT < ?"));
        bindValues(*st, QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(1), QTime(0, 0)));
        DayCallCounts counts;
        if (st->executeStep()) {
            counts.good = st->getColumn(0).getInt();
            counts.bad = st->getColumn(1).getInt();
        }
        return counts;
    });
}

} // namespace vrq
