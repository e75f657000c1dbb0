#include "platform/PrintableText.h"

#include <QChar>

namespace vrq {

namespace {

bool mustEscape(char32_t ucs4) {
    if (ucs4 < 0x20 || ucs4 == 0x7f)
        return true;
    switch (QChar::category(ucs4)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

void appendEscape(QString& out, char32_t ucs4) {
    switch (ucs4) {
    case U'\n':
        out += QLatin1String("\\n");
        return;
    case U'\r':
        out += QLatin1String("\\r");
        return;
    case U'\t':
        out += QLatin1String("\\t");
        return;
    default:
        break;
    }
    if (ucs4 < 0x80)
        out += QStringLiteral("\\x%1").arg(uint(ucs4), 2, 16, QLatin1Char('0'));
    else
        out += QStringLiteral("\\u{%1}").arg(uint(ucs4), 4, 16, QLatin1Char('0'));
}

// The length of the valid UTF-8 sequence at the start of bytes: 0 when it does not start one
// (a stray continuation byte, an overlong form, a surrogate, a value past U+10FFFF, a cut sequence).
qsizetype utf8SequenceLength(QByteArrayView bytes) {
    const auto lead = static_cast<unsigned char>(bytes.front());
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t smallest = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2;
        smallest = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3;
        smallest = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    char32_t value = lead & (0x7fu >> length);
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xc0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3fu);
    }
    if (value < smallest || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    return length;
}

} // namespace

QString printableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t ucs4 = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(c, text.at(i + 1));
            units = 2;
        }
        if (mustEscape(ucs4))
            appendEscape(out, ucs4);
        else
            out += text.mid(i, units);
        i += units - 1;
    }
    return out;
}

QString printableName(const QByteArray& nativeName) {
    QString out;
    QByteArrayView rest(nativeName);
    while (!rest.isEmpty()) {
        qsizetype valid = 0;
        while (valid < rest.size()) {
            const qsizetype length = utf8SequenceLength(rest.sliced(valid));
            if (length == 0)
                break;
            valid += length;
        }
        out += printableText(QString::fromUtf8(rest.first(valid)));
        if (valid < rest.size()) {
            out += QStringLiteral("\\x%1").arg(uint(static_cast<unsigned char>(rest[valid])), 2, 16,
                                               QLatin1Char('0'));
            ++valid;
        }
        rest = rest.sliced(valid);
    }
    return out;
}

} // namespace vrq
