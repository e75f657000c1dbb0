#include "intake/CallFraming.h"

#include "context/AppContext.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "intake/CallExtent.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/RecordParsers.h"
#include "platform/FileSystem.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <algorithm>
#include <optional>

namespace vrq {

namespace {

constexpr qint64 kWindow = 512;
constexpr qint64 kWindowStep = 500;
constexpr qint64 kNullHeaderSkip = 24;
const QByteArray kCallHeaderId = QByteArrayLiteral("bchfid");

enum class Parser { None, Standard, AutoFormatV, OldWbzV, HLines, Quill };

// Steps over the "!" and "#" bytes that older units put before their data.
void skipMarks(CallSource& file, qint64& position) {
    while (!file.atEnd(position)) {
        const int c = file.byteAt(position);
        if (c != '!' && c != '#')
            break;
        ++position;
    }
}

Parser chooseParser(CallSource& file, qint64& position, int format, bool scannedRules) {
    if (scannedRules && format != 1)
        format = 0;
    switch (format) {
    case 0: {
        const int c = file.byteAt(position);
        if (c == 'H')
            return Parser::HLines;
        return c == 'V' ? Parser::AutoFormatV : Parser::Standard;
    }
    case 1:
        skipMarks(file, position);
        return file.byteAt(position) == 'V' ? Parser::Standard : Parser::Quill;
    case 2:
        skipMarks(file, position);
        return file.byteAt(position) == 'V' ? Parser::OldWbzV : Parser::Standard;
    default:
        return Parser::None;
    }
}

// The bytes that end a record of each dialect: data that stop after anything else stop inside a record.
std::string_view recordEndsOf(Parser parser) {
    switch (parser) {
    case Parser::Standard:
        return "&";
    case Parser::HLines:
        return "\r\n";
    case Parser::AutoFormatV:
    case Parser::OldWbzV:
        return "+-";
    case Parser::Quill:
        return "+";
    case Parser::None:
        break;
    }
    return {};
}

} // namespace

bool CallFraming::fileGrew(const CallSource& file) const {
    return m_ctx.fs && m_ctx.fs->fileSize(file.path()) > file.length();
}

void CallFraming::log(AuditType type, const QString& text) {
    if (m_ctx.audit)
        m_ctx.audit->write(type, text);
}

bool CallFraming::findCallHeader(CallSource& file, qint64& position) {
    while (file.length() >= position + kWindow - 1) {
        const qsizetype found = indexOfAnyCase(file.read(position, kWindow), kCallHeaderId);
        if (found < 0) {
            position += kWindowStep;
            continue;
        }
        if (file.length() < position + found + kWindow - 1)
            return false;
        position += found;
        const QByteArray block = file.read(position, kWindow);
        if (block.mid(22, 8) == QByteArrayLiteral("00000000")) {
            position += kNullHeaderSkip;
            log(AuditType::FileFault, QStringLiteral("Null call header, skipping forward to the next call."));
            continue;
        }
        return true;
    }
    return false;
}

bool CallFraming::readCallHeader(CallSource& file, qint64& position, CallHeader& header) {
    if (!findCallHeader(file, position))
        return false;
    if (file.length() < position + kWindow - 1)
        return false;
    header = CallHeader::fromBytes(file.read(position, CallHeader::kRecordSize));
    position += CallHeader::kBlockSize;
    return true;
}

bool CallFraming::alreadyStored(int callNumber) {
    Result result;
    const std::optional<CallRow> row = m_ctx.store->calls().findCall(0, callNumber, &result);
    if (!result.ok() || !row)
        return false; // a failed check lets the call through; saving it then reports the clash
    const QString number = QStringLiteral("Call #") + withSignBlank(callNumber);
    if (row->complete)
        log(AuditType::Warning,
            number + QStringLiteral(" already processed.  Skipping forward to the next call."));
    else if (row->extractedCall)
        log(AuditType::Warning,
            number + QStringLiteral(" already extracted.  Skipping forward to the next call."));
    else
        log(AuditType::Warning,
            number + QStringLiteral(" already saved, but not completed nor extracted.  Ignoring "
                                    "and skipping forward to the next call."));
    return true;
}

CallFraming::TakeResult CallFraming::takeCall(CallSource& file, qint64& position, const CallHeader& header,
                                              int source, bool scannedRules) {
    TakeResult taken;
    const qint64 dataStart = position;
    const Parser parser = chooseParser(file, position, m_ctx.settings.dataBinFormat, scannedRules);
    if (parser == Parser::None)
        return taken;
    const CallExtent extent = source == 1 ? CallExtent::ofScannedCall(file, position, recordEndsOf(parser))
                                          : CallExtent::ofDataBinCall(file, dataStart, header);
    if (extent.runsPastEnd && fileGrew(file)) {
        // The rest of the call is being written now (the lock was not waited for): the next pass, which
        // sees the file grown, takes it whole.
        taken.status = TakeStatus::StillBeingWritten;
        return taken;
    }

    const QString number = withSignBlank(header.callNumberValue());
    UnitOfWork unit(m_ctx.store->units());
    if (!unit.begun().ok()) {
        log(AuditType::Error, QStringLiteral("Call #") + number +
                                  QStringLiteral(" could not be taken in, it is taken at a later pass: ") +
                                  unit.begun().message);
        taken.status = TakeStatus::Failed;
        return taken;
    }

    CallSaver saver(m_ctx, m_validationMode, extent.cutShort);
    FieldReaders readers(file, m_ctx.audit);
    ParserContext pc{.ctx = m_ctx,
                     .saver = saver,
                     .readers = readers,
                     .file = file,
                     .endPosition = extent.end,
                     .cutShort = extent.isCut(),
                     .validationMode = m_validationMode,
                     .callNumbers = m_callNumbers};
    switch (parser) {
    case Parser::Standard:
        taken.goodCallResult = readStandardCall(pc, position, header, source);
        taken.faultyField = pc.faultyField;
        break;
    case Parser::AutoFormatV:
        log(AuditType::Info, QStringLiteral("Calling ProcessGoodCall3..."));
        readAutoFormatVCall(pc, position, header, source);
        break;
    case Parser::OldWbzV:
        log(AuditType::Info, QStringLiteral("Calling ProcessGoodCall5..."));
        readOldWbzVCall(pc, position, header, source);
        break;
    case Parser::HLines:
        readHLinesCall(pc, position, header, source);
        break;
    case Parser::Quill:
        readQuillCall(pc, position, header, source);
        break;
    case Parser::None:
        break;
    }
    if (extent.isCut() && m_validationMode) {
        // Whatever the dialect, a command-line file holding a call cut short fails at that call.
        taken.goodCallResult = false;
        taken.faultyField = QString::fromLatin1(kCutShortField);
    }
    if (hooks.beforeCommit)
        hooks.beforeCommit(header.callNumberValue());
    const Result committed = unit.commit(); // undone when it fails, before the entry that says so
    if (!committed.ok()) {
        log(AuditType::Error,
            QStringLiteral("Call #") + number +
                QStringLiteral(" could not be stored, it is taken again at the next pass: ") +
                committed.message);
        taken.status = TakeStatus::Failed;
        return taken;
    }
    if (hooks.afterCommit)
        hooks.afterCommit(header.callNumberValue());
    taken.judgedGood = saver.judgedGood();
    taken.status = TakeStatus::Stored;
    return taken;
}

namespace {

// Keeps a group of calls open over the loop; a loop left by an exception (a test's simulated crash)
// undoes the open group as a stopped process would. The calls of a group are counted in the run
// status only once the group is committed: a group undone is taken again at the next pass.
class CallGroup {
public:
    explicit CallGroup(AppContext& ctx) : m_ctx(ctx) { begin(); }
    CallGroup(const CallGroup&) = delete;
    CallGroup& operator=(const CallGroup&) = delete;

    // Counts a stored call and commits the group when it is full; the failure of that commit. After
    // a failure no group is open, so the entry that reports it is not undone with the group.
    Result callStored(std::optional<bool> judgedGood) {
        if (judgedGood)
            m_judged.push_back(*judgedGood);
        if (!open()) {
            countCommitted(); // each call was its own unit of work
            return Result::success();
        }
        if (++m_calls < CallFraming::kCallsPerGroup)
            return Result::success();
        if (Result ended = end(); !ended.ok())
            return ended;
        begin();
        return Result::success();
    }
    // Whether calls were stored in the open group since it began.
    bool holdsCalls() const { return m_calls > 0; }
    Result end() {
        m_calls = 0;
        if (!open())
            return Result::success();
        Result committed = m_group->commit();
        if (committed.ok())
            countCommitted();
        else
            m_judged.clear(); // undone with the group: taken and counted at the next pass
        return committed;
    }

private:
    void begin() { m_group.emplace(m_ctx.store->units(), UnitOfWork::Scope::Group); }
    bool open() const { return m_group && m_group->open(); }
    void countCommitted() {
        const auto good = std::count(m_judged.begin(), m_judged.end(), true);
        runstatus::callsTaken(m_ctx, int(good), int(m_judged.size() - good));
        m_judged.clear();
    }

    AppContext& m_ctx;
    std::optional<UnitOfWork> m_group; // undone when the loop is left before its end
    int m_calls = 0;
    std::vector<bool> m_judged; // the judgements of the group's calls, counted at its commit
};

} // namespace

CallLoopOutcome CallFraming::runCallLoop(CallSource& file, qint64 scanStart) {
    CallLoopOutcome outcome;
    m_callNumbers.clear();
    qint64 position = scanStart;
    CallHeader header;
    CallGroup group(m_ctx);
    auto groupFailed = [&](const Result& result) {
        log(AuditType::Error,
            QStringLiteral("Calls taken in could not be stored, they are taken again at the "
                           "next pass: ") +
                result.message);
        outcome.allStored = false;
    };
    while (readCallHeader(file, position, header)) {
        const int callNumber = header.callNumberValue();
        if (alreadyStored(callNumber)) {
            m_callNumbers.append(callNumber);
            continue;
        }
        const TakeResult taken = takeCall(file, position, header, 0, false);
        if (taken.goodCallResult)
            outcome.result = *taken.goodCallResult;
        if (!taken.faultyField.isEmpty())
            outcome.faults.append({callNumber, taken.faultyField});
        if (taken.status == TakeStatus::StillBeingWritten)
            break; // the file stays for the next pass, as one that grew does
        if (taken.status == TakeStatus::Failed) {
            // The store cannot take calls now; the file stays and the next pass goes on from here. The
            // group's earlier calls are kept, or were undone with this one: those are then reported, if
            // there were any (this call's own entry has been written).
            outcome.allStored = false;
            const bool earlierCalls = group.holdsCalls();
            if (const Result committed = group.end(); !committed.ok() && earlierCalls)
                groupFailed(committed);
            return outcome;
        }
        if (taken.status == TakeStatus::Stored) {
            if (const Result committed = group.callStored(taken.judgedGood); !committed.ok()) {
                groupFailed(committed);
                return outcome;
            }
        }
        if (m_ctx.ui)
            m_ctx.ui->processEvents();
    }
    if (const Result committed = group.end(); !committed.ok())
        groupFailed(committed);
    return outcome;
}

} // namespace vrq
