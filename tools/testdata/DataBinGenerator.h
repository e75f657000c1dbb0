#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace vrq::testdata {

// The record dialects of call data: the standard "&" records, "H" lines, the "V" records under the
// automatic and the old WBZ DataBinFormat, and the Quill records.
enum class Dialect { Standard, HLines, AutoFormatV, OldWbzV, Quill };

// What the store must hold after a generated call is taken in.
struct ItemTruth {
    QString itemNumber; // 13 characters
    int quantity = 0;
    int unit = 0;
    int discountPercent = 0;
    int priceOverride = 0;
};

// One order as a hand-held unit sends it (raw values), from which the encoders write the record data.
struct ItemPlan {
    QString itemNumber; // 13 digits in the standard dialect, 6 in the others
    int quantity = 1;   // never 0; negative for returns
    int unit = 0;
    int discountPercent = 0;
    int priceOverride = 0;
    bool altForm = false; // AutoFormatV: the digit form; Quill: the form without "/"
};

struct OrderPlan {
    QString salesperson;
    QString customer; // 8 digits (6 in AutoFormatV)
    QString shipTo;   // 2 digits or empty (OldWbzV)
    QString route;    // standard dialect
    QString message;  // letters and blanks, may be empty (the category in the H dialect)
    std::vector<ItemPlan> items;
};

struct OrderTruth {
    QString salesperson;
    QString customer;
    QString shipTo;
    QString route;
    QString message;
    std::vector<ItemTruth> items;
};

enum class CallKind { Good, Bad, Duplicate, Malformed, Truncated };

struct CallTruth {
    CallKind kind = CallKind::Good;
    int callNumber = 0;
    bool stored = true; // false: the call leaves no row (a repeated number, a cut header)
    bool goodCall = true;
    bool complete = true;
    std::optional<int> badReason;
    std::optional<int> badData;
    int lineNumber = 0;
    int hour = 0;
    int numBytes = 0;
    std::optional<QDateTime> callDnt; // none for a malformed date
    std::vector<OrderTruth> orders;
};

struct DataBinOptions {
    int calls = 10;
    int ordersPerCall = 2;
    int itemsPerOrder = 3;
    quint32 seed = 1;
    Dialect dialect = Dialect::Standard;
    int badEvery = 0;       // every Nth call is bad, cycling through the reason codes
    int nullEvery = 0;      // a null header before every Nth call
    int duplicateEvery = 0; // every Nth call repeats the one before it
    int malformedEvery =
        0; // every Nth call has junk records and no final "&" (another date for other dialects)
    bool truncateLast = false; // the file ends inside one more call header
    bool headerless = false;   // no "DBHFID" file header
    char lockFlag = 'N';
    int firstCallNumber = 1;
    QDateTime start = QDateTime(QDate(2026, 12, 5), QTime(8, 0, 0));
};

// The fields of a call header block that the generator fills; the rest are blanks.
struct HeaderFields {
    int lineNumber = 1;
    int callNumber = 1;
    QString dateTime = QStringLiteral("20261205080000");
    int dataLength = 0;
    char goodFlag = 'Y';
    QString statusText;
    bool null = false; // the call number's last digit and the date are zeros
};

// A 512-byte call header block.
QByteArray callHeaderBlock(const HeaderFields& fields);
// "DBHFID" and the lock flag.
QByteArray fileHeader(char lockFlag = 'N');
// The upstream status text of a bad call for a reason code (1, 2, 3, 4, 5, 100, 999); attempting adds the
// "Attempting" prefix. Codes 2 and 4 carry badData in parentheses.
QString statusTextFor(int reason, int badData = 0, bool attempting = false);
// The record data of one call in a dialect.
QByteArray encodeCall(Dialect dialect, const std::vector<OrderPlan>& orders, bool malformed = false);
// The Orders and OrderLineItems rows those data give.
std::vector<OrderTruth> expectedOrders(Dialect dialect, const std::vector<OrderPlan>& orders);
// The DataBinFormat setting under which a dialect is read.
int dataBinFormatFor(Dialect dialect);

// Writes the calls through sink piece by piece, so files of any size need no memory; returns the truth.
std::vector<CallTruth> generateDataBin(const DataBinOptions& options,
                                       const std::function<void(const QByteArray&)>& sink);
// The whole file in memory (small files for tests).
QByteArray generateDataBin(const DataBinOptions& options, std::vector<CallTruth>* truth);
// Writes a file; false with a message when it cannot be written.
bool writeDataBin(const QString& path, const DataBinOptions& options, std::vector<CallTruth>* truth,
                  QString* error);

// A scanned-folder order file: one byte that is skipped, then the record data of one call.
struct ScannedFile {
    QByteArray bytes;
    std::vector<OrderTruth> orders;
};
ScannedFile generateScannedFile(Dialect dialect, int orders, int itemsPerOrder, quint32 seed);
bool writeScannedFile(const QString& path, const ScannedFile& file, QString* error);

// Random orders in the shape a dialect can carry.
std::vector<OrderPlan> randomOrders(Dialect dialect, int orders, int itemsPerOrder, quint32 seed);

} // namespace vrq::testdata
