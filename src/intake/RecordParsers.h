#pragma once

#include "intake/CallHeader.h"
#include "store/AuditType.h"

#include <QString>

namespace vrq {

struct AppContext;
class CallSaver;
class CallSource;
class FieldReaders;

// What every record parser works with: the run's context, the saving operations and the open file.
struct ParserContext {
    AppContext& ctx;
    CallSaver& saver;
    FieldReaders& readers;
    CallSource& file;
    // The call's first record-data byte, before any "!" and "#" marks were stepped over: the data
    // length counts from there.
    qint64 dataStart = 0;

    void log(AuditType type, const QString& text);
    // Puts the call on the list of call numbers of the current input file.
    void listCall(const CallHeader& header);
    // The start of the older dialects: the Calls row, then the list of call numbers. False when the call
    // already has a row, whose orders are then not added a second time.
    bool saveAndListCall(const CallHeader& header, int source);
    // Marks complete the first call with this number, whatever its source, as the older dialects do.
    void completeByNumberAlone(const CallHeader& header, const QString& parser,
                               std::optional<bool> goodCall = {});
};

// Each parser starts at the first record-data byte and leaves the position no further than the call's
// end. The source is 0 for DataBin.Dat and command-line files, 1 for a scanned file (whose data run to
// the end of the file).

// The standard "&" record dialect. False only when validation found a fault.
bool processGoodCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// "V" dialect with "+"-separated values and "."-messages.
void processGoodCall3(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// "V" dialect with header values, "A" items and price overrides.
void processGoodCall5(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// Lines ending in CR LF: "H" order headers and item lines.
void processHFormatCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// "+"-separated salesperson, customer and item values.
void processFormat1Call(ParserContext& pc, qint64& position, const CallHeader& header, int source);

// The last byte of a call's record data.
qint64 callEndPosition(const ParserContext& pc, qint64 position, const CallHeader& header, int source);

} // namespace vrq
