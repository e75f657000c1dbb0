// The export pass of a store several workstations share. The store's ledger stands where a single
// workstation keeps its rename record: each order file is reserved under the epoch of the claim that
// took its call, written as a ".Tmp" of its own (never another writer's), marked about to rename in the
// store, renamed without replacing, and marked delivered with its call and its audit entries. What a
// stop leaves is settled from the host folder, by the workstation itself or, once its program is gone,
// by any other.
#include "context/AppContext.h"
#include "context/NetworkConnection.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "export/OrderExport.h"
#include "export/OrderFileFormat.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <map>
#include <utility>

namespace vrq {

namespace {

constexpr int kCallsPerClaim = 50;

// Order files kept by their ledger id: (id, native path).
using FilesById = std::vector<std::pair<qint64, QString>>;

std::vector<qint64> idsOf(const FilesById& files) {
    std::vector<qint64> ids;
    ids.reserve(files.size());
    for (const auto& [id, path] : files)
        ids.push_back(id);
    return ids;
}

// Deletes those of files whose ids are picked; how many went.
int removePicked(FileSystem& fs, const FilesById& files, const std::vector<qint64>& picked) {
    int removed = 0;
    for (const auto& [id, path] : files) {
        if (std::find(picked.begin(), picked.end(), id) != picked.end() && fs.removeFile(path).ok())
            ++removed;
    }
    return removed;
}

// The names an order file of the site may have: ".Rcv" and ".Tmp", compared without letter case (a
// share may be read either way).
QString nameKey(const QString& baseName) {
    return baseName.toUpper();
}

} // namespace

// The paths of one order file of the ledger.
OrderExport::SiteFile OrderExport::siteFileOf(const OrderFileEntry& entry) {
    SiteFile file;
    file.entry = entry;
    const QString base = OrderFileFormat::baseName(entry.systemId, entry.seqNum);
    nameFile(file, hostFolder(), nativeHostFolder(), base);
    file.givenUpPath = nativeHostFolder() + givenUpName(base, entry.id);
    return file;
}

// A ".Tmp" that is given up is first renamed to a name of its own ledger row. That rename and the
// writer's rename to ".Rcv" cannot both succeed, and until the row records the file as given up the
// renamed ".Tmp" is the proof that the host never had it: without it, an unrenamed file whose ".Tmp"
// is gone would look like one the host has already collected.
QString OrderExport::givenUpName(const QString& baseName, qint64 id) {
    return baseName + QLatin1Char('.') + QString::number(id) + QStringLiteral(".Del");
}

std::optional<qint64> OrderExport::givenUpId(const QString& fileName) {
    // "QX7", the SystemID digit and four digits of the number, the row's id, "Del": nothing else in the
    // host folder is taken for one.
    const QStringList parts = fileName.split(QLatin1Char('.'));
    if (parts.size() != 3 || parts[2].compare(QLatin1String("Del"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString& base = parts[0];
    if (base.size() != 8 || !base.startsWith(QLatin1String("QX7"), Qt::CaseInsensitive) ||
        !std::all_of(base.begin() + 3, base.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool number = false;
    const qint64 id = parts[1].toLongLong(&number);
    if (!number || id <= 0)
        return std::nullopt;
    return id;
}

QString OrderExport::sitePrefix(const SiteCallKey& call) const {
    if (call.workstation == m_ctx.settings.workstation)
        return callPrefix(call.callNumber);
    return QStringLiteral("ExtractCalls (Call #") + withSignPosition(call.callNumber) +
           QStringLiteral(" of workstation %1): ").arg(call.workstation);
}

Result OrderExport::runSitePass(PassEnd& end) {
    OrderLedger& ledger = m_ctx.store->ledger();
    m_nativeHostFolder.reset();
    m_hostNames.reset();
    m_givenUpLeft.clear();
    if (!m_network.hostFolderExists()) {
        // Nothing is settled or sent while the folder is away; the calls wait.
        Result result;
        if (m_ctx.store->calls().pendingCallCount(&result) == 0 && result.ok())
            return Result::success();
        return reconnectHostFolder(end);
    }
    Result r;
    const std::vector<OrderFileEntry> own = ledger.unsettledFiles(m_ctx.settings.workstation, &r);
    if (!r)
        return r;
    if (Result error = settleSiteFiles(own); !error.ok())
        return error;
    if (Result error = removeTmpFilesGivenUp(); !error.ok())
        return error;
    if (Result error = ledger.endStaleClaims(m_ctx.settings.workstation); !error.ok())
        return error;
    if (Result error = settleOtherWorkstations(); !error.ok())
        return error;
    if (!m_hostFolderListed) {
        // The first pass of a run looks for what an earlier run left even when it has nothing to send.
        listHostFolder();
        m_hostFolderListed = true;
    }
    while (end == PassEnd::Finished) {
        qint64 epoch = 0;
        std::vector<ClaimedCall> claimed =
            ledger.claimCalls(kCallsPerClaim, m_ctx.settings.takeOver, &epoch, &r);
        if (!r)
            return r;
        if (claimed.empty())
            break;
        if (Result error = sendClaimed(claimed, epoch, end); !error.ok())
            return error;
    }
    return removeGivenUpLeftovers();
}

// A stop between recording a file as given up and deleting its renamed ".Tmp" leaves that file: the
// pass's listing finds it, and it goes once its row is settled. Only in the site's own folder, since
// in any other folder such a file may be another site's proof of a file never delivered.
Result OrderExport::removeGivenUpLeftovers() {
    if (m_givenUpLeft.empty())
        return Result::success();
    Result r;
    const std::vector<qint64> settled = m_ctx.store->ledger().settledFiles(idsOf(m_givenUpLeft), &r);
    if (!r)
        return r;
    if (!settled.empty() && siteMarkerSeen())
        removePicked(*m_ctx.fs, std::exchange(m_givenUpLeft, {}), settled);
    return Result::success();
}

// A workstation that lost the store (its network froze, the server ended its session) goes on writing the
// files it had reserved; another workstation settling its files meanwhile gives up those not yet
// created, and this one creates them after. Their rows are settled, so nothing else would remove them.
Result OrderExport::removeTmpFilesGivenUp() {
    if (m_unansweredTmp.empty())
        return Result::success();
    Result r;
    const std::vector<qint64> givenUp = m_ctx.store->ledger().givenUpFiles(idsOf(m_unansweredTmp), &r);
    if (!r)
        return r;
    const int removed = removePicked(*m_ctx.fs, std::exchange(m_unansweredTmp, {}), givenUp);
    if (removed == 0)
        return Result::success();
    return audit(
        AuditType::Warning,
        QStringLiteral("ExtractCalls: removed %1 .Tmp file(s) written while the store did not answer; "
                       "another workstation had given them up meanwhile.")
            .arg(removed));
}

void OrderExport::listHostFolder() {
    m_hostNames.emplace();
    m_givenUpLeft.clear();
    for (const FolderEntry& entry : m_ctx.fs->listEntries(nativeHostFolder())) {
        const QString upper = entry.name.toUpper();
        if (upper.endsWith(QLatin1String(".RCV")) || upper.endsWith(QLatin1String(".TMP")))
            m_hostNames->insert(upper.left(upper.size() - 4));
        else if (const std::optional<qint64> id = givenUpId(entry.name); id && entry.kind == EntryKind::File)
            m_givenUpLeft.emplace_back(*id, nativeHostFolder() + entry.name);
    }
}

bool OrderExport::hostNameInUse(int systemId, int seqNum) {
    // One listing per pass; the names this pass writes are added as it goes.
    if (!m_hostNames)
        listHostFolder();
    return m_hostNames->contains(nameKey(OrderFileFormat::baseName(systemId, seqNum)));
}

Result OrderExport::sendClaimed(std::vector<ClaimedCall>& claimed, qint64 epoch, PassEnd& end) {
    // The calls go in their order, so that the log reads as it does for one workstation: the calls before
    // one that cannot be sent are delivered before its entry is written.
    const QDate today = m_ctx.clock->now().date();
    SiteBatch batch;
    for (std::size_t i = 0; i < claimed.size() && end == PassEnd::Finished; ++i) {
        const ClaimedCall& call = claimed[i];
        if (call.call.numberOfOrders <= 0) {
            batch.withoutFile.emplace_back(i, call.key());
            continue;
        }
        QByteArray bytes;
        QString nullValue;
        buildFileBytes(call.orders, call.items, today, bytes, nullValue);
        if (nullValue.isEmpty()) {
            batch.send.push_back(call.key());
            batch.bytes.push_back(std::move(bytes));
            batch.sendAt.push_back(i);
            continue;
        }
        if (Result error = sendBatch(std::exchange(batch, {}), epoch, end); !error.ok())
            return error;
        // Never sent with a stand-in for a missing value: the call stays pending, the next goes on.
        if (Result error =
                audit(AuditType::Error,
                      QStringLiteral("ExtractCalls: Err =") + withSignPosition(kInvalidUseOfNull) +
                          QStringLiteral(" - Invalid use of Null: call #") +
                          withSignPosition(call.call.callNumber) + QStringLiteral(", ") + nullValue);
            !error.ok())
            return error;
        batch.release.push_back(call.key());
    }
    // A pass stopped short leaves the rest claimed: the next pass ends those claims.
    return sendBatch(std::move(batch), epoch, end);
}

Result OrderExport::sendBatch(SiteBatch batch, qint64 epoch, PassEnd& end) {
    if (batch.send.empty() && batch.release.empty() && batch.withoutFile.empty())
        return Result::success();
    Result r;
    std::vector<OrderFileEntry> reserved;
    if (!batch.send.empty() || !batch.release.empty()) {
        reserved = m_ctx.store->ledger().reserveFiles(
            epoch, batch.send, batch.release,
            [this](int systemId, int seqNum) { return hostNameInUse(systemId, seqNum); }, &r);
        if (!r)
            return r; // the claims are ended by the next pass
    }
    if (reserved.size() < batch.send.size()) {
        if (!m_noFreeNumberReported) {
            runstatus::stepFailed(m_ctx);
            if (Result error =
                    audit(AuditType::Error,
                          QStringLiteral("OpenOutputFile: Err =") + withSignPosition(EEXIST) +
                              QStringLiteral(" - every order file number is in use in %1").arg(hostFolder()));
                !error.ok())
                return error;
            m_noFreeNumberReported = true;
        }
        end = PassEnd::Stopped;
    } else if (!reserved.empty()) {
        m_noFreeNumberReported = false;
    }

    std::vector<SiteFile> files;
    for (const OrderFileEntry& entry : reserved) {
        SiteFile file = siteFileOf(entry);
        const auto at = std::find(batch.send.begin(), batch.send.end(), entry.call) - batch.send.begin();
        file.bytes = std::move(batch.bytes[std::size_t(at)]);
        file.at = batch.sendAt[std::size_t(at)];
        files.push_back(std::move(file));
    }
    // Written one after the other; the first that fails ends the pass, and it and the rest are given up.
    std::size_t written = 0;
    for (; written < files.size(); ++written) {
        if (Result failed = writeSiteFile(files[written]); !failed.ok()) {
            if (Result error = reportFileFailure(QStringLiteral("ExtractCalls: Err ="), failed);
                !error.ok()) {
                rememberUnanswered(files);
                return error;
            }
            end = PassEnd::Stopped;
            break;
        }
    }
    std::vector<SiteFile> unwritten(std::make_move_iterator(files.begin() + qsizetype(written)),
                                    std::make_move_iterator(files.end()));
    files.resize(written);
    return deliverSiteFiles(files, unwritten, batch.withoutFile, epoch, end);
}

void OrderExport::rememberUnanswered(const std::vector<SiteFile>& files) {
    for (const SiteFile& file : files) {
        if (file.created)
            m_unansweredTmp.emplace_back(file.entry.id, file.tmpPath);
    }
}

Result OrderExport::writeSiteFile(SiteFile& file) {
    Result created;
    std::unique_ptr<OpenFile> output =
        m_ctx.fs->openForWriting(file.tmpPath, FileSystem::OpenMode::CreateNew, &created);
    if (!output)
        return created; // a name someone else holds is never written over
    file.created = true;
    output->setPermissions(kOrderFileMode);
    if (Result written = output->writeDurably(file.bytes); !written)
        return written;
    const qint64 size = output->size();
    output.reset();
    if (size < 1)
        return Result::failure(EIO, QStringLiteral("%1 is empty on the disk").arg(file.tmpName));
    // The host's file of the same name (the numbers wrap) is never replaced: this file waits.
    if (m_ctx.fs->entryExists(file.rcvPath))
        return Result::failure(EEXIST, QStringLiteral("%1 already exists").arg(file.rcvName));
    file.entries.emplace_back(AuditType::Info,
                              sitePrefix(file.entry.call) + file.tmpName + QStringLiteral(" bytes."));
    return Result::success();
}

Result OrderExport::deliverSiteFiles(std::vector<SiteFile>& files, std::vector<SiteFile>& unwritten,
                                     const std::vector<std::pair<std::size_t, SiteCallKey>>& withoutFile,
                                     qint64 epoch, PassEnd& end) {
    OrderLedger& ledger = m_ctx.store->ledger();
    std::vector<qint64> ids;
    ids.reserve(files.size());
    for (const SiteFile& file : files)
        ids.push_back(file.entry.id);
    std::vector<qint64> fenced;
    if (!ids.empty()) {
        // Unanswered, the mark may or may not be in the store: nothing is renamed, and the next pass
        // settles these files from the host folder.
        if (Result r = ledger.markAboutToRename(epoch, ids, &fenced); !r) {
            rememberUnanswered(files);
            return r;
        }
    }
    std::vector<SiteFile> delivered;
    bool renaming = true; // until a rename fails: the next would meet the same folder
    for (SiteFile& file : files) {
        if (std::find(fenced.begin(), fenced.end(), file.entry.id) != fenced.end()) {
            // Settled by another workstation while this one wrote it: its ".Tmp" goes, nothing is renamed.
            m_ctx.fs->removeFile(file.tmpPath);
            holdEntry(
                AuditType::Warning,
                sitePrefix(file.entry.call) +
                    QStringLiteral("%1 was settled by another workstation meanwhile and is not sent from "
                                   "here.")
                        .arg(file.tmpName));
            continue;
        }
        if (renaming) {
            if (const Result renamed = m_ctx.fs->renameNoReplace(file.tmpPath, file.rcvPath); !renamed) {
                if (Result error = reportFileFailure(QStringLiteral("ExtractCalls: Err ="), renamed);
                    !error.ok())
                    return error;
                end = PassEnd::Stopped;
                renaming = false;
            } else {
                runstatus::orderFileWritten(m_ctx);
                m_hostNames->insert(nameKey(file.baseName));
                if (m_fileFailureReported) {
                    file.entries.emplace_back(
                        AuditType::Info, QStringLiteral("ExtractCalls: order files can be written again."));
                    m_fileFailureReported = false;
                }
                file.entries.emplace_back(AuditType::Info, sitePrefix(file.entry.call) + file.rcvName +
                                                               QStringLiteral(" bytes."));
                delivered.push_back(std::move(file));
                continue;
            }
        }
        // Not renamed: the ".Tmp" is moved aside before the file is given up, so that a stop in between
        // leaves the proof that it never reached the host. One that cannot be moved (a rename that
        // happened though it reported a failure) stays about to rename, for the next pass to settle from
        // the host folder.
        if (m_ctx.fs->renameNoReplace(file.tmpPath, file.givenUpPath).ok()) {
            file.movedAside = true;
            unwritten.push_back(std::move(file));
        }
    }
    for (SiteFile& file : unwritten) {
        if (file.created && !file.movedAside && m_ctx.fs->entryExists(file.tmpPath))
            m_ctx.fs->removeFile(file.tmpPath);
    }
    if (Result error = writeHeldEntries(); !error.ok())
        return error;
    if (Result error = markSiteCalls(delivered, unwritten, withoutFile, epoch); !error.ok())
        return error;
    for (const SiteFile& file : unwritten) {
        if (file.movedAside)
            m_ctx.fs->removeFile(file.givenUpPath);
    }
    return Result::success();
}

Result OrderExport::markSiteCalls(const std::vector<SiteFile>& delivered,
                                  const std::vector<SiteFile>& givenUp,
                                  const std::vector<std::pair<std::size_t, SiteCallKey>>& withoutFile,
                                  qint64 epoch) {
    OrderLedger& ledger = m_ctx.store->ledger();
    const QDateTime now = m_ctx.clock->now();
    std::map<int, int> othersSent;
    UnitOfWork unit(m_ctx.store->units());
    Result result = unit.begun();
    auto write = [&](AuditType type, const QString& msg) {
        if (result.ok())
            result = m_ctx.audit->write(type, msg);
    };
    auto extracted = [&](const SiteCallKey& call) {
        write(AuditType::Extracted, QStringLiteral("Extracted call #") + withSignPosition(call.callNumber));
        if (call.workstation != m_ctx.settings.workstation)
            ++othersSent[call.workstation];
    };
    // In the calls' order: the delivered files and the calls without orders, merged by place.
    auto file = delivered.begin();
    auto empty = withoutFile.begin();
    while (file != delivered.end() || empty != withoutFile.end()) {
        if (empty == withoutFile.end() || (file != delivered.end() && file->at < empty->first)) {
            for (const auto& [type, msg] : file->entries)
                write(type, msg);
            if (result.ok())
                result = ledger.markDelivered(file->entry, file->rcvFileName, now);
            extracted(file->entry.call);
            ++file;
        } else {
            write(AuditType::Warning, sitePrefix(empty->second) + QStringLiteral("Has no orders."));
            if (result.ok())
                result = ledger.markSentWithoutFile(empty->second, epoch, now);
            extracted(empty->second);
            ++empty;
        }
    }
    for (const SiteFile& file : givenUp) {
        if (result.ok())
            result = ledger.markAbandoned(file.entry);
    }
    for (const auto& [workstation, count] : othersSent)
        write(AuditType::Info,
              QStringLiteral("ExtractCalls: sent %1 call(s) of workstation %2.").arg(count).arg(workstation));
    if (result.ok())
        result = unit.commit();
    if (!result.ok())
        return Result::failure(result.code, result.message); // settled from the ledger by the next pass
    for (const auto& [workstation, count] : othersSent)
        runstatus::othersCallsSent(m_ctx, workstation, count);
    auto shown = [&](const SiteCallKey& call) {
        if (call.workstation == m_ctx.settings.workstation)
            m_ctx.ui->updateCallRow(call.source, call.callNumber, CallDisplay::Extracted);
    };
    for (const SiteFile& file : delivered)
        shown(file.entry.call);
    for (const auto& [at, call] : withoutFile)
        shown(call);
    return Result::success();
}

Result OrderExport::settleOtherWorkstations() {
    OrderLedger& ledger = m_ctx.store->ledger();
    Result r;
    const std::vector<int> others = ledger.otherExporters(&r);
    if (!r)
        return r;
    for (int workstation : others) {
        // Held only while its rows are settled: a workstation whose program runs settles its own.
        if (!ledger.holdWorkstation(workstation).ok())
            continue;
        Result settled = Result::success();
        if (!siteMarkerSeen()) {
            ledger.releaseWorkstation(workstation);
            return Result::success();
        }
        const std::vector<OrderFileEntry> files = ledger.unsettledFiles(workstation, &settled);
        if (settled.ok())
            settled = settleSiteFiles(files);
        if (settled.ok())
            settled = ledger.endStaleClaims(workstation);
        ledger.releaseWorkstation(workstation);
        if (!settled.ok())
            return settled;
        if (!files.empty()) {
            if (Result error =
                    audit(AuditType::Info,
                          QStringLiteral("ExtractCalls: settled %1 order file(s) workstation %2 left "
                                         "unfinished.")
                              .arg(files.size())
                              .arg(workstation));
                !error.ok())
                return error;
        }
    }
    return Result::success();
}

bool OrderExport::siteMarkerSeen() {
    // Only a folder holding the site's marker may tell that a file another workstation renamed is gone
    // because the host took it: in any other folder every file looks gone.
    Result r;
    const QString marker = m_ctx.store->ledger().siteMarker(&r);
    if (!r.ok() || marker.isEmpty())
        return false;
    const QString path = nativeHostFolder() + QLatin1String(kSiteMarkerFileName);
    const QByteArray expected = marker.toUtf8() + '\n';
    if (!m_ctx.fs->entryExists(path)) {
        // The first workstation of the site to look places it; after that a folder without it is a
        // wrong folder, or a folder someone emptied, and nothing of another workstation is settled.
        if (m_ctx.store->ledger().markerPlaced(&r) || !r.ok()) {
            reportMissingMarker(path);
            return false;
        }
        if (!m_ctx.fs->writeFileDurably(path, expected).ok() ||
            !m_ctx.store->ledger().recordMarkerPlaced().ok())
            return false;
    }
    const std::optional<QByteArray> content = m_ctx.fs->readFile(path);
    if (!content || content->trimmed() != expected.trimmed()) {
        reportMissingMarker(path);
        return false;
    }
    m_markerReported = false;
    return true;
}

void OrderExport::reportMissingMarker(const QString& path) {
    if (m_markerReported)
        return;
    m_markerReported = true;
    const QString text =
        QStringLiteral("ExtractCalls: %1 is missing or belongs to another site, so the order files other "
                       "workstations left unfinished are not settled from this folder. Check QX7Path; if the "
                       "folder is right, copy %2 back from another workstation's host folder.")
            .arg(path, QLatin1String(kSiteMarkerFileName));
    audit(AuditType::Error, text);
    m_ctx.ui->reportFault(text);
}

Result OrderExport::settleSiteFiles(const std::vector<OrderFileEntry>& entries) {
    if (entries.empty())
        return Result::success();
    if (!m_ctx.fs->folderExists(nativeHostFolder())) {
        // Whether the host has the files cannot be told now; their calls wait.
        return audit(AuditType::Error,
                     QStringLiteral("ExtractCalls: the host folder cannot be reached; %1 order "
                                    "file(s) wait until it can be settled.")
                         .arg(entries.size()));
    }
    for (const OrderFileEntry& entry : entries) {
        if (Result error = settleSiteFile(siteFileOf(entry)); !error.ok())
            return error;
    }
    return Result::success();
}

Result OrderExport::settleSiteFile(const SiteFile& file) {
    OrderLedger& ledger = m_ctx.store->ledger();
    const bool aboutToRename = file.entry.state == OrderFileState::AboutToRename;
    auto renamed = [&] { return aboutToRename && m_ctx.fs->entryExists(file.rcvPath); };
    bool delivered = renamed();
    bool givenUp = false; // its ".Tmp" is moved aside: the host never had it
    if (!delivered && m_ctx.fs->entryExists(file.givenUpPath)) {
        givenUp = true; // by a pass that stopped before recording it
        if (m_ctx.fs->fileExists(file.tmpPath))
            m_ctx.fs->removeFile(file.tmpPath); // a move made of a link, cut short
    } else if (!delivered && m_ctx.fs->entryExists(file.tmpPath)) {
        // Moving it aside and a late rename of it cannot both succeed: whichever came first decides.
        const Result moved = m_ctx.fs->renameNoReplace(file.tmpPath, file.givenUpPath);
        givenUp = moved.ok();
        delivered = renamed(); // renamed first, or a rename made of a link that both made
        if (!givenUp && !delivered)
            return audit(AuditType::Error, sitePrefix(file.entry.call) +
                                               QStringLiteral("%1 cannot be removed (%2); the call waits.")
                                                   .arg(file.tmpName, moved.message));
    } else if (!delivered) {
        // Neither is there: renamed and already taken by the host (another desk's files are settled only
        // in the site's folder), or never written.
        delivered = aboutToRename;
    }
    UnitOfWork unit(m_ctx.store->units());
    Result result = unit.begun();
    if (delivered) {
        if (result.ok())
            result = ledger.markDelivered(file.entry, file.rcvFileName, m_ctx.clock->now());
        if (result.status == Result::Status::NotFound)
            result = Result::success(); // settled by someone else meanwhile
        else if (result.ok())
            result =
                m_ctx.audit->write(AuditType::Extracted, QStringLiteral("Extracted call #") +
                                                             withSignPosition(file.entry.call.callNumber));
    } else {
        if (result.ok())
            result = ledger.markAbandoned(file.entry);
        if (result.ok() && givenUp)
            result = m_ctx.audit->write(
                AuditType::Warning,
                sitePrefix(file.entry.call) +
                    QStringLiteral("%1 was not delivered; the call will be extracted again.")
                        .arg(QFileInfo(file.tmpPath).fileName()));
    }
    if (result.ok())
        result = unit.commit();
    if (!result.ok())
        return Result::failure(result.code, result.message);
    // What is left of the file goes once its row is settled: a link a cut-short rename left, the ".Tmp"
    // moved aside.
    if (delivered && m_ctx.fs->fileExists(file.tmpPath))
        m_ctx.fs->removeFile(file.tmpPath);
    if (m_ctx.fs->fileExists(file.givenUpPath))
        m_ctx.fs->removeFile(file.givenUpPath);
    return Result::success();
}

} // namespace vrq
