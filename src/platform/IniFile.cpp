#include "platform/IniFile.h"

#include <algorithm>

namespace vrq {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section a "[Name]" line opens; nullopt for any other line.
// Views, not copies: every line of the file passes through these.
std::optional<QString> sectionOf(QStringView line) {
    const QStringView t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed().toString();
}

bool isComment(QStringView line) {
    const QStringView t = line.trimmed();
    return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

bool isBlank(QStringView line) {
    return line.trimmed().isEmpty();
}

// True when every backslash of the text starts a pair "\\" or "\"" (and there is one at least): the
// escaped form earlier versions wrote. A hand-written path has single backslashes before letters.
bool isEscapedForm(QStringView text) {
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\\'))
            continue;
        if (i + 1 >= text.size())
            return false;
        const QChar next = text.at(i + 1);
        if (next != QLatin1Char('\\') && next != QLatin1Char('"'))
            return false;
        any = true;
        ++i;
    }
    return any;
}

QString escaped(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

QString IniFile::decodeValue(const QString& written) {
    QStringView text = QStringView(written).trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    if (!isEscapedForm(text))
        return text.size() == written.size() ? written : text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\'))
            ++i;
        out += text.at(i);
    }
    return out;
}

QString IniFile::encodeValue(const QString& value) {
    // A value is one line of the file.
    QString v = value;
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (decodeValue(v) == v)
        return v;
    // Blanks at either end, quotes around it, or backslashes that would read as pairs: the escaped
    // form in quotes, which always reads back as the value.
    return QLatin1Char('"') + escaped(v) + QLatin1Char('"');
}

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile file;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (text.contains(QLatin1String("\r\n")))
        file.m_lineEnd = QStringLiteral("\r\n");
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line
    file.m_lines.reserve(static_cast<std::size_t>(lines.size()));
    QString section;
    for (QString& raw : lines) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        Line line{raw, section, QString(), QString()};
        if (const auto opened = sectionOf(raw)) {
            section = *opened;
            line.section = section;
        } else if (!isComment(raw)) {
            const qsizetype equals = raw.indexOf(QLatin1Char('='));
            const QStringView key = QStringView(raw).left(std::max<qsizetype>(equals, 0)).trimmed();
            if (!key.isEmpty()) {
                line.key = key.toString();
                line.value = raw.mid(equals + 1);
            }
        }
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

QByteArray IniFile::text() const {
    QString out;
    for (const Line& line : m_lines)
        out += line.text + m_lineEnd;
    return out.toUtf8();
}

std::optional<std::size_t> IniFile::findKey(const QString& section, const QString& key) const {
    for (std::size_t i = m_lines.size(); i-- > 0;) {
        const Line& line = m_lines[i];
        if (!line.key.isEmpty() && sameName(line.section, section) && sameName(line.key, key))
            return i;
    }
    return std::nullopt;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const auto at = findKey(section, key);
    if (!at)
        return std::nullopt;
    return decodeValue(m_lines[*at].value);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    if (const auto at = findKey(section, key)) {
        Line& line = m_lines[*at];
        if (decodeValue(line.value) == value)
            return; // the line already says so, in the writer's own spelling
        line.value = encodeValue(value);
        line.text = line.key + QLatin1Char('=') + line.value;
        return;
    }
    const QString written = encodeValue(value);
    Line added{key + QLatin1Char('=') + written, section, key, written};
    // After the last key or header of the section's last block, before any blank lines that follow it.
    std::optional<std::size_t> after;
    for (std::size_t i = m_lines.size(); i-- > 0;) {
        const Line& line = m_lines[i];
        if (sameName(line.section, section) && !isBlank(line.text)) {
            after = i;
            break;
        }
    }
    if (after) {
        added.section = m_lines[*after].section;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*after) + 1, std::move(added));
        return;
    }
    if (!m_lines.empty() && !isBlank(m_lines.back().text))
        m_lines.push_back(Line{QString(), m_lines.back().section, QString(), QString()});
    m_lines.push_back(Line{QLatin1Char('[') + section + QLatin1Char(']'), section, QString(), QString()});
    m_lines.push_back(std::move(added));
}

QStringList IniFile::keys(const QString& section) const {
    QStringList found;
    for (const Line& line : m_lines) {
        if (!line.key.isEmpty() && sameName(line.section, section) &&
            !found.contains(line.key, Qt::CaseInsensitive))
            found.append(line.key);
    }
    return found;
}

QStringList IniFile::sections() const {
    QStringList found;
    for (const Line& line : m_lines) {
        if (!line.key.isEmpty() && !found.contains(line.section, Qt::CaseInsensitive))
            found.append(line.section);
    }
    return found;
}

} // namespace vrq
