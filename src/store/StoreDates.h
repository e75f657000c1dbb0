#pragma once

#include <QDateTime>
#include <QString>

namespace vrq {

// Formats a date for the store ("YYYY-MM-DD HH:MM:SS", local time) and back.
QString storeDateText(const QDateTime& dt);
QDateTime storeDateFromText(const QString& text);
// The same text into a buffer of 20 characters, with its closing zero; false for a date the form
// cannot hold (invalid, or a year outside 1..9999).
bool storeDateChars(const QDateTime& dt, char (&text)[20]);

} // namespace vrq
