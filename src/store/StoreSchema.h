#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace vrq {

// The store's tables as the upgrade at start-up leaves them.
class StoreSchema {
public:
    static constexpr int kFinalSchemaVersion = 1;

    virtual ~StoreSchema() = default;

    // The start-up upgrade: the fourteen statements of the old program through the DDL translator,
    // each failure ignored. Returns, per statement run, whether it succeeded (for tests). A store the
    // upgrade has left in its final form is marked with kFinalSchemaVersion; on such a store nothing is
    // run and every statement is reported as failed, as each would (its table or column is there).
    virtual std::vector<bool> dataConversions() = 0;
    // The store's schema version: 0 until an upgrade found its tables, columns, keys and indexes final.
    virtual int schemaVersion() const = 0;
    // Runs one statement of the old engine's DDL dialect. False when it fails (or is not understood).
    virtual Result executeJetDdl(const QString& jetSql) = 0;
    virtual QStringList columnsOf(const QString& table) const = 0;
    virtual QStringList primaryKeyOf(const QString& table) const = 0;
};

} // namespace vrq
