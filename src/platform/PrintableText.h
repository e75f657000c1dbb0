#pragma once

#include <QByteArray>
#include <QString>

namespace vrq {

// Text from outside (file names of a shared folder) written so that it fits one line of a log and
// hides nothing: control characters, format characters (bidirectional overrides, zero-width ones),
// line and paragraph separators and unpaired surrogates become escapes ("\n", "\t", "\r", "\x1b" for
// the other ASCII controls and DEL, "\u{202e}" beyond ASCII). A backslash stays as it is, so
// Windows-style names read as they are; escaping twice changes nothing more.
QString printableText(const QString& text);

// A file name's bytes as the file system holds them, for a message: valid UTF-8 as printableText
// writes it, each byte that is not part of valid UTF-8 as "\xHH".
QString printableName(const QByteArray& nativeName);

} // namespace vrq
