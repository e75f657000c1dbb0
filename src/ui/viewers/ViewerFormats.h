#pragma once

#include "context/UserInterface.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <optional>

namespace vrq {

// Texts and colours the viewer grids show, kept apart from the windows so tests reach them directly.

// "MM/DD/YYYY HH:MM ampm": 12-hour clock, the system's AM or PM designator.
QString formatCallDateTime(const QDateTime& dt);
// The widest text formatCallDateTime gives, for sizing the columns that show it.
QString widestCallDateTime();
// "MM/DD/YYYY at HH:MM ampm", the form used in the details windows' fact lines.
QString formatCallDateTimeAt(const QDateTime& dt);
// "MM/DD/YY HH:MM ampm", the time printed at the top of a report's pages.
QString formatReportTime(const QDateTime& dt);
// "YYYYMMDDHHMMSS" on the 24-hour clock: sorts as text in date order.
QString formatDateKey(const QDateTime& dt);

// What the status cell of a call shows.
enum class CallStatus : quint8 { Good, Bad, Extracted };

CallStatus callStatusOf(bool goodCall, bool extractedCall);
// The status a display mode other than Remove sets.
CallStatus callStatusOfMode(CallDisplay mode);

struct StatusLook {
    QString text;
    std::optional<QColor> background; // empty: the system's window background
    QColor foreground;
};
StatusLook statusLook(CallStatus status);

// "Call" for a call from DataBin.Dat or the command line (source 0), "File" for a scanned file.
QString sourceText(int source);

} // namespace vrq
