#pragma once

#include "platform/FileSystem.h"
#include "store/StoreRecords.h"

#include <QString>
#include <memory>
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

// The record of the renames under way. Each order file's entry is written before the file is renamed
// from ".Tmp" to ".Rcv", and the record is blanked once the calls it names are marked extracted, which
// the export does for several calls in one unit of work. After a crash, the next pass reads it: a
// ".Tmp" still there means the rename never happened (the file is removed and the call stays pending);
// a ".Tmp" gone means the host has the file (the call is marked extracted). So each good call reaches
// the host folder exactly once, whenever the process is stopped.
//
// The record lives in one file that is written in place and padded to whole blocks, never created or
// removed per call; its entries follow each other, each with its own checksum, and an entry is added by
// writing it after them. Only an entry taken out from before the last (when a stopped pass is settled)
// has the file replaced whole, since that write moves the entries after it. A record that cannot be settled
// yet (its folder is away) is parked in a file of its own, named after its call, until it can.
class ExportRecovery {
public:
    ExportRecovery(FileSystem& fs, QString folder);

    // Adds the entry of a rename about to be made to the record.
    Result save(const PendingRename& pending);
    // The records left behind. An entry cut short by a crash is dropped: it was written completely
    // before its rename.
    std::vector<PendingRename> loadAll();
    std::optional<PendingRename> load(const CallKey& call) const;
    // Takes the call's entry out of the record (blanking it when none is left) and its parked file away.
    // Fails when the record may still name the call.
    Result clear(const CallKey& call);
    // Blanks the record once every call it names is marked extracted.
    void clearRecord();
    // Closes the record file, which stays open from its first write so that each later write is one
    // write in place. Called at the end of a pass.
    void closeRecord();
    // Moves the record of a call that has to wait out of the way of the next renames.
    Result park(const PendingRename& pending);

    // Order file numbers are reserved a block at a time, so that the settings file need not be written
    // for every file: the last number of the block is stored here before any number of it is used and
    // removed once LastSeqNum itself is saved. Found at a start, it means a stopped pass may have used
    // any number up to it.
    Result reserveNumbersThrough(int lastNumber);
    std::optional<int> reservedThrough() const;
    void clearReservation();

    QString recordPath() const;
    QString parkedPath(const CallKey& call) const;
    QString reservationPath() const;
    static bool isRecordName(const QString& fileName);

private:
    std::vector<PendingRename> read(const QString& path) const;
    static QByteArray encode(const PendingRename& pending);
    std::vector<PendingRename>& recorded();
    void encodeRecorded();
    Result takeOut(std::vector<PendingRename>::iterator entry);
    Result replaceRecord();
    Result writeEncoded();
    Result appendEntry(qsizetype at);
    Result blankRecord();
    Result afterWrite(Result written, qsizetype size);
    Result writeRecord(qint64 at, const QByteArray& bytes);

    FileSystem& m_fs;
    QString m_folder;
    // The entries of the record file as this process knows them (read once when a stopped process may
    // have left some), so that adding or clearing one needs no read.
    std::optional<std::vector<PendingRename>> m_recorded;
    QByteArray m_encoded; // the entries of m_recorded as the file holds them, before the padding
    // How much of the file may hold entries (-1 until known): a write covers it, a blanking clears it.
    qsizetype m_recordSize = -1;
    // Whether the file is known to hold m_encoded and blanks after it, so that an entry can be added by
    // writing it alone.
    bool m_fileMatches = false;
    std::unique_ptr<OpenFile> m_record;
    // The calls with a parked record, once loadAll has listed them: a call not among them needs no look
    // for one when its record is cleared.
    std::optional<std::vector<CallKey>> m_parked;
};

} // namespace vrq
