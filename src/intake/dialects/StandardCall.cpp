#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallExtent.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "store/CallStore.h"

namespace vrq {

namespace {

const QString kParser = QStringLiteral("ProcessGoodCall");

// The state of one standard-dialect parse.
class StandardParse {
public:
    StandardParse(ParserContext& pc, qint64& position, const CallHeader& header, int source)
        : pc(pc), position(position), header(header), source(source) {}

    bool run();

private:
    void readRecordType(int c);
    void readData();
    void readNumberField(int width, QString ItemWork::*field, const char* name);
    void storeMessage();
    void saveItemIfAny();
    void fail(const QString& field);
    void logError(const QString& description);
    void completeCall(bool validatedBad);
    void logVerdict(bool validatedBad);

    ParserContext& pc;
    qint64& position;
    const CallHeader& header;
    int source;
    bool recordStart = false;
    bool inOrder = false;
    bool inItem = false;
    bool inMessage = false;
    QString message;
    QString stage;
    bool result = true;
    QString lastFaultyField;
    OrderWork order;
    ItemWork item;
};

// Ordinary data up to the next '&', the end of the call or of the loaded block, kept when it is a message.
// Searched a block at a time: most bytes of a call are read here. The byte at the position was just read
// (so its block is loaded) and is not a '&', so at least that byte is taken.
void StandardParse::readData() {
    const CallSource::LoadedRun run = pc.file.loadedRun(position, pc.endPosition, "&");
    if (run.bytes.empty()) { // not loaded after all: step over the byte
        ++position;
        return;
    }
    if (inMessage)
        message.append(QLatin1StringView(run.bytes.data(), run.beforeDelimiter));
    position += run.beforeDelimiter;
}

void StandardParse::logError(const QString& description) {
    pc.logStepError(kParser, stage, description);
}

void StandardParse::completeCall(bool validatedBad) {
    // No look-up first: the update itself tells whether the row is there.
    const Result updated = pc.ctx.store->setCallComplete(
        source, header.callNumberValue(), validatedBad ? std::optional<bool>(false) : std::nullopt);
    if (updated.status == Result::Status::NotFound) {
        pc.log(AuditType::Error, QStringLiteral("ProcessGoodCall: Call not found to update to complete."));
        return;
    }
    if (!updated.ok())
        logError(updated.message);
    pc.log(AuditType::Info, QStringLiteral("ProcessGoodCall: Call #") +
                                withSignBlank(header.callNumberValue()) +
                                QStringLiteral(" set Complete = True."));
    logVerdict(validatedBad);
}

void StandardParse::logVerdict(bool validatedBad) {
    if (validatedBad)
        pc.log(AuditType::Info,
               QStringLiteral("ProcessGoodCall: Call #") + withSignBlank(header.callNumberValue()) +
                   QStringLiteral(" was determined to be bad (") + lastFaultyField + QStringLiteral(")."));
}

void StandardParse::fail(const QString& field) {
    result = false;
    lastFaultyField = field;
}

void StandardParse::saveItemIfAny() {
    if (item.hasData())
        pc.saver.saveRecord(header, order, item);
    item.clear();
}

void StandardParse::storeMessage() {
    // The message belongs to the call's most recently saved order.
    pc.storeOrderMessage(order.Source, header, order.OrderSeqNumber, message, kParser, stage);
}

void StandardParse::readNumberField(int width, QString ItemWork::*field, const char* name) {
    ++position;
    bool full = false;
    item.*field = pc.readers.getNuMValueAsRJZFString(position, width, &full);
    if (pc.validationMode && !full)
        fail(QString::fromLatin1(name));
}

void StandardParse::readRecordType(int c) {
    switch (c) {
    case 'S':
        ++position;
        order.setSalesperson(pc.readers.getStringValue(position, 6));
        break;
    case 'C':
        if (inItem) {
            saveItemIfAny();
            inItem = false;
        }
        inOrder = true;
        ++position;
        order.setCustomer(pc.readers.getStringValue(position, 8).left(6) + QStringLiteral("  "));
        break;
    case 'R':
        ++position;
        order.setRoute(pc.readers.getStringValue(position, 6));
        break;
    case 'M':
        ++position;
        message.clear();
        inMessage = true;
        break;
    case 'I':
    case 'E': {
        if (inOrder) {
            if (order.hasData())
                pc.saver.saveHeader(header, order);
            order.clear();
            inOrder = false;
        }
        if (inItem)
            saveItemIfAny();
        ++position;
        bool full = false;
        const QString number = pc.readers.getStringValue(position, 13, &full);
        item.setItemNumber(c == 'I' ? number : number.left(6) + QString(7, QLatin1Char(' ')));
        if (pc.validationMode && !full)
            fail(c == 'I' ? QStringLiteral("Item") : QStringLiteral("Item E"));
        inItem = true;
        break;
    }
    case 'Q':
        readNumberField(4, &ItemWork::Quantity, "Quantity");
        break;
    case 'U':
        readNumberField(1, &ItemWork::Unit, "Unit");
        break;
    case 'D':
        readNumberField(2, &ItemWork::Discount, "Discount");
        break;
    case 'P':
        readNumberField(5, &ItemWork::Price, "Price");
        break;
    default:
        break; // not a record type: read again as ordinary data
    }
    recordStart = false;
}

bool StandardParse::run() {
    pc.log(AuditType::Info, QStringLiteral("Starting ProcessGoodCall..."));
    order.clear();
    item.clear();
    stage = QStringLiteral("Save call");
    if (!pc.startCall(header, source, ParserContext::WhenSavedBefore::Stop)) {
        pc.log(AuditType::Info, QStringLiteral("ProcessGoodCall: Call #") +
                                    withSignBlank(header.callNumberValue()) +
                                    QStringLiteral(" was already saved.  Skipping call."));
        pc.log(AuditType::Info, QStringLiteral("Completed ProcessGoodCall..."));
        return result;
    }
    order.Source = source;
    stage = QStringLiteral("Loop through call");

    while (pc.withinCall(position)) {
        const int c = pc.file.byteAt(position);
        if (c < 0)
            break;
        if (recordStart) {
            readRecordType(c);
        } else if (c == '&') {
            if (inMessage) {
                storeMessage();
                inMessage = false;
            }
            recordStart = true;
            ++position;
        } else {
            readData();
        }
    }

    stage = QStringLiteral("Post loop");
    if (pc.validationMode && !recordStart) {
        result = false;
        if (lastFaultyField.isEmpty())
            lastFaultyField = QStringLiteral("End &");
    }
    if (pc.validationMode && pc.cutShort)
        fail(QString::fromLatin1(kCutShortField)); // the last fault of the call: nothing follows the cut
    if (position > pc.endPosition)
        position = pc.endPosition;

    stage = QStringLiteral("Save last record");
    if (inItem)
        saveItemIfAny();

    stage = QStringLiteral("Update database");
    const bool validatedBad = pc.validationMode && !result;
    if (validatedBad)
        pc.faultyField = lastFaultyField;
    if (pc.saver.batchMode())
        logVerdict(validatedBad); // batch mode stored no row: there is nothing to complete
    else
        completeCall(validatedBad);
    pc.log(AuditType::Info, QStringLiteral("Completed ProcessGoodCall..."));
    return result;
}

} // namespace

bool readStandardCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    StandardParse parse(pc, position, header, source);
    return parse.run();
}

} // namespace vrq
