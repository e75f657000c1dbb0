#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

#include <QString>
#include <vector>

namespace vrq {

class AuditRecords;
class FileSystem;
class StoreUnits;

// "E" audit entries that the store could not take because its server did not answer, kept in a small
// file of the program folder until the store takes writes again, then written with their own times.
// One line per entry: audit time, event time, type, Seq, instance and message, tab-separated, with
// backslash, tab and line breaks of the message escaped. Only errors are kept: the other entries go
// with the work they describe, which is done again (and logged again) once the server is back.
class AuditSpool {
public:
    AuditSpool(FileSystem& fs, QString path);

    // Adds the entry at the end. Refused when the spool holds kMostEntries already (an outage says what
    // matters in its first entries) or the file cannot be written.
    Result keep(const AuditRow& row);
    // The entries kept, oldest first; unreadable gets the number of lines that could not be read.
    std::vector<AuditRow> entries(int* unreadable = nullptr) const;
    bool empty() const;
    // Writes the kept entries into the audit table in one unit of work, then empties the spool (lines
    // that are no entries are dropped with it, counted in unreadable). On a failure the spool stays as
    // it was. A stop between the commit and the emptying writes them twice.
    Result writeInto(AuditRecords& audit, StoreUnits& units, int* written = nullptr,
                     int* unreadable = nullptr);
    const QString& path() const { return m_path; }

    static constexpr int kMostEntries = 200;

private:
    std::vector<QByteArray> lines() const;

    FileSystem& m_fs;
    QString m_path;
};

} // namespace vrq
