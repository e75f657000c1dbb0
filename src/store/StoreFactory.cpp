// The one place that picks the engine behind a store.
#include "settings/StoreConnection.h"
#include "store/Store.h"
#include "store/sqlite/SqliteStore.h"

#include <QDir>

namespace vrq {

StoreLocation StoreLocation::fromSettings(const Settings& settings, const QString& programFolder) {
    StoreLocation location;
    location.backend = settings.storeBackend;
    location.path = QDir(programFolder).filePath(QString::fromLatin1(kStoreFileName));
    location.connection = settings.storeConnection;
    return location;
}

StoreLocation StoreLocation::file(const QString& path) {
    StoreLocation location;
    location.path = path;
    return location;
}

std::unique_ptr<Store> openStore(const StoreLocation& location, StoreAccess access, Result* result) {
    if (location.backend == StoreBackend::PostgreSQL) {
        QString refusal = StoreConnection::passwordRefusal(location.connection);
        // Until the PostgreSQL store is built in, the calls stay where they are rather than going to a
        // SQLite store the other workstations do not see.
        if (refusal.isEmpty())
            refusal = QStringLiteral(
                "This build cannot open a PostgreSQL store yet; set Backend=SQLite in [Store].");
        if (result)
            *result = Result::failure(refusal);
        return nullptr;
    }
    return SqliteStore::open(location.path, access, result);
}

} // namespace vrq
