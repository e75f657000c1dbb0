#pragma once

#include "platform/Result.h"

#include <QSet>
#include <QString>
#include <optional>

namespace vrq {

struct AppContext;
class ExportRecovery;

// The sequence numbers of the order files. LastSeqNum (in the settings) is the number last taken; the
// next is the first after it, 1 following 9,900, whose ".Rcv" is not waiting in the host folder, since
// the host's file is never replaced. Numbers are reserved a block at a time in the export's recovery
// record, so that LastSeqNum is stored once per block rather than once per file; a pass stopped inside
// a block leaves the block's end behind, and the next pass goes on after it.
class OrderFileNumbers {
public:
    static constexpr int kNumbersPerReservation = 500;

    OrderFileNumbers(AppContext& ctx, ExportRecovery& recovery);

    // The number last taken: LastSeqNum.
    int last() const;
    // A new pass: the host folder is listed again when a number is next asked for.
    void startPass() { m_inUse.reset(); }
    // How many numbers after LastSeqNum have their ".Rcv" in nativeFolder before the first that has
    // none; none when every number has one. The folder is listed once per pass; the numbers taken
    // since count as in use.
    std::optional<int> numbersToPassOver(const QString& nativeFolder);
    // Passes over passOver numbers and takes the one after them, reserving a new block of numbers when
    // it lies beyond the block held.
    Result take(int passOver);
    // The number just taken goes back, for a file that was never created or was removed again.
    void giveBack();
    // At the end of a pass: stores LastSeqNum (unless the caller just did) and gives the block back.
    void release(bool settingsSaved);

    // The last number of the block a stopped pass had reserved, if one did.
    std::optional<int> reservedByStoppedPass() const;
    // Numbering goes on after that block: LastSeqNum becomes its last number and is stored, and the
    // ".Tmp" files in nativeFolder numbered inside the block are removed; how many there were.
    int skipStoppedReservation(int reservedThrough, const QString& nativeFolder);
    // Forgets the reservation record, once what the skip did is written down.
    void forgetStoppedReservation();

private:
    Result reserve();
    // Removes the ".Tmp" files numbered after lastSaved up to reservedThrough; how many there were.
    int removeUnfinishedFiles(int lastSaved, int reservedThrough, const QString& nativeFolder);

    AppContext& m_ctx;
    ExportRecovery& m_recovery;
    int m_numbersLeft = 0;
    bool m_holdingReservation = false;
    int m_numberBefore = 0; // LastSeqNum before the number just taken
    // The numbers whose ".Rcv" is in the host folder: one listing per pass, then the numbers this pass
    // takes. Empty until the pass needs its first number.
    std::optional<QSet<int>> m_inUse;
};

} // namespace vrq
