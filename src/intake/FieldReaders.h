#pragma once

#include <QString>
#include <array>
#include <span>
#include <string_view>

namespace vrq {

class AuditLog;
class CallSource;

// The readers that take one field of a record from the call data. A failed read of the file is
// logged as an "E" entry naming the reader; the reader then goes on as at the end of the file.
class FieldReaders {
public:
    FieldReaders(CallSource& file, AuditLog* audit) : m_file(file), m_audit(audit) {}

    // Up to width characters (at most 20), stopping before an "&" and at the end of the file;
    // padded with blanks to the width. full is true when width characters were read.
    QString getStringValue(qint64& position, int width, bool* full = nullptr);
    // Digits, signs and points (at most width, at most 20), right-aligned and zero-filled to the width.
    QString getNuMValueAsRJZFString(qint64& position, int width, bool* full = nullptr);
    // The same two into the characters of a field of the width into holds, written over in place: the
    // fields of one record after another are read without an allocation.
    void getStringValue(qint64& position, std::span<QChar> into, bool* full);
    void getNuMValueAsRJZFString(qint64& position, std::span<QChar> into, bool* full);
    // Characters up to one of the delimiter bytes (consumed; kept only when includeDelimiter), the end of
    // the file or past endPosition.
    bool getField(qint64& position, std::string_view delimiters, QString& text, bool includeDelimiter,
                  qint64 endPosition);

    CallSource& file() { return m_file; }

private:
    // A field of fixed width: the bytes it accepts, and how it is filled out to its width (blanks
    // after the bytes, or zeros before them when right-aligned).
    struct FixedField {
        const char* reader;            // the name in its read-error entry
        std::array<bool, 256> accepts; // by byte
        QChar fill;
        bool rightAligned;
    };
    // Writes exactly into.size() characters: the width.
    void readFixedField(qint64& position, bool* full, const FixedField& field, std::span<QChar> into);
    // A new text of the width read by readFixedField.
    QString readFixedField(qint64& position, int width, bool* full, const FixedField& field);
    static const FixedField kTextField;
    static const FixedField kNumberField;
    int readByte(qint64 position, const char* reader);

    CallSource& m_file;
    AuditLog* m_audit;
};

// The text from start (zero-based) up to the next delimiter; start moves past it. When no delimiter is
// left the result is empty and start becomes -1.
QString nextToken(const QString& line, qsizetype& start, QChar delimiter);

} // namespace vrq
