#pragma once

#include "intake/StoreRecords.h"
#include "platform/FileSystem.h"

#include <QString>
#include <optional>
#include <vector>

namespace vrq {

// The one order file whose rename into the host folder may be under way.
struct PendingRename {
    int source = 0;
    int callNumber = 0;
    QString fileName; // final name without folder, as Calls.ExtractedFileName gets it
    QString tmpPath;  // native paths at the time of the rename
    QString rcvPath;

    friend bool operator==(const PendingRename&, const PendingRename&) = default;
};

// A small record per call in the program folder, written to the disk before the call's order file is
// renamed from ".Tmp" to ".Rcv" and removed once the call is marked extracted. After a crash, the next
// pass reads it: a ".Tmp" still there means the rename never happened (the file is removed and the
// call stays pending); a ".Tmp" gone means the host has the file (the call is marked extracted). So
// each good call reaches the host folder exactly once, whenever the process is stopped.
class ExportRecovery {
public:
    ExportRecovery(FileSystem& fs, QString folder);

    FileResult save(const PendingRename& pending);
    // The records left behind. A record cut short by a crash is dropped: it was written completely
    // before any rename.
    std::vector<PendingRename> loadAll();
    std::optional<PendingRename> load(const CallKey& call) const;
    void clear(const CallKey& call);

    // Order file numbers are reserved a block at a time, so that the settings file need not be written
    // for every file: the last number of the block is stored here before any number of it is used and
    // removed once LastSeqNum itself is saved. Found at a start, it means a stopped pass may have used
    // any number up to it.
    FileResult reserveNumbersThrough(int lastNumber);
    std::optional<int> reservedThrough() const;
    void clearReservation();

    QString recordPath(const CallKey& call) const;
    QString reservationPath() const;
    static bool isRecordName(const QString& fileName);

private:
    std::optional<PendingRename> read(const QString& path) const;

    FileSystem& m_fs;
    QString m_folder;
};

} // namespace vrq
