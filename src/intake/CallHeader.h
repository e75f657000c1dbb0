#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace vrq {

// The 512-byte block that starts each call, held as its sixteen fixed-width text fields (the block's
// last byte is not kept). Fields not used by the program are carried over as they stand.
struct CallHeader {
    static constexpr int kBlockSize = 512;
    static constexpr int kRecordSize = 511;

    QString headerId;     // 0, 6: "BCHFID"
    QString reserved1;    // 6, 10
    QString lineNumber;   // 16, 2
    QString callNumber;   // 18, 5
    QString callDateTime; // 23, 14: "YYYYMMDDHHMMSS"
    QString reserved2;    // 37, 14
    QString dataLength;   // 51, 7
    QString reserved3;    // 58, 97
    QString goodCallFlag; // 155, 1: "Y" when the call arrived intact
    QString reserved4;    // 156, 1
    QString reserved5;    // 157, 1
    QString reserved6;    // 158, 23
    QString reserved7;    // 181, 14
    QString reserved8;    // 195, 115
    QString statusText;   // 310, 107
    QString reserved9;    // 417, 94

    // Splits the first 511 bytes of a block into the fields.
    static CallHeader fromBytes(const QByteArray& block);

    int callNumberValue() const;
    int lineNumberValue() const;
    int dataLengthValue() const;
    int hourValue() const;
    // The call's date and time; nothing when the field is not a valid date.
    std::optional<QDateTime> callDnt() const;
};

// The leading number of a text, read as the old program read numbers: blanks are skipped, then an
// optional sign, digits and a decimal part; anything else ends it. A text without digits is 0.
double leadingNumber(QStringView text);
// The same, rounded to a whole number (halves to the even neighbour) and held within 32 bits.
int leadingInt(QStringView text);
// A number as messages and criteria append it: one leading blank for the sign of a non-negative number.
QString withSignBlank(qint64 number);
// "YYYYMMDDHHMMSS" to a date-time; nothing when it is not a valid date.
std::optional<QDateTime> parseCallDate(const QString& text);
// The last width characters of width zeros followed by the number without blanks.
QString zeroPadded(qint64 number, int width);
// Cuts or pads a text with blanks to a fixed width, as a fixed-length field holds it.
QString fixedWidth(const QString& text, int width);

} // namespace vrq
