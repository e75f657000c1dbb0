#pragma once

#include "platform/Result.h"
#include "store/StoreRecords.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace vrq {

// The highest order file number: the numbering goes on at 1 after it.
inline constexpr int kLastOrderFileNumber = 9900;

// A call of the site: the workstation that took it in leads its key.
struct SiteCallKey {
    int workstation = 1;
    int source = 0;
    int callNumber = 0;
    friend bool operator==(const SiteCallKey&, const SiteCallKey&) = default;
};

// A call claimed to be sent, with its orders (by sequence) and their items (by order, then sequence).
struct ClaimedCall {
    CallRow call{};
    std::vector<OrderRow> orders{};
    std::vector<ItemRow> items{};
    SiteCallKey key() const { return {call.workstation, call.source, call.callNumber}; }
};

// Where an order file of the ledger stands. Reserved: its number is taken and its ".Tmp" may be being
// written; about to rename: the rename into the host folder may have happened; delivered: the host has
// it and the call is marked sent; abandoned: it was never renamed and its call is free to go again.
enum class OrderFileState { Reserved, AboutToRename, Delivered, Abandoned };

struct OrderFileEntry {
    qint64 id = 0;
    SiteCallKey call{};
    int systemId = 0; // of the call's workstation: names the file
    int seqNum = 0;
    OrderFileState state = OrderFileState::Reserved;
    qint64 epoch = 0; // of the claim the file was reserved under
    int exporter = 1; // the workstation writing it
};

// Whether a name is in the host folder: the names of one listing, for the numbering.
using NameInUse = std::function<bool(int systemId, int seqNum)>;

// The order files of a store several workstations share, and the claims on the calls they send. Each
// order file is reserved under the epoch of the claim that took its call, marked about to rename before
// its rename (only while that claim still stands), and marked delivered together with its call. A claim
// is fenced out when someone else settled it: its writer then renames nothing. A store in a file serves
// one workstation, whose export keeps its own record in the program folder: it keeps no ledger.
class OrderLedger {
public:
    virtual ~OrderLedger() = default;

    // False for a store of one workstation; then nothing else here is asked for.
    virtual bool keepsLedger() const = 0;
    // Records this workstation's SystemID, which names the files of its calls, and starts the numbering
    // of a SystemID new to the site after lastSeqNum.
    virtual Result registerSystem(int systemId, int lastSeqNum) = 0;
    // The text the site's marker file holds: the same for every workstation of the site.
    virtual QString siteMarker(Result* result = nullptr) = 0;
    // Whether a workstation has placed the marker file in the host folder, which it does once for the
    // site: after that a folder without it is not the site's.
    virtual bool markerPlaced(Result* result = nullptr) = 0;
    virtual Result recordMarkerPlaced() = 0;

    // Claims up to limit calls that are good, complete, not sent and not claimed: this workstation's
    // first, then, with takeOver, the other workstations' (skipping those another exporter is claiming
    // now). One new epoch for the whole claim, in *epoch.
    virtual std::vector<ClaimedCall> claimCalls(int limit, bool takeOver, qint64* epoch, Result* result) = 0;
    // In one transaction: one order file reserved for each call of send, numbered from the counter of
    // the SystemID of the call's workstation after its last number (1 after 9,900), passing over numbers
    // reserved or about to rename anywhere in the site and names inUse; the claims of release given up.
    virtual std::vector<OrderFileEntry> reserveFiles(qint64 epoch, const std::vector<SiteCallKey>& send,
                                                     const std::vector<SiteCallKey>& release,
                                                     const NameInUse& inUse, Result* result) = 0;
    // Marks the files about to rename, each only while it is still reserved under epoch; fenced gets the
    // ids of those that are not (settled by someone else: never rename them).
    virtual Result markAboutToRename(qint64 epoch, const std::vector<qint64>& ids,
                                     std::vector<qint64>* fenced) = 0;

    // Inside a unit of work, with the audit entries of the calls:
    // The file is in the host folder: delivered, its call marked sent under fileName, its claim ended.
    virtual Result markDelivered(const OrderFileEntry& file, const QString& fileName,
                                 const QDateTime& when) = 0;
    // The file never reached the host folder: abandoned, its call's claim ended.
    virtual Result markAbandoned(const OrderFileEntry& file) = 0;
    // A call without orders claimed under epoch: marked sent with no file, its claim ended.
    virtual Result markSentWithoutFile(const SiteCallKey& call, qint64 epoch, const QDateTime& when) = 0;

    // --- settling ------------------------------------------------------------------------------------
    // The files of exporter still reserved or about to rename.
    virtual std::vector<OrderFileEntry> unsettledFiles(int exporter, Result* result) = 0;
    // Of the files ids, those given up (by whichever workstation settled them) whose number no file in
    // flight has taken again.
    virtual std::vector<qint64> givenUpFiles(const std::vector<qint64>& ids, Result* result) = 0;
    // Of the files ids, those settled (delivered or given up) or no longer in the ledger.
    virtual std::vector<qint64> settledFiles(const std::vector<qint64>& ids, Result* result) = 0;
    // The other workstations with files unsettled or calls claimed.
    virtual std::vector<int> otherExporters(Result* result) = 0;
    // Takes a workstation's lock for as long as its rows are settled: InUse while its program runs.
    virtual Result holdWorkstation(int workstation) = 0;
    virtual void releaseWorkstation(int workstation) = 0;
    // Ends the claims of exporter whose calls have no file unsettled: what a stop between a claim and
    // its numbers leaves.
    virtual Result endStaleClaims(int exporter) = 0;
};

} // namespace vrq
