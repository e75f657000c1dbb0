#pragma once

#include <QByteArray>

namespace vrq {

// Appends value with backslash, tab, line feed and carriage return written as \\, \t, \n and \r: the
// escaping of tab-separated text (a COPY's text format, the audit spool's lines), in which a value can
// hold every character and still stay on one line between its tabs.
inline void appendTabTextEscaped(QByteArray& out, const QByteArray& value) {
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

} // namespace vrq
