#pragma once

#include "intake/CallHeader.h"

#include <QString>
#include <string_view>

namespace vrq {

class CallSource;

// Where a call's record data end, and why they end early when they do. A call cut short is stored as a
// bad call holding what arrived of it, and the call after it is taken from its own header.
struct CallExtent {
    qint64 end = 0;           // the call's last record-data byte
    QString cutShort;         // empty for a whole call; else why its data end early
    bool runsPastEnd = false; // the data stop at the end of the file, short of their length

    bool isCut() const { return !cutShort.isEmpty(); }

    // A call of DataBin.Dat or of a command-line file: its data start at dataStart and are as long as
    // its header says. They end early at the end of the file, or where the next call's header begins
    // inside them (the upstream program stopped in the middle of a call and went on with the next).
    static CallExtent ofDataBinCall(CallSource& file, qint64 dataStart, const CallHeader& header);
    // A scanned file's call runs to the end of the file; it is cut short when its last record is not
    // ended by one of recordEnds (blanks, tabs, line ends and an end-of-file mark after it aside).
    static CallExtent ofScannedCall(CallSource& file, qint64 dataStart, std::string_view recordEnds);

    // The position of the first call header that begins from first to last, 0 when none does. A header
    // is "BCHFID" in any letter case followed by the digits of a call number, date and data length, so
    // the id written in a message is data, wherever in a record the upstream program stopped.
    static qint64 headerInside(CallSource& file, qint64 first, qint64 last);
};

// The field validation names for a call cut short.
inline constexpr const char* kCutShortField = "Cut short";

} // namespace vrq
