#pragma once

#include "store/OrderLedger.h"
#include "store/StoreRecords.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace vrq {

// The host order file: per order an "H" line (52 characters) followed by an "I" line (26 characters) per
// item, single-byte text, CR LF after every line. Text fields are left-justified, blank-padded and cut;
// numeric fields right-justified and zero-filled, keeping their last digits.
namespace OrderFileFormat {

constexpr int kHeaderLineWidth = 52;
constexpr int kItemLineWidth = 26;
constexpr int kLastSequenceNumber = kLastOrderFileNumber;

// The decimal text of value prefixed with width zeros, of which the last width characters are kept;
// empty unless 1 <= width <= 10. A negative value keeps its sign among the digits (-5, 5 -> "000-5").
QString padNumber(qint64 value, int width);

QString headerLine(const OrderRow& order, const QDate& written);
QString itemLine(const ItemRow& item);
// The line as the host reads it: Latin-1 with CR LF.
QByteArray lineBytes(const QString& line);
// lineBytes of headerLine and of itemLine, appended to bytes without making the line's text.
void appendHeaderLineBytes(QByteArray& bytes, const OrderRow& order, const QDate& written);
void appendItemLineBytes(QByteArray& bytes, const ItemRow& item);

// The sequence number after last: 1 after 9900 (and after anything out of range).
int nextSequenceNumber(int last);
// "QX7" + the first character of the system id + the four-digit sequence number, e.g. "QX710042".
QString baseName(int systemId, int sequenceNumber);

} // namespace OrderFileFormat

} // namespace vrq
