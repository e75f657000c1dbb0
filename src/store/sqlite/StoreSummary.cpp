// The figures of the About box and the status line.
#include "store/sqlite/CallStore.h"

#include "store/sqlite/StoreAttempt.h"
#include "store/sqlite/StoreColumns.h"

namespace vrq {

StoreSummary CallStore::summary(Result* result) {
    StoreSummary figures = loggedTimes(result);
    if (result && !result->ok())
        return figures;
    figures.calls = attempt(result, [&]() -> qint64 {
        Use st(prepared("SELECT count(*) FROM Calls"));
        return st->executeStep() ? st->getColumn(0).getInt64() : 0;
    });
    return figures;
}

StoreSummary CallStore::loggedTimes(Result* result) {
    return attempt(result, [&] {
        StoreSummary figures;
        // Entries are written in time order: the newest of a type is found from the end, without a scan.
        Use newest(prepared("SELECT AuditDNT FROM Audit WHERE Type IN (?, ?) ORDER BY rowid DESC LIMIT 1"));
        auto newestOf = [&](const char* first, const char* second) {
            newest->reset();
            newest->bind(1, first);
            newest->bind(2, second);
            QDateTime when;
            if (newest->executeStep() && !newest->getColumn(0).isNull())
                when = storeDateFromText(QString::fromUtf8(newest->getColumn(0).getText()));
            return when;
        };
        figures.lastIntake = newestOf("G", "B");
        figures.lastExport = newestOf("X", "X");
        return figures;
    });
}

} // namespace vrq
