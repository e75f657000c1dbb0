// The Audit table: the entries every job writes, the audit export reads, and the purge deletes.
#include "store/CallStore.h"

#include "store/StoreAttempt.h"
#include "store/StoreColumns.h"

namespace vrq {

namespace {

constexpr TableColumn<AuditRow> kAuditColumns[] = {
    column<&AuditRow::auditDnt>("AuditDNT"), column<&AuditRow::eventDnt>("EventDNT"),
    column<&AuditRow::type>("Type"),         column<&AuditRow::msg>("Msg"),
    column<&AuditRow::seq>("Seq"),           column<&AuditRow::instance>("Instance"),
};

} // namespace

Result CallStore::insertAudit(const AuditRow& row) {
    static const RowInsert insert("Audit", kAuditColumns);
    return attempt([&] {
        Use st(prepared(insert.sql(), true)); // an audit entry leaves the counters as they are
        insert.bind(*st, row);
        st->exec();
    });
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

} // namespace vrq
