#pragma once

#include "intake/CallHeader.h"
#include "store/AuditType.h"

#include <QList>
#include <QString>

#include <optional>

namespace vrq {

struct AppContext;
class CallSaver;
class CallSource;
class FieldReaders;
struct ItemWork;

// What every record parser works with: the run's context, the saving operations and the open file of
// one call, and the steps the parsers share.
struct ParserContext {
    AppContext& ctx;
    CallSaver& saver;
    FieldReaders& readers;
    CallSource& file;
    // The call's last record-data byte: where its data length ends, or where they were cut short.
    qint64 endPosition = 0;
    // The call's data end early (it is stored as a bad call with what arrived of it).
    bool cutShort = false;
    // A command-line file is being tested: short fields make the call bad.
    bool validationMode = false;
    // The calls met in the current input file; each parser adds its call.
    QList<int>& callNumbers;
    // The last faulty field of a call that validation found bad; empty when it passed.
    QString faultyField{};

    // What a parser does with a call that already has a row.
    enum class WhenSavedBefore { Stop, GoOn };

    // The start every parser shares: saves the Calls row and lists the call. False when the call
    // already has a row and the parser stops there: its orders are not added twice.
    bool startCall(const CallHeader& header, int source, WhenSavedBefore rule);
    // True while the position is inside the call's data and the file.
    bool withinCall(qint64 position) const;
    // The end of the older dialects: the position is kept within the call and the first call with this
    // number, whatever its source, is marked complete. A call cut short is never made good here.
    void finishCall(qint64& position, const CallHeader& header, const QString& parser,
                    std::optional<bool> goodCall = {});
    // Writes a message onto the order of this number. Before the call's first order there is none and
    // the message is dropped; any other failure is logged as the parser's error at that stage.
    void storeOrderMessage(int source, const CallHeader& header, int orderSeqNumber, const QString& message,
                           const QString& parser, const QString& stage);
    // "<parser> error (<stage>): <description>" as an "E" entry.
    void logStepError(const QString& parser, const QString& stage, const QString& description);
    void log(AuditType type, const QString& text);
};

// One parser per record dialect, each in intake/dialects/, named for the input it reads. Each parser
// starts at the first record-data byte and leaves the position no further than the call's end. The
// source is 0 for DataBin.Dat and command-line files, 1 for a scanned file. Their audit entries name
// them as they always have: ProcessGoodCall, ProcessGoodCall3, ProcessGoodCall5, ProcessHFormatCall and
// ProcessFormat1Call.

// The standard "&" record dialect, of every DataBinFormat. False only when validation found a fault.
bool readStandardCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// A call starting with "V" under DataBinFormat 0 (Auto) and in scanned files: "+"-separated values and
// "."-messages.
void readAutoFormatVCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// A call starting with "V" under DataBinFormat 2 (Old WBZ): header values, "A" items and price
// overrides.
void readOldWbzVCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// A call starting with "H" under DataBinFormat 0 (Auto) and in scanned files: lines ending in CR LF,
// "H" order headers and item lines.
void readHLinesCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);
// A call not starting with "V" under DataBinFormat 1 (Quill): "+"-separated salesperson, customer and
// item values.
void readQuillCall(ParserContext& pc, qint64& position, const CallHeader& header, int source);

// The values both "V" dialects share.
namespace vvalues {
// The quantity of an item value from the given index, without its closing delimiter; with a trailing
// "-" when that delimiter was "-".
QString quantityOf(const QString& value, int from);
// An item in one value: the item number, two characters, then the quantity.
bool isItemInOneValue(const QString& value);
void readItemInOneValue(const QString& value, ItemWork& item);
// An "A" item value: the item number from its third character; the quantity is the next value, which
// is returned (its second character is a unit code in one dialect).
QString readAItem(ParserContext& pc, qint64& position, const QString& value, ItemWork& item);
// The text of a "." message value without its "." and closing delimiter, cut or padded to the field.
QString dotMessage(const QString& value);
} // namespace vvalues

} // namespace vrq
