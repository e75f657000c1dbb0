#include "intake/CallExtent.h"

#include "intake/CallSource.h"

#include <QByteArrayView>

#include <algorithm>

namespace vrq {

namespace {

const QByteArray kCallHeaderId = QByteArrayLiteral("bchfid");
// A header's fields up to the end of its data length: what tells a header from the id in a text.
constexpr qint64 kHeaderFieldsEnd = 58;
// Searched this many positions at a time, so a call of any length is never read whole.
constexpr qint64 kSearchChunk = qint64{16} * 1024;
// Read back from the end of a scanned file at a time while only trailing blanks are met.
constexpr qint64 kTailChunk = 256;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
}

// The call number, date and time and data length of a header: digits (the numbers with blanks around
// them, as a leading-number conversion takes them).
bool readsAsCallHeader(const QByteArray& block) {
    if (block.size() < kHeaderFieldsEnd)
        return false;
    const QByteArrayView view(block);
    return allDigits(view.sliced(18, 5).trimmed()) && allDigits(view.sliced(23, 14)) &&
           allDigits(view.sliced(51, 7).trimmed());
}

// Bytes after a scanned file's last record that are no data: blanks, tabs, line ends (unless they end
// the records) and an end-of-file mark.
bool isTrailing(char c, std::string_view recordEnds) {
    if (recordEnds.find(c) != std::string_view::npos)
        return false;
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x1a';
}

// The last byte from dataStart on that is not trailing; -1 when there is none.
int lastDataByte(CallSource& file, qint64 dataStart, std::string_view recordEnds) {
    for (qint64 last = file.length(); last >= dataStart;) {
        const qint64 from = std::max(dataStart, last - kTailChunk + 1);
        const QByteArray tail = file.read(from, last - from + 1);
        if (tail.isEmpty())
            return -1;
        for (qsizetype i = tail.size() - 1; i >= 0; --i) {
            if (!isTrailing(tail.at(i), recordEnds))
                return static_cast<unsigned char>(tail.at(i));
        }
        last = from - 1;
    }
    return -1;
}

} // namespace

qint64 CallExtent::headerInside(CallSource& file, qint64 first, qint64 last) {
    const qint64 idTail = kCallHeaderId.size() - 1;
    // The file's length is asked again each time: a read may find the file shorter than when opened.
    for (qint64 at = first; at <= std::min(last, file.length()); at += kSearchChunk) {
        const qint64 starts = std::min(kSearchChunk, last - at + 1); // positions an id may begin at
        const QByteArray bytes = file.read(at, starts + idTail);
        for (qsizetype found = indexOfAnyCase(bytes, kCallHeaderId); found >= 0 && found < starts;
             found = indexOfAnyCase(bytes, kCallHeaderId, found + 1)) {
            if (readsAsCallHeader(file.read(at + found, kHeaderFieldsEnd)))
                return at + found;
        }
    }
    return 0;
}

CallExtent CallExtent::ofDataBinCall(CallSource& file, qint64 dataStart, const CallHeader& header) {
    const qint64 length = header.dataLengthValue();
    // A damaged data length below zero counts as none: the end never lies before the call's own data,
    // so a parser stopped at it never goes back past the header just read and the call loop cannot meet
    // the same call again and again.
    const qint64 declaredEnd = std::max(dataStart + length - 1, dataStart - 1);
    CallExtent extent;
    extent.end = declaredEnd;
    const auto cut = [&](qint64 end, const char* after) {
        extent.end = end;
        extent.cutShort = QStringLiteral("%1 of %2 bytes, then %3")
                              .arg(end - dataStart + 1)
                              .arg(length)
                              .arg(QLatin1String(after));
    };
    if (const qint64 next = headerInside(file, dataStart, declaredEnd); next > 0) {
        cut(next - 1, "the next call");
    } else if (declaredEnd > file.length()) {
        extent.runsPastEnd = true;
        cut(std::max(file.length(), dataStart - 1), "the end of the file");
    }
    return extent;
}

CallExtent CallExtent::ofScannedCall(CallSource& file, qint64 dataStart, std::string_view recordEnds) {
    const int last = lastDataByte(file, dataStart, recordEnds);
    CallExtent extent;
    extent.end = std::max(file.length(), dataStart - 1);
    // Data without any byte (a file of its first byte alone) hold no record that could be cut.
    if (last >= 0 && recordEnds.find(static_cast<char>(last)) == std::string_view::npos)
        extent.cutShort = QStringLiteral("the file ends inside a record");
    return extent;
}

} // namespace vrq
