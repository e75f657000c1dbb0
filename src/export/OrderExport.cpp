#include "export/OrderExport.h"

#include "context/AppContext.h"
#include "context/NetworkConnection.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "export/OrderFileFormat.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <QDir>
#include <QFileInfo>
#include <QStringBuilder>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

namespace vrq {

namespace {

// A failure's text, led by "disk full" when the disk had no room left, whichever words the system used.
QString describeFailure(const Result& failure) {
    if (failure.code == ENOSPC)
        return QStringLiteral("disk full: ") + failure.message;
    return failure.message;
}

} // namespace

QString OrderExport::withSignPosition(qint64 value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') % QString::number(value);
}

// The calls to send, in natural order, read a group at a time with their orders and items: one read
// serves a group instead of three per call. Nothing changes them while the pass runs except the pass
// itself, which only marks calls it has already taken; a wait for the host folder lets a person at the
// windows in, so the pass reads them afresh after one (restart).
class OrderExport::PendingCalls {
public:
    PendingCalls(Store& store, Result& result) : m_store(store), m_result(result) {}

    // The next call; its orders and items stay valid until the next call is asked for.
    std::optional<CallToSend> next() {
        if (m_next == m_group.calls.size()) {
            // Into the rows of the group before: their texts keep their room.
            m_store.calls().readPendingGroup(m_after, kCallsPerRead, m_group, &m_result);
            if (!m_group.calls.empty())
                m_after = m_group.end;
            m_next = 0;
            m_nextOrder = 0;
            m_nextItem = 0;
            if (m_group.calls.empty())
                return std::nullopt;
        }
        CallRow& call = m_group.calls[m_next++];
        const std::span<const OrderRow> orders = runOf(call, m_group.orders, m_nextOrder);
        const std::span<const ItemRow> items = runOf(call, m_group.items, m_nextItem);
        return CallToSend{std::move(call), orders, items};
    }

    void restart() {
        m_group = {};
        m_next = 0;
        m_after = {};
    }

private:
    // The rows of call: the run at next, as the rows come in the calls' order.
    template <typename Row>
    static std::span<const Row> runOf(const CallRow& call, const std::vector<Row>& rows, std::size_t& next) {
        const std::size_t first = next;
        while (next < rows.size() && rows[next].source == call.source &&
               rows[next].callNumber == call.callNumber)
            ++next;
        return std::span<const Row>(rows).subspan(first, next - first);
    }

    static constexpr int kCallsPerRead = 50;
    Store& m_store;
    Result& m_result;
    PendingGroup m_group;
    std::size_t m_next = 0;
    std::size_t m_nextOrder = 0;
    std::size_t m_nextItem = 0;
    CallCursor m_after; // where the next group begins
};

OrderExport::OrderExport(AppContext& ctx, NetworkConnection& network)
    : m_ctx(ctx), m_network(network), m_recovery(*ctx.fs, ctx.programFolder) {}

QString OrderExport::callPrefix(int callNumber) const {
    return QStringLiteral("ExtractCalls (Call #") % withSignPosition(callNumber) % QStringLiteral("): ");
}

Result OrderExport::audit(AuditType type, const QString& msg) {
    // The calls delivered before the entry's cause are marked first, so the log keeps its order.
    if (Result error = markDelivered(); !error.ok())
        return error;
    const Result written = m_ctx.audit->write(type, msg);
    if (!written.ok())
        return Result::failure(written.code, written.message);
    return Result::success();
}

void OrderExport::reportPassError(const Result& error) {
    const QString text = QStringLiteral("ExtractCalls: Err =") + withSignPosition(error.code) +
                         QStringLiteral(" - ") + error.message;
    // An entry the audit log refuses reaches the error output from the log itself.
    writeHeldEntries();
    audit(AuditType::Error, text);
    runstatus::stepFailed(m_ctx);
}

void OrderExport::extractCalls() {
    if (heldBySettings())
        return;
    Settings& settings = m_ctx.settings;
    if (PathResolver::trimRight(settings.qx7Path).isEmpty()) {
        holdForUnsetHostFolder();
        return;
    }
    m_unsetFolderReported = false;
    PassEnd end = PassEnd::Finished;
    // Before the host folder is looked for: a desk that never reaches it still has its calls sent.
    Result error = registerSystem();
    Result established;
    if (error.ok() && settings.monitorNetwork && !m_network.hostFolderExists() &&
        !m_network.connectNetworkDrive(established)) {
        if (established.ok())
            return;
        error = Result::failure(established.code, established.message);
    } else if (error.ok()) {
        error = m_ctx.store->ledger().keepsLedger() ? runSitePass(end) : runPass(end);
        if (error.ok())
            error = markDelivered();
    }
    if (!error.ok())
        reportPassError(error);
    m_output.reset();
    m_recovery.closeRecord();
    const bool finished = error.ok() && end == PassEnd::Finished;
    if (finished)
        m_ctx.settingsStore->save(settings);
    m_numbers.release(finished);
}

Result OrderExport::registerSystem() {
    const Settings& settings = m_ctx.settings;
    if (!m_ctx.store->ledger().keepsLedger() || m_registeredSystem == settings.systemId ||
        !m_ctx.settingsStore->standingProblems(settings, {QStringLiteral("SystemID")}).isEmpty())
        return Result::success();
    // Once per run and SystemID: the row stays in the store.
    if (Result r = m_ctx.store->ledger().registerSystem(settings.systemId, settings.lastSeqNum); !r)
        return r;
    m_registeredSystem = settings.systemId;
    return Result::success();
}

bool OrderExport::heldBySettings() {
    // The settings that name the order files and the host: a guessed value would send the orders
    // under another system's name or to another folder.
    static const QStringList naming = {QStringLiteral("SystemID"), QStringLiteral("QX7Path"),
                                       QStringLiteral("QX7Name")};
    const QList<SettingProblem> problems = m_ctx.settingsStore->standingProblems(m_ctx.settings, naming);
    if (problems.isEmpty()) {
        m_holdReported = false;
        return false;
    }
    if (!m_holdReported) {
        QStringList which;
        for (const SettingProblem& problem : problems)
            which.append(
                QStringLiteral("%1\\%2 holds \"%3\"").arg(problem.section, problem.key, problem.value));
        const QString text =
            QStringLiteral("ExtractCalls: every call is held until the setting is corrected: ") +
            which.join(QStringLiteral("; ")) + QLatin1Char('.');
        audit(AuditType::Error, text);
        m_ctx.ui->reportFault(text);
        m_holdReported = true;
    }
    runstatus::stepFailed(m_ctx);
    return true;
}

void OrderExport::holdForUnsetHostFolder() {
    // Without a folder nothing can be written: every call waits, and each pass is a failed step. The
    // person hears of it once while it lasts; with the drive letter blank too, by the box about an
    // unset connection (once per run).
    if (!m_unsetFolderReported) {
        const QString text = QStringLiteral(
            "ExtractCalls: every call is held until the MXR Folder (QX7Path) is set in Properties.");
        audit(AuditType::Error, text);
        if (PathResolver::trimRight(m_ctx.settings.localDrive).isEmpty()) {
            if (!m_unsetConnectionShown)
                m_ctx.ui->showMessage(
                    QStringLiteral("The network connection has not been set up.  Calls will not be "
                                   "extracted until this is configured."));
            m_unsetConnectionShown = true;
        } else {
            m_ctx.ui->reportFault(text);
        }
        m_unsetFolderReported = true;
    }
    runstatus::stepFailed(m_ctx);
}

Result OrderExport::runPass(PassEnd& end) {
    std::vector<CallKey> unsettled;
    m_numbers.startPass();
    m_nativeHostFolder.reset();
    if (Result error = settleUnfinishedRenames(unsettled); !error.ok())
        return error;
    if (Result error = recoverReservedNumbers(); !error.ok())
        return error;
    auto isUnsettled = [&](const CallRow& call) {
        return std::find(unsettled.begin(), unsettled.end(), CallKey{call.source, call.callNumber}) !=
               unsettled.end();
    };

    Result result;
    PendingCalls pending(*m_ctx.store, result);
    auto nextCall = [&] {
        std::optional<CallToSend> call = pending.next();
        // A call whose earlier file may already be in the host folder waits until that is settled.
        while (call && isUnsettled(call->call))
            call = pending.next();
        return call;
    };

    std::optional<CallToSend> call = nextCall();
    if (!result.ok())
        return Result::failure(result.code, result.message);
    if (call && !m_network.hostFolderExists()) {
        if (Result error = reconnectHostFolder(end); !error.ok() || end == PassEnd::Stopped)
            return error;
        pending.restart();
        call = nextCall();
        if (!result.ok())
            return Result::failure(result.code, result.message);
    }
    while (call) {
        if (Result error = extractCall(*call, end); !error.ok())
            return error;
        if (end == PassEnd::Stopped)
            return Result::success();
        call = nextCall();
        if (!result.ok())
            return Result::failure(result.code, result.message);
    }
    return Result::success();
}

Result OrderExport::reconnectHostFolder(PassEnd& end) {
    if (Result error = audit(AuditType::ConnectionLost, QStringLiteral("Network connection lost."));
        !error.ok())
        return error;
    Result established;
    if (!m_network.connectNetworkDrive(established)) {
        if (!established.ok())
            return Result::failure(established.code, established.message);
        end = PassEnd::Stopped;
    }
    return Result::success();
}

bool OrderExport::openOutputFile() {
    m_output.reset();
    m_noFreeNumber = false;
    m_createFailed = false;
    auto fail = [&](const Result& failure) {
        runstatus::stepFailed(m_ctx);
        m_refusedEntry = writeHeldEntries();
        if (m_refusedEntry.ok())
            m_refusedEntry = audit(AuditType::Error, QStringLiteral("OpenOutputFile: Err =") +
                                                         withSignPosition(failure.code) +
                                                         QStringLiteral(" - ") + failure.message);
        return false;
    };
    const QString folder = hostFolder();
    const QString nativeFolder = nativeHostFolder();
    // A number whose ".Rcv" still waits in the host folder (the numbers wrap, and a stopped pass skips
    // the rest of its block) is passed over: the host's file is never replaced.
    const std::optional<int> passOver = m_numbers.numbersToPassOver(nativeFolder);
    if (!passOver) {
        // The host has stopped collecting: the pass ends here, and one entry stands for every pass
        // that finds the same until a number is free again.
        m_noFreeNumber = true;
        if (m_noFreeNumberReported)
            return false;
        fail(Result::failure(EEXIST, QStringLiteral("every order file number is in use in %1").arg(folder)));
        m_noFreeNumberReported = m_refusedEntry.ok();
        return false;
    }
    m_noFreeNumberReported = false;
    if (const Result taken = m_numbers.take(*passOver); !taken)
        return fail(taken);
    nameOutputFile(folder, nativeFolder);
    if (*passOver > 0)
        holdEntry(
            AuditType::Warning,
            QStringLiteral("OpenOutputFile: passed over %1 number(s) whose order file is still in the host "
                           "folder.")
                .arg(*passOver));

    // Not flushed: only the filled file has to be on the disk before its rename.
    Result created;
    m_output = m_ctx.fs->openForWriting(m_file.tmpPath, FileSystem::OpenMode::Truncate, &created);
    if (!m_output) {
        // Nothing was created, so the number is given back, unless something else holds its name.
        if (!m_ctx.fs->entryExists(m_file.tmpPath))
            m_numbers.giveBack();
        m_createFailed = true;
        m_refusedEntry = reportFileFailure(QStringLiteral("OpenOutputFile: Err ="), created);
        return false;
    }
    return true;
}

QString OrderExport::hostFolder() const {
    return PathResolver::withTrailingSeparator(PathResolver::trimRight(m_ctx.settings.qx7Path));
}

QString OrderExport::nativeHostFolder() {
    // The folder is matched name by name, each level of it, once per pass (a pass reset it); the files
    // in it are named by the program, so their names need no match (which would list the whole host
    // folder for every file).
    if (!m_nativeHostFolder)
        m_nativeHostFolder = PathResolver::withTrailingSeparator(m_ctx.paths->resolve(hostFolder()));
    return *m_nativeHostFolder;
}

void OrderExport::nameFile(OutputFile& file, const QString& folder, const QString& nativeFolder,
                           const QString& baseName) {
    // Each name formed in one allocation.
    file.baseName = baseName;
    file.rcvFileName = baseName % QLatin1StringView(".Rcv");
    file.tmpName = folder % baseName % QLatin1StringView(".Tmp");
    file.rcvName = folder % file.rcvFileName;
    file.tmpPath = nativeFolder % baseName % QLatin1StringView(".Tmp");
    file.rcvPath = nativeFolder % file.rcvFileName;
}

void OrderExport::nameOutputFile(const QString& folder, const QString& nativeFolder) {
    nameFile(m_file, folder, nativeFolder,
             OrderFileFormat::baseName(m_ctx.settings.systemId, m_numbers.last()));
}

Result OrderExport::recoverReservedNumbers() {
    if (const std::optional<int> reserved = m_numbers.reservedByStoppedPass()) {
        // The record stays until its entries are written, so a refused entry is written by the next pass.
        const int removed = m_numbers.skipStoppedReservation(*reserved, nativeHostFolder());
        if (Result error =
                audit(AuditType::Warning,
                      QStringLiteral("ExtractCalls: a stopped pass had reserved order file numbers up to %1; "
                                     "numbering goes on after it.")
                          .arg(*reserved));
            !error.ok())
            return error;
        if (removed > 0) {
            if (Result error = audit(
                    AuditType::Warning,
                    QStringLiteral("ExtractCalls: removed %1 .Tmp file(s) the stopped pass left unfinished.")
                        .arg(removed));
                !error.ok())
                return error;
        }
    }
    m_numbers.forgetStoppedReservation();
    return Result::success();
}

Result OrderExport::writeHeldEntries() {
    Result refused = markDelivered();
    for (const auto& [type, msg] : m_heldEntries) {
        if (const Result written = m_ctx.audit->write(type, msg); !written.ok()) {
            refused = Result::failure(written.code, written.message);
            break;
        }
    }
    m_heldEntries.clear();
    return refused;
}

Result OrderExport::extractCall(const CallToSend& pending, PassEnd& end) {
    const CallRow& call = pending.call;
    if (call.numberOfOrders <= 0)
        return markWithoutFile(call);
    // The file is built before a number is taken: a call that cannot be sent uses up none.
    QByteArray bytes;
    QString nullValue;
    buildCallFile(pending, bytes, nullValue);
    if (!nullValue.isEmpty()) {
        // Never sent with a stand-in for a missing value: the call stays pending, the next goes on.
        return audit(AuditType::Error,
                     QStringLiteral("ExtractCalls: Err =") + withSignPosition(kInvalidUseOfNull) +
                         QStringLiteral(" - Invalid use of Null: call #") +
                         withSignPosition(call.callNumber) + QStringLiteral(", ") + nullValue);
    }
    if (!openOutputFile()) {
        if (!m_refusedEntry.ok())
            return std::exchange(m_refusedEntry, Result::success());
        if (m_noFreeNumber || m_createFailed)
            end = PassEnd::Stopped; // no later call would find a number or a disk that takes its file
        return Result::success();   // stays pending; the next call is tried
    }

    // Closed whichever way the call ends. The permissions are set before the write, so that its flush
    // takes them to the disk with the bytes; a share mounted without permission bits refuses them, and
    // its mount options decide who reads the file.
    std::unique_ptr<OpenFile> output = std::move(m_output);
    output->setPermissions(kOrderFileMode);
    const Result written = output->writeDurably(bytes);
    if (!written) {
        output.reset();
        return abandonFile(call, written, end);
    }
    output.reset(); // closed before the rename
    holdEntry(AuditType::Info, callPrefix(call.callNumber) % m_file.tmpName % QLatin1StringView(" bytes."));
    if (bytes.isEmpty()) { // written whole and flushed into the file it emptied: its size on the disk
        if (Result error = writeHeldEntries(); !error.ok())
            return error;
        if (Result error = audit(AuditType::Error,
                                 QStringLiteral("ExtractCalls Error: Empty extracted file, so exit and try "
                                                "again on the next pass."));
            !error.ok())
            return error;
        m_ctx.settingsStore->save(m_ctx.settings);
        m_ctx.fs->removeFile(m_file.tmpPath);
        return Result::success();
    }
    if (const Result delivered = deliver(call); !delivered)
        return abandonFile(call, delivered, end);
    if (m_fileFailureReported) {
        holdEntry(AuditType::Info, QStringLiteral("ExtractCalls: order files can be written again."));
        m_fileFailureReported = false;
    }
    holdEntry(AuditType::Info, callPrefix(call.callNumber) % m_file.rcvName % QLatin1StringView(" bytes."));
    return addDelivered(call, m_file.rcvFileName);
}

Result OrderExport::markWithoutFile(const CallRow& call) {
    holdEntry(AuditType::Warning, callPrefix(call.callNumber) + QStringLiteral("Has no orders."));
    return addDelivered(call, QString());
}

Result OrderExport::addDelivered(const CallRow& call, const QString& fileName) {
    m_delivered.push_back({call.source, call.callNumber, fileName, std::exchange(m_heldEntries, {})});
    if (m_delivered.size() < kCallsPerMark)
        return Result::success();
    return markDelivered();
}

Result OrderExport::abandonFile(const CallRow& call, const Result& failure, PassEnd& end) {
    end = PassEnd::Stopped;
    // The record's entry goes before the ".Tmp", since a record whose ".Tmp" is gone says the host has the
    // file; one that cannot be taken back keeps its ".Tmp" for the next pass to settle. A ".Tmp" gone
    // already (a rename that happened though it reported a failure) leaves the record to settle the call.
    if (m_ctx.fs->fileExists(m_file.tmpPath) && m_recovery.clear({call.source, call.callNumber}).ok() &&
        m_ctx.fs->removeFile(m_file.tmpPath).ok())
        m_numbers.giveBack();
    return reportFileFailure(QStringLiteral("ExtractCalls: Err ="), failure);
}

Result OrderExport::reportFileFailure(const QString& step, const Result& failure) {
    runstatus::stepFailed(m_ctx);
    if (Result refused = writeHeldEntries(); !refused.ok())
        return refused;
    if (m_fileFailureReported)
        return Result::success();
    const QString text =
        step + withSignPosition(failure.code) + QStringLiteral(" - ") + describeFailure(failure);
    if (Result refused = audit(AuditType::Error, text); !refused.ok())
        return refused;
    m_ctx.ui->reportFault(text);
    m_fileFailureReported = true;
    return Result::success();
}

void OrderExport::buildCallFile(const CallToSend& pending, QByteArray& bytes, QString& nullValue) {
    buildFileBytes(pending.orders, pending.items, m_ctx.clock->now().date(), bytes, nullValue);
}

void OrderExport::buildFileBytes(std::span<const OrderRow> orders, std::span<const ItemRow> items,
                                 const QDate& today, QByteArray& bytes, QString& nullValue) {
    bytes.reserve(qsizetype(orders.size()) * (OrderFileFormat::kHeaderLineWidth + 2) +
                  qsizetype(items.size()) * (OrderFileFormat::kItemLineWidth + 2));
    auto item = items.begin();
    for (const OrderRow& order : orders) {
        if (!order.nullColumns.isEmpty()) {
            nullValue = QStringLiteral("order %1 has no %2")
                            .arg(order.orderSeqNumber)
                            .arg(order.nullColumns.join(QLatin1String(", ")));
            return;
        }
        OrderFileFormat::appendHeaderLineBytes(bytes, order, today);
        while (item != items.end() && item->orderSeqNumber < order.orderSeqNumber)
            ++item; // a line item whose order row is missing is not sent
        for (; item != items.end() && item->orderSeqNumber == order.orderSeqNumber; ++item) {
            if (!item->nullColumns.isEmpty()) {
                nullValue = QStringLiteral("order %1 item %2 has no %3")
                                .arg(order.orderSeqNumber)
                                .arg(item->itemSeqNumber)
                                .arg(item->nullColumns.join(QLatin1String(", ")));
                return;
            }
            OrderFileFormat::appendItemLineBytes(bytes, *item);
        }
    }
}

Result OrderExport::deliver(const CallRow& call) {
    // A ".Rcv" of the same name (the numbers wrap) is the host's until it collects it: never replaced.
    // Checked before the record is written, so a record always stands for a rename of our own file.
    if (m_ctx.fs->fileExists(m_file.rcvPath))
        return Result::failure(EEXIST, QStringLiteral("%1 already exists").arg(m_file.rcvName));
    const PendingRename pending{call.source, call.callNumber, m_file.rcvFileName, m_file.tmpPath,
                                m_file.rcvPath};
    const Result saved = m_recovery.save(pending);
    if (!saved)
        return Result::failure(saved.code, saved.message);
    const Result renamed = m_ctx.fs->renameNoReplace(m_file.tmpPath, m_file.rcvPath);
    if (!renamed)
        return Result::failure(renamed.code, renamed.message); // the caller takes the record back
    runstatus::orderFileWritten(m_ctx);
    return Result::success();
}

Result OrderExport::markDelivered() {
    if (m_delivered.empty())
        return Result::success();
    std::vector<DeliveredCall> calls = std::exchange(m_delivered, {});
    if (Result error = markCallsExtracted(calls); !error.ok()) {
        // The record stays: the next pass settles these calls. Their entries go before the error's.
        HeldEntries entries;
        for (DeliveredCall& call : calls)
            std::move(call.entries.begin(), call.entries.end(), std::back_inserter(entries));
        std::move(m_heldEntries.begin(), m_heldEntries.end(), std::back_inserter(entries));
        m_heldEntries = std::move(entries);
        return error;
    }
    m_recovery.clearRecord();
    return Result::success();
}

Result OrderExport::markCallsExtracted(std::vector<DeliveredCall>& calls) {
    // Each row, its "X" entry and the entries held for it together, or none of them.
    UnitOfWork unit(m_ctx.store->units());
    Result result = unit.begun();
    const QDateTime now = m_ctx.clock->now();
    for (const DeliveredCall& call : calls) {
        for (const auto& [type, msg] : call.entries) {
            if (result.ok())
                result = m_ctx.audit->write(type, msg);
        }
        if (result.ok())
            result = m_ctx.store->calls().markExtracted(call.source, call.callNumber, call.fileName, now);
        if (result.ok())
            result = m_ctx.audit->write(AuditType::Extracted, QStringLiteral("Extracted call #") %
                                                                  withSignPosition(call.callNumber));
    }
    if (result.ok())
        result = unit.commit();
    if (!result.ok())
        return Result::failure(result.code, result.message); // the unit is undone as it goes
    for (const DeliveredCall& call : calls)
        m_ctx.ui->updateCallRow(call.source, call.callNumber, CallDisplay::Extracted);
    return Result::success();
}

Result OrderExport::settleUnfinishedRenames(std::vector<CallKey>& unsettled) {
    for (const PendingRename& pending : m_recovery.loadAll()) {
        bool settled = false;
        if (Result error = settle(pending, settled); !error.ok())
            return error;
        if (!settled)
            unsettled.push_back({pending.source, pending.callNumber});
    }
    return Result::success();
}

Result OrderExport::settle(const PendingRename& pending, bool& settled) {
    const CallKey key{pending.source, pending.callNumber};
    if (!m_ctx.fs->folderExists(QFileInfo(pending.rcvPath).path())) {
        // Whether the host has the file cannot be told now; this call waits, the others go on.
        if (Result error = audit(AuditType::Error,
                                 callPrefix(pending.callNumber) +
                                     QStringLiteral("the folder of %1 cannot be reached; the call waits "
                                                    "until it can.")
                                         .arg(pending.fileName));
            !error.ok())
            return error;
        if (const Result parked = m_recovery.park(pending); !parked)
            return Result::failure(parked.code,
                                   parked.message); // the next rename would write over the record
        return Result::success();
    }
    settled = true;
    Result result;
    const std::optional<CallRow> call =
        m_ctx.store->calls().findCall(pending.source, pending.callNumber, &result);
    if (!result.ok())
        return Result::failure(result.code, result.message);
    if (!call || call->extractedCall) { // purged, or marked before the stop
        m_recovery.clear(key);
        return Result::success();
    }
    const bool tmpLeft = m_ctx.fs->fileExists(pending.tmpPath);
    if (tmpLeft && !m_ctx.fs->fileExists(pending.rcvPath)) {
        // Stopped before the rename: the file never reached the host; the call goes again. The record
        // goes first: a record whose ".Tmp" is gone says the host has the file.
        if (Result cleared = m_recovery.clear(key); !cleared)
            return cleared;
        m_ctx.fs->removeFile(pending.tmpPath);
        return audit(AuditType::Warning,
                     callPrefix(call->callNumber) +
                         QStringLiteral("%1 was not delivered; the call will be extracted again.")
                             .arg(QFileInfo(pending.tmpPath).fileName()));
    }
    // Renamed (a ".Tmp" beside its ".Rcv" is a rename made of a link that was cut short).
    if (tmpLeft)
        m_ctx.fs->removeFile(pending.tmpPath);
    std::vector<DeliveredCall> settledCall{{call->source, call->callNumber, pending.fileName, {}}};
    if (Result error = markCallsExtracted(settledCall); !error.ok())
        return error;
    m_recovery.clear(key);
    return Result::success();
}

} // namespace vrq
