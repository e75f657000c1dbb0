#include "intake/RecordParsers.h"

#include "context/AppContext.h"
#include "intake/CallExtent.h"
#include "intake/CallSaver.h"
#include "intake/CallSource.h"
#include "intake/FieldReaders.h"
#include "intake/WorkRecords.h"
#include "store/Store.h"

namespace vrq {

namespace {

const QString kParser = QStringLiteral("ProcessGoodCall");

// The customer as the standard dialect gives it: six characters of the eight read, then two blanks.
// Blanked in place: the text read has just been made, for this alone.
QString customerOf(QString read) {
    for (qsizetype i = 6; i < read.size(); ++i)
        read[i] = QLatin1Char(' ');
    return read;
}

// The state of one standard-dialect parse.
class StandardParse {
public:
    StandardParse(ParserContext& pc, qint64& position, const CallHeader& header, int source)
        : m_pc(pc), m_position(position), m_header(header), m_source(source) {}

    bool run();

private:
    void readRecordType(int c);
    void readData();
    void readNumberField(std::span<QChar> field, const char* name);
    void storeMessage();
    void saveItemIfAny();
    void fail(const QString& field);
    void logError(const QString& description);
    void completeCall(bool validatedBad);
    void logVerdict(bool validatedBad);

    ParserContext& m_pc;
    qint64& m_position;
    const CallHeader& m_header;
    int m_source;
    bool m_recordStart = false;
    bool m_inOrder = false;
    bool m_inItem = false;
    bool m_inMessage = false;
    QString m_message;
    QString m_stage;
    bool m_result = true;
    QString m_lastFaultyField;
    OrderWork m_order;
    ItemWork m_item;
};

// Ordinary data up to the next '&', the end of the call or of the loaded block, kept when it is a message.
// Searched a block at a time: most bytes of a call are read here. The byte at the position was just read
// (so its block is loaded) and is not a '&', so at least that byte is taken.
void StandardParse::readData() {
    const CallSource::LoadedRun run = m_pc.file.loadedRun(m_position, m_pc.endPosition, "&");
    if (run.bytes.empty()) { // not loaded after all: step over the byte
        ++m_position;
        return;
    }
    if (m_inMessage)
        m_message.append(QLatin1StringView(run.bytes.data(), run.beforeDelimiter));
    m_position += run.beforeDelimiter;
}

void StandardParse::logError(const QString& description) {
    m_pc.logStepError(kParser, m_stage, description);
}

void StandardParse::completeCall(bool validatedBad) {
    // No look-up first: the update itself tells whether the row is there.
    const Result updated = m_pc.ctx.store->calls().setCallComplete(
        m_source, m_header.callNumberValue(), validatedBad ? std::optional<bool>(false) : std::nullopt);
    if (updated.status == Result::Status::NotFound) {
        m_pc.log(AuditType::Error, QStringLiteral("ProcessGoodCall: Call not found to update to complete."));
        return;
    }
    if (!updated.ok())
        logError(updated.message);
    m_pc.log(AuditType::Info, QStringLiteral("ProcessGoodCall: Call #") +
                                  withSignBlank(m_header.callNumberValue()) +
                                  QStringLiteral(" set Complete = True."));
    logVerdict(validatedBad);
}

void StandardParse::logVerdict(bool validatedBad) {
    if (validatedBad)
        m_pc.log(AuditType::Info, QStringLiteral("ProcessGoodCall: Call #") +
                                      withSignBlank(m_header.callNumberValue()) +
                                      QStringLiteral(" was determined to be bad (") + m_lastFaultyField +
                                      QStringLiteral(")."));
}

void StandardParse::fail(const QString& field) {
    m_result = false;
    m_lastFaultyField = field;
}

void StandardParse::saveItemIfAny() {
    if (m_item.hasData())
        m_pc.saver.saveRecord(m_header, m_order, m_item);
    m_item.clear();
}

void StandardParse::storeMessage() {
    // The message belongs to the call's most recently saved order.
    m_pc.storeOrderMessage(m_order.source, m_header, m_order.orderSeqNumber, m_message, kParser, m_stage);
}

void StandardParse::readNumberField(std::span<QChar> field, const char* name) {
    ++m_position;
    bool full = false;
    m_pc.readers.getNuMValueAsRJZFString(m_position, field, &full);
    if (m_pc.validationMode && !full)
        fail(QString::fromLatin1(name));
}

void StandardParse::readRecordType(int c) {
    switch (c) {
    case 'S':
        ++m_position;
        m_order.setSalesperson(m_pc.readers.getStringValue(m_position, 6));
        break;
    case 'C':
        if (m_inItem) {
            saveItemIfAny();
            m_inItem = false;
        }
        m_inOrder = true;
        ++m_position;
        m_order.setCustomer(customerOf(m_pc.readers.getStringValue(m_position, 8)));
        break;
    case 'R':
        ++m_position;
        m_order.setRoute(m_pc.readers.getStringValue(m_position, 6));
        break;
    case 'M':
        ++m_position;
        m_message.clear();
        m_inMessage = true;
        break;
    case 'I':
    case 'E': {
        if (m_inOrder) {
            if (m_order.hasData())
                m_pc.saver.saveHeader(m_header, m_order);
            m_order.clear();
            m_inOrder = false;
        }
        if (m_inItem)
            saveItemIfAny();
        ++m_position;
        bool full = false;
        if (c == 'I') {
            // Read at the field's own width: nothing to cut or pad.
            m_pc.readers.getStringValue(m_position, m_item.itemNumber.chars(), &full);
        } else {
            const QString number = m_pc.readers.getStringValue(m_position, 13, &full);
            m_item.setItemNumber(number.left(6) + QString(7, QLatin1Char(' ')));
        }
        if (m_pc.validationMode && !full)
            fail(c == 'I' ? QStringLiteral("Item") : QStringLiteral("Item E"));
        m_inItem = true;
        break;
    }
    case 'Q':
        readNumberField(m_item.quantity.chars(), "Quantity");
        break;
    case 'U':
        readNumberField(m_item.unit.chars(), "Unit");
        break;
    case 'D':
        readNumberField(m_item.discount.chars(), "Discount");
        break;
    case 'P':
        readNumberField(m_item.price.chars(), "Price");
        break;
    default:
        break; // not a record type: read again as ordinary data
    }
    m_recordStart = false;
}

bool StandardParse::run() {
    m_pc.log(AuditType::Info, QStringLiteral("Starting ProcessGoodCall..."));
    m_order.clear();
    m_item.clear();
    m_stage = QStringLiteral("Save call");
    if (!m_pc.startCall(m_header, m_source, ParserContext::WhenSavedBefore::Stop)) {
        m_pc.log(AuditType::Info, QStringLiteral("ProcessGoodCall: Call #") +
                                      withSignBlank(m_header.callNumberValue()) +
                                      QStringLiteral(" was already saved.  Skipping call."));
        m_pc.log(AuditType::Info, QStringLiteral("Completed ProcessGoodCall..."));
        return m_result;
    }
    m_order.source = m_source;
    m_stage = QStringLiteral("Loop through call");

    while (m_pc.withinCall(m_position)) {
        const int c = m_pc.file.byteAt(m_position);
        if (c < 0)
            break;
        if (m_recordStart) {
            readRecordType(c);
        } else if (c == '&') {
            if (m_inMessage) {
                storeMessage();
                m_inMessage = false;
            }
            m_recordStart = true;
            ++m_position;
        } else {
            readData();
        }
    }

    m_stage = QStringLiteral("Post loop");
    if (m_pc.validationMode && !m_recordStart) {
        m_result = false;
        if (m_lastFaultyField.isEmpty())
            m_lastFaultyField = QStringLiteral("End &");
    }
    if (m_pc.validationMode && m_pc.cutShort)
        fail(QString::fromLatin1(kCutShortField)); // the last fault of the call: nothing follows the cut
    if (m_position > m_pc.endPosition)
        m_position = m_pc.endPosition;

    m_stage = QStringLiteral("Save last record");
    if (m_inItem)
        saveItemIfAny();

    m_stage = QStringLiteral("Update database");
    const bool validatedBad = m_pc.validationMode && !m_result;
    if (validatedBad)
        m_pc.faultyField = m_lastFaultyField;
    if (m_pc.saver.batchMode())
        logVerdict(validatedBad); // batch mode stored no row: there is nothing to complete
    else
        completeCall(validatedBad);
    m_pc.log(AuditType::Info, QStringLiteral("Completed ProcessGoodCall..."));
    return m_result;
}

} // namespace

bool readStandardCall(ParserContext& pc, qint64& position, const CallHeader& header, int source) {
    StandardParse parse(pc, position, header, source);
    return parse.run();
}

} // namespace vrq
