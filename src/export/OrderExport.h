#pragma once

#include "export/ExportRecovery.h"
#include "export/OrderFileNumbers.h"
#include "store/AuditType.h"
#include "store/OrderLedger.h"
#include "store/StoreRecords.h"

#include <QSet>
#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace vrq {

struct AppContext;
class NetworkConnection;

// The file in the host folder that tells the workstations of a site sharing one store that it is the
// site's folder; it holds the store's marker text.
inline constexpr const char* kSiteMarkerFileName = "VRQtoQX7.Site";

// Writes every good, complete call not yet extracted as one order file into the host folder: under a
// ".Tmp" name first, renamed to ".Rcv" when complete and not empty, then the call is marked extracted.
// A call without orders is marked extracted with no file.
class OrderExport {
public:
    OrderExport(AppContext& ctx, NetworkConnection& network);

    // One export pass; every failure ends up in the audit log.
    void extractCalls();
    // On a store the site shares: records this workstation's SystemID (and its counter) in the store, so
    // that the other workstations can send its calls should this one stop for good. Done at start, before
    // any call is taken in, and again by a pass after the setting changes; nothing while SystemID is
    // unusable.
    Result registerSystem();
    // Takes the next free sequence number and creates the empty ".Tmp" file of it, held open for the
    // call's bytes. False (with an "E" entry) when the file cannot be created or no number is free; a
    // run of passes that find no free number, or that fail on the order files, writes one entry.
    bool openOutputFile();

    const ExportRecovery& recovery() const { return m_recovery; }

private:
    // The names of an order file: setting form (for the log) and native.
    struct OutputFile {
        QString baseName;
        QString rcvFileName; // the name the host reads, without a folder
        QString tmpName;
        QString rcvName;
        QString tmpPath;
        QString rcvPath;
    };
    static void nameFile(OutputFile& file, const QString& folder, const QString& nativeFolder,
                         const QString& baseName);
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
    // The host folder was found away: the entry, then a try to connect the drive again; end becomes
    // Stopped when it stays away.
    Result reconnectHostFolder(PassEnd& end);
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
    static void buildFileBytes(std::span<const OrderRow> orders, std::span<const ItemRow> items,
                               const QDate& today, QByteArray& bytes, QString& nullValue);
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

    // --- a store several workstations share: its ledger stands for the rename record ---------------
    struct SiteFile : OutputFile {
        OrderFileEntry entry;
        QString givenUpPath; // where its ".Tmp" is moved when it is given up
        QByteArray bytes;
        std::size_t at = 0;      // the call's place in its claim
        bool created = false;    // its ".Tmp" was created by this pass
        bool movedAside = false; // its ".Tmp" is at givenUpPath
        HeldEntries entries;     // written with its call's mark
    };
    SiteFile siteFileOf(const OrderFileEntry& entry);
    // The name a given-up ".Tmp" is moved to before its ledger row records it, and the row's id in such
    // a name.
    static QString givenUpName(const QString& baseName, qint64 id);
    static std::optional<qint64> givenUpId(const QString& fileName);
    // Deletes the moved-aside ".Tmp" files of settled rows the pass's listing found.
    Result removeGivenUpLeftovers();
    // The prefix of a call's entries, naming the workstation of a call that is not this one's.
    QString sitePrefix(const SiteCallKey& call) const;
    // Settles what stopped exporters left, then claims, writes and delivers the site's calls a group at
    // a time.
    Result runSitePass(PassEnd& end);
    // Whether the host folder holds a ".Rcv" or ".Tmp" of the name: one listing per pass.
    bool hostNameInUse(int systemId, int seqNum);
    // Reads the names in use and the moved-aside ".Tmp" files left in the host folder.
    void listHostFolder();
    // Calls of one claim that go together: those to send with their bytes and places in the claim, those
    // without orders (marked sent with no file), and those whose claim is given up.
    struct SiteBatch {
        std::vector<SiteCallKey> send;
        std::vector<QByteArray> bytes;
        std::vector<std::size_t> sendAt;
        std::vector<std::pair<std::size_t, SiteCallKey>> withoutFile;
        std::vector<SiteCallKey> release;
    };
    Result sendClaimed(std::vector<ClaimedCall>& claimed, qint64 epoch, PassEnd& end);
    Result sendBatch(SiteBatch batch, qint64 epoch, PassEnd& end);
    // Keeps the ".Tmp" files this pass created among files, for removeTmpFilesGivenUp.
    void rememberUnanswered(const std::vector<SiteFile>& files);
    // Creates the ".Tmp" (never over an existing name), writes and flushes it.
    Result writeSiteFile(SiteFile& file);
    // Marks the written files about to rename, renames those still claimed, and marks the calls.
    Result deliverSiteFiles(std::vector<SiteFile>& files, std::vector<SiteFile>& unwritten,
                            const std::vector<std::pair<std::size_t, SiteCallKey>>& withoutFile, qint64 epoch,
                            PassEnd& end);
    Result markSiteCalls(const std::vector<SiteFile>& delivered, const std::vector<SiteFile>& givenUp,
                         const std::vector<std::pair<std::size_t, SiteCallKey>>& withoutFile, qint64 epoch);
    // Removes the ".Tmp" files a pass that lost the store left, of those another workstation gave up.
    Result removeTmpFilesGivenUp();
    // The files of workstations whose program is gone are settled by this one.
    Result settleOtherWorkstations();
    // Whether the host folder holds the site's marker file, placing it when the site has none yet.
    bool siteMarkerSeen();
    void reportMissingMarker(const QString& path);
    // Another workstation's files are settled only after siteMarkerSeen.
    Result settleSiteFiles(const std::vector<OrderFileEntry>& entries);
    Result settleSiteFile(const SiteFile& file);

    // A number appended to a message carries the sign position: a blank when it is not negative.
    static QString withSignPosition(qint64 value);
    // The error number of a value the order file needs that the store holds as Null.
    static constexpr int kInvalidUseOfNull = 94;
    // The host's collector reads the share as another user: an order file is readable by everyone,
    // whatever the umask of the process that wrote it (a service runs with 0027).
    static constexpr int kOrderFileMode = 0644;

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
    bool m_noFreeNumber = false;              // the last openOutputFile found every number in use
    bool m_noFreeNumberReported = false;      // ... and so did the passes before, with one entry
    bool m_createFailed = false;              // the last openOutputFile could not create its file
    bool m_fileFailureReported = false;       // a run of passes failing on the order files has its entry
    Result m_refusedEntry;                    // an entry openOutputFile could not write
    std::optional<QSet<QString>> m_hostNames; // of the site's pass: base names in upper case
    bool m_markerReported = false;            // the missing marker file has its entry
    std::optional<int> m_registeredSystem;    // the SystemID this run has recorded in the store
    // The ".Tmp" files (ledger id, native path) a pass left when the store stopped answering before
    // their mark: settled as the workstation's own unless another gave them up meanwhile.
    std::vector<std::pair<qint64, QString>> m_unansweredTmp;
    // The moved-aside ".Tmp" files (ledger id, native path) of the pass's listing.
    std::vector<std::pair<qint64, QString>> m_givenUpLeft;
    bool m_hostFolderListed = false; // by a pass of this run
};

} // namespace vrq
