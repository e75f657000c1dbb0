#pragma once

#include "intake/CallHeader.h"
#include "store/AuditType.h"

#include <QList>

#include <functional>
#include <optional>

namespace vrq {

struct AppContext;
class CallSource;

// Points inside one call's unit of work where tests stop a pass as a crash would.
struct CallLoopHooks {
    std::function<void(int callNumber)> beforeCommit; // the call is parsed, not yet committed
    std::function<void(int callNumber)> afterCommit;
};

// A call that validation found bad, and the last field it found faulty.
struct CallFault {
    int callNumber = 0;
    QString field;
};

struct CallLoopOutcome {
    bool result = true;      // the result of the last readStandardCall, true when none ran
    bool allStored = true;   // false when a call could not be committed (the file must stay)
    QList<CallFault> faults; // the calls validation found bad, in file order
};

// Finds the calls of an input file, skips null headers and calls the store already holds, and hands
// each new call to the record parser its dialect needs. Each call taken in is one unit of work in the
// store: its rows, its audit entries and its completion are kept together or not at all. The loop over
// an input file commits its calls in groups; a stop undoes at most the open group, whole calls only.
class CallFraming {
public:
    // StillBeingWritten: the call's data run past the end of a file that has grown since it was opened.
    enum class TakeStatus { NotTaken, Stored, Failed, StillBeingWritten };
    // Calls committed together during a pass over an input file. The file stays until the pass has
    // committed every group, so a stop that undoes a group loses nothing: the next pass takes those
    // calls again. One commit per call would cost more than storing the call.
    static constexpr int kCallsPerGroup = 50;
    struct TakeResult {
        TakeStatus status = TakeStatus::NotTaken;
        std::optional<bool> goodCallResult; // set when readStandardCall ran
        std::optional<bool> judgedGood;     // set when the call was stored with a judgement
        QString faultyField;                // set when validation found the call bad
    };

    // validationMode: a command-line file is tested; every call is judged good unless a field is short.
    explicit CallFraming(AppContext& ctx, bool validationMode = false)
        : m_ctx(ctx), m_validationMode(validationMode) {}

    // Walks the file from the scan start position (one-based) to its last complete call header.
    CallLoopOutcome runCallLoop(CallSource& file, qint64 scanStart);
    // Moves the position to the next call header that is not null; false when none is left.
    bool findCallHeader(CallSource& file, qint64& position);
    // Finds and reads the next header; the position ends at its first record-data byte.
    bool readCallHeader(CallSource& file, qint64& position, CallHeader& header);
    // True when a DataBin.Dat call of this number is in the store; logs why it is skipped.
    bool alreadyStored(int callNumber);
    // Runs the parser that DataBinFormat and the first data byte(s) choose, as one unit of work.
    // scannedRules: a scanned file, where every format but 1 works as format 0. A call whose data end
    // early is taken as a bad call (see CallExtent) and the position is left where its data stop.
    TakeResult takeCall(CallSource& file, qint64& position, const CallHeader& header, int source,
                        bool scannedRules);

    // The calls met by the last call loop, those already stored included, in file order.
    const QList<int>& callNumbers() const { return m_callNumbers; }

    CallLoopHooks hooks;

private:
    void log(AuditType type, const QString& text);
    // The file on the disk is longer than when it was opened.
    bool fileGrew(const CallSource& file) const;

    AppContext& m_ctx;
    bool m_validationMode;
    QList<int> m_callNumbers;
};

} // namespace vrq
