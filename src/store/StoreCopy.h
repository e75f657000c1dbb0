#pragma once

#include "platform/Result.h"

#include <QString>

namespace vrq {

// What a copy of a SQLite store into a PostgreSQL store carried, table by table.
struct StoreCopyCounts {
    qint64 calls = 0;
    qint64 orders = 0;
    qint64 items = 0;
    qint64 audit = 0;
};

// Why a copy did not happen; nothing was written to the target whatever the reason.
enum class StoreCopyFailure {
    None,
    Refused,          // the connection holds a password
    SourceUnreadable, // the SQLite store is missing, unreadable, damaged or not upgraded
    Unreachable,      // the PostgreSQL server cannot be reached (or the database opened)
    TargetNotEmpty,   // the target already holds rows of this workstation
    CountsDiffer,     // the rows counted on both sides after the copy differ
    CopyFailed,       // the server or the source refused a row; the copy was undone
};

struct StoreCopyOutcome {
    StoreCopyFailure failure = StoreCopyFailure::None;
    QString message;        // why, for the person; empty on success
    StoreCopyCounts counts; // what was copied (on success)
    bool ok() const { return failure == StoreCopyFailure::None; }
};

// Copies every row of the SQLite store file at sqlitePath (calls, orders, line items with the display
// marks, audit entries) into the PostgreSQL store the libpq connection names, as workstation
// (1-99): its tables are made when the database has none. The target must hold no row of that
// workstation yet; rows of other workstations are left alone. One transaction: the rows are sent by
// COPY, every table's rows are counted on both sides, and the copy is committed only when the counts
// agree. The SQLite file is only read.
StoreCopyOutcome copyStoreToPostgres(const QString& sqlitePath, const QString& connection, int workstation);

} // namespace vrq
