#include "export/OrderFileNumbers.h"

#include "context/AppContext.h"
#include "export/ExportRecovery.h"
#include "export/OrderFileFormat.h"
#include "platform/FileSystem.h"
#include "settings/SettingsStore.h"

namespace vrq {

OrderFileNumbers::OrderFileNumbers(AppContext& ctx, ExportRecovery& recovery)
    : m_ctx(ctx), m_recovery(recovery) {}

int OrderFileNumbers::last() const {
    return m_ctx.settings.lastSeqNum;
}

std::optional<int> OrderFileNumbers::numbersToPassOver(const QString& nativeFolder) {
    if (!m_inUse) {
        // One listing of the host folder per pass; the numbers this pass takes are added as it goes.
        m_inUse.emplace();
        const QString prefix = OrderFileFormat::baseName(m_ctx.settings.systemId, 0).left(4);
        for (const FileEntry& entry : m_ctx.fs->listFiles(nativeFolder)) {
            const QString& name = entry.name;
            if (name.size() != 12 || !name.startsWith(prefix, Qt::CaseInsensitive) ||
                !name.endsWith(QLatin1String(".Rcv"), Qt::CaseInsensitive))
                continue;
            bool isNumber = false;
            const int number = name.mid(4, 4).toInt(&isNumber);
            if (isNumber && number >= 1 && number <= OrderFileFormat::kLastSequenceNumber)
                m_inUse->insert(number);
        }
    }
    int number = m_ctx.settings.lastSeqNum;
    for (int passed = 0; passed < OrderFileFormat::kLastSequenceNumber; ++passed) {
        number = OrderFileFormat::nextSequenceNumber(number);
        if (!m_inUse->contains(number))
            return passed;
    }
    return std::nullopt;
}

Result OrderFileNumbers::take(int passOver) {
    int last = m_ctx.settings.lastSeqNum;
    for (int i = 0; i < passOver; ++i)
        last = OrderFileFormat::nextSequenceNumber(last);
    if (passOver > 0 && passOver >= m_numbersLeft) {
        // Beyond the block held: the numbers passed over hold the host's files, never one of ours, so a
        // new block starts after them. LastSeqNum is stored first, as at the end of any block, so that
        // the recovery after a stop looks at the numbers of the new block.
        m_numbersLeft = 0;
        if (!m_holdingReservation)
            m_ctx.settingsStore->saveLastSeqNum(static_cast<qint16>(last));
    } else {
        m_numbersLeft -= passOver;
    }
    m_ctx.settings.lastSeqNum = static_cast<qint16>(last);
    if (m_numbersLeft == 0) {
        if (Result reserved = reserve(); !reserved)
            return reserved;
    }
    m_numberBefore = m_ctx.settings.lastSeqNum;
    m_ctx.settings.lastSeqNum =
        static_cast<qint16>(OrderFileFormat::nextSequenceNumber(m_ctx.settings.lastSeqNum));
    --m_numbersLeft;
    if (m_inUse)
        m_inUse->insert(m_ctx.settings.lastSeqNum);
    return Result::success();
}

void OrderFileNumbers::giveBack() {
    // The numbers passed over stay passed over: they hold the host's files.
    m_ctx.settings.lastSeqNum = static_cast<qint16>(m_numberBefore);
    ++m_numbersLeft;
}

Result OrderFileNumbers::reserve() {
    Settings& settings = m_ctx.settings;
    // The numbers of the block before are all given out: LastSeqNum is stored before the new block is
    // written over the old, so a stop in between never loses track of a number that was used.
    if (m_holdingReservation)
        m_ctx.settingsStore->saveLastSeqNum(settings.lastSeqNum);
    int last = settings.lastSeqNum;
    for (int i = 0; i < kNumbersPerReservation; ++i)
        last = OrderFileFormat::nextSequenceNumber(last);
    Result saved = m_recovery.reserveNumbersThrough(last);
    if (saved) {
        m_holdingReservation = true;
        m_numbersLeft = kNumbersPerReservation;
    }
    return saved;
}

void OrderFileNumbers::release(bool settingsSaved) {
    if (!m_holdingReservation)
        return;
    if (!settingsSaved)
        m_ctx.settingsStore->saveLastSeqNum(m_ctx.settings.lastSeqNum);
    m_recovery.clearReservation();
    m_holdingReservation = false;
    m_numbersLeft = 0;
}

std::optional<int> OrderFileNumbers::reservedByStoppedPass() const {
    return m_recovery.reservedThrough();
}

int OrderFileNumbers::skipStoppedReservation(int reservedThrough, const QString& nativeFolder) {
    // A stopped pass may have used any number of its block; numbering goes on after the block.
    const int removed = removeUnfinishedFiles(m_ctx.settings.lastSeqNum, reservedThrough, nativeFolder);
    m_ctx.settings.lastSeqNum = static_cast<qint16>(reservedThrough);
    m_ctx.settingsStore->saveLastSeqNum(m_ctx.settings.lastSeqNum);
    return removed;
}

void OrderFileNumbers::forgetStoppedReservation() {
    m_recovery.clearReservation();
}

int OrderFileNumbers::removeUnfinishedFiles(int lastSaved, int reservedThrough, const QString& nativeFolder) {
    // The renames under way were settled before this, so a ".Tmp" numbered inside the block is one the
    // stopped pass created and never renamed: nobody else takes numbers from it.
    if (!m_ctx.fs->folderExists(nativeFolder))
        return 0;
    int removed = 0;
    int number = lastSaved;
    for (int i = 0; i < kNumbersPerReservation && number != reservedThrough; ++i) {
        number = OrderFileFormat::nextSequenceNumber(number);
        const QString tmp = nativeFolder + OrderFileFormat::baseName(m_ctx.settings.systemId, number) +
                            QStringLiteral(".Tmp");
        if (m_ctx.fs->fileExists(tmp) && m_ctx.fs->removeFile(tmp))
            ++removed;
    }
    return removed;
}

} // namespace vrq
