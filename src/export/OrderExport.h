#pragma once

#include "export/ExportRecovery.h"
#include "export/OrderFileNumbers.h"
#include "store/AuditType.h"
#include "store/StoreRecords.h"

#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace vrq {

struct AppContext;
class NetworkConnection;

// Writes every good, complete call not yet extracted as one order file into the host folder: under a
// ".Tmp" name first, renamed to ".Rcv" when complete and not empty, then the call is marked extracted.
// A call without orders is marked extracted with no file.
class OrderExport {
public:
    OrderExport(AppContext& ctx, NetworkConnection& network);

    // One export pass; every failure ends up in the audit log.
    void extractCalls();
    // Takes the next free sequence number and creates the empty ".Tmp" file of it, held open for the
    // call's bytes. False (with an "E" entry) when the file cannot be created or no number is free; a
    // run of passes that find no free number, or that fail on the order files, writes one entry.
    bool openOutputFile();

    const ExportRecovery& recovery() const { return m_recovery; }

private:
    // The names of the file opened for the current call: setting form (for the log) and native.
    struct OutputFile {
        QString baseName;
        QString tmpName;
        QString rcvName;
        QString tmpPath;
        QString rcvPath;
    };
    enum class PassEnd { Finished, Stopped };
    // A call to send with its orders and their line items, as the read of its group gave them.
    struct CallToSend {
        CallRow call;
        std::span<const OrderRow> orders;
        std::span<const ItemRow> items; // by order, then item sequence number
    };
    class PendingCalls;
    using HeldEntries = std::vector<std::pair<AuditType, QString>>;
    // A call whose file is in the host folder (or which has none to send), waiting to be marked
    // extracted with the others delivered since the last mark.
    struct DeliveredCall {
        int source = 0;
        int callNumber = 0;
        QString fileName;
        HeldEntries entries; // its "I" and "W" entries, written with its "X" entry
    };

    // True, with one "E" entry per run of held passes, while a setting that names the order files or
    // the host holds a text that could not be used.
    bool heldBySettings();
    // QX7Path is blank: the pass ends, reported as a held export.
    void holdForUnsetHostFolder();
    Result runPass(PassEnd& end);
    // A call that cannot be written yet stays pending; end becomes Stopped when no number is free or
    // its file could not be written.
    Result extractCall(const CallToSend& pending, PassEnd& end);
    // A call without orders has nothing to send: it is marked extracted with no file name, without a
    // number and without touching the host folder. Its "W" entry goes with the mark.
    Result markWithoutFile(const CallRow& call);
    Result addDelivered(const CallRow& call, const QString& fileName);
    // The file of the call could not be written or delivered: the call stays pending and the pass ends,
    // since the next call would meet the same disk. The ".Tmp" is removed and its number given back, so
    // a run of failing passes leaves nothing behind and uses no number up.
    Result abandonFile(const CallRow& call, const Result& failure, PassEnd& end);
    // Counts the failed step and writes one "E" entry, also on stderr, for a run of passes whose order
    // files fail; the first file delivered after it ends the run with an "I" entry.
    Result reportFileFailure(const QString& step, const Result& failure);
    // The file of the call, or in nullValue what the store holds as Null that the file needs.
    void buildCallFile(const CallToSend& pending, QByteArray& bytes, QString& nullValue);
    Result deliver(const CallRow& call);
    // Marks the calls delivered since the last mark in one unit of work and blanks the rename record.
    // Calls are marked in groups because a unit of work per order file cost as much as the file; the
    // record names every call of the group, so a stop before the mark loses and repeats nothing.
    Result markDelivered();
    Result markCallsExtracted(std::vector<DeliveredCall>& calls);
    // Settles the renames a stopped process left unfinished; the calls it could not settle yet.
    Result settleUnfinishedRenames(std::vector<CallKey>& unsettled);
    Result settle(const PendingRename& pending, bool& settled);

    // The host folder as the setting spells it (for the log) and as a native path, with a separator.
    // The native path is matched once per pass, not once per file.
    QString hostFolder() const;
    QString nativeHostFolder();
    void nameOutputFile(const QString& folder, const QString& nativeFolder);
    // Goes on after the numbers a stopped pass had reserved, with an entry for what that took.
    Result recoverReservedNumbers();
    // The "I" entries of a call are written with its "X" entry in one transaction, or before the
    // error entry when the call fails.
    void holdEntry(AuditType type, const QString& msg) { m_heldEntries.emplace_back(type, msg); }
    Result writeHeldEntries();
    QString callPrefix(int callNumber) const;
    // An entry the store refuses fails the step that writes it, as any store failure does.
    Result audit(AuditType type, const QString& msg);
    // Writes the error entry that ends a failed pass; stderr has it when the store refuses it too.
    void reportPassError(const Result& error);

    AppContext& m_ctx;
    NetworkConnection& m_network;
    ExportRecovery m_recovery;
    OrderFileNumbers m_numbers{m_ctx, m_recovery};
    OutputFile m_file;
    std::unique_ptr<OpenFile> m_output; // the ".Tmp" of the call being written
    std::optional<QString> m_nativeHostFolder;
    bool m_holdReported = false;
    bool m_unsetConnectionShown = false; // the box about an unset connection is shown once per run
    bool m_unsetFolderReported = false;  // the blank QX7Path is reported until it is set
    HeldEntries m_heldEntries;
    std::vector<DeliveredCall> m_delivered;
    static constexpr std::size_t kCallsPerMark = 50;
    bool m_noFreeNumber = false;         // the last openOutputFile found every number in use
    bool m_noFreeNumberReported = false; // ... and so did the passes before, with one entry
    bool m_createFailed = false;         // the last openOutputFile could not create its file
    bool m_fileFailureReported = false;  // a run of passes failing on the order files has its entry
    Result m_refusedEntry;               // an entry openOutputFile could not write
};

} // namespace vrq
