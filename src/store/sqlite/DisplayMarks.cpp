// The calls window's marks: Calls.Displayed says which calls the window has shown, so that each tick
// takes only the calls completed since.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

namespace vrq {

namespace {

constexpr TableColumn<CallDisplayRow> kDisplayColumns[] = {
    selectOnly<&CallDisplayRow::source>("coalesce(Source, 0)"),
    selectOnly<&CallDisplayRow::callNumber>("CallNumber"),
    selectOnly<&CallDisplayRow::callDnt>("CallDNT"),
    selectOnly<&CallDisplayRow::goodCall>("GoodCall"),
    selectOnly<&CallDisplayRow::extractedCall>("ExtractedCall"),
};

} // namespace

Result CallStore::resetDisplayed() {
    return attempt([&] {
        Use st(prepared("UPDATE Calls SET Displayed = 0, Source = coalesce(Source, 0) "
                        "WHERE Displayed <> 0 OR Source IS NULL"));
        st->exec();
    });
}

std::vector<CallDisplayRow> CallStore::takeCallsForDisplay(const RowSelect<CallDisplayRow>& select,
                                                           const char* mark, Result* result) {
    const bool ownTransaction = !inTransaction();
    auto rows = attempt(result, [&] {
        if (ownTransaction)
            m_db->exec("BEGIN IMMEDIATE");
        std::vector<CallDisplayRow> found;
        {
            Use st(prepared(select.sql()));
            found = select.all(*st);
        }
        Use marking(prepared(mark));
        marking->exec();
        if (ownTransaction)
            m_db->exec("COMMIT");
        return found;
    });
    if (ownTransaction)
        rollback();
    return rows;
}

std::vector<CallDisplayRow> CallStore::takeUndisplayedCompleteCalls(Result* result) {
    static const RowSelect select(kDisplayColumns,
                                  "FROM Calls WHERE Displayed = 0 AND Complete = 1 ORDER BY rowid");
    return takeCallsForDisplay(select, "UPDATE Calls SET Displayed = 1 WHERE Displayed = 0 AND Complete = 1",
                               result);
}

std::vector<CallDisplayRow> CallStore::retakeAllCompleteCalls(Result* result) {
    // Every complete call is shown and ends up marked; every other row ends up unmarked; a missing
    // source becomes 0. Only rows that differ from that are written.
    static const RowSelect select(kDisplayColumns, "FROM Calls WHERE Complete = 1 ORDER BY rowid");
    return takeCallsForDisplay(
        select,
        "UPDATE Calls SET Displayed = CASE WHEN Complete = 1 THEN 1 ELSE 0 END, Source = coalesce(Source, 0) "
        "WHERE Source IS NULL OR Displayed <> CASE WHEN Complete = 1 THEN 1 ELSE 0 END",
        result);
}

} // namespace vrq
