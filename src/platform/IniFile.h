#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vrq {

// The text of a settings file: "[Section]" lines and "Key=Value" lines. Values are taken as written, so
// a Windows path needs no escaping (C:\ZIR32\DCS\ is C:\ZIR32\DCS\). Two forms that earlier versions
// wrote are still understood: a value in double quotes loses its quotes, and a value in which every
// backslash is doubled or stands before a quote (I:\\QX7Com\\) has each such pair read as one character.
// Every line the program does not change (comments, blank lines, unknown keys, the spelling of a value
// that reads as the value being stored) is written back as it stands.
class IniFile {
public:
    static IniFile parse(const QByteArray& bytes);
    QByteArray text() const;

    // Sections and keys are matched without regard to letter case; the last of repeated keys counts.
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // The keys of a section as the file spells them, in file order.
    QStringList keys(const QString& section) const;
    QStringList sections() const;

    // The value a written text stands for, and a written text that reads back as the value.
    static QString decodeValue(const QString& written);
    static QString encodeValue(const QString& value);

private:
    struct Line {
        QString text;
        QString section; // the section the line belongs to
        QString key;     // empty unless the line is "Key=Value"
        QString value;   // the written text after "=", for key lines
    };
    std::optional<std::size_t> findKey(const QString& section, const QString& key) const;

    std::vector<Line> m_lines;
    QString m_lineEnd = QStringLiteral("\n");
};

} // namespace vrq
