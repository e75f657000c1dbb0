// The one place that picks the engine behind a store.
#include "store/Store.h"
#include "store/pg/PgStore.h"
#include "store/sqlite/SqliteStore.h"

#include <QDir>

namespace vrq {

StoreLocation StoreLocation::fromSettings(const Settings& settings, const QString& programFolder) {
    StoreLocation location;
    location.backend = settings.storeBackend;
    location.path = QDir(programFolder).filePath(QString::fromLatin1(kStoreFileName));
    location.connection = settings.storeConnection;
    location.workstation = settings.workstation;
    return location;
}

StoreLocation StoreLocation::file(const QString& path) {
    StoreLocation location;
    location.path = path;
    return location;
}

std::unique_ptr<Store> openStore(const StoreLocation& location, StoreAccess access, Result* result) {
    if (location.backend == StoreBackend::PostgreSQL)
        return PgStore::open(location.connection, location.workstation, access, result);
    return SqliteStore::open(location.path, access, result);
}

} // namespace vrq
