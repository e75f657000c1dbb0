#include "settings/StoreConnection.h"

#include <QByteArray>
#include <QStringList>

namespace vrq::StoreConnection {

namespace {

// The keywords whose value is a secret.
bool isPasswordKeyword(const QString& keyword) {
    return keyword.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0 ||
           keyword.compare(QLatin1String("sslpassword"), Qt::CaseInsensitive) == 0;
}

// Blanks as the C library's isspace() sees them in the C locale, which is what libpq splits on.
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f') || c == QLatin1Char('\v');
}

// The keywords of the key=value form, read as libpq reads them: a keyword runs up to "=" or a blank,
// blanks may stand around "=", a value is a word or is in single quotes, and a backslash takes the next
// character as it is. Where libpq would give up (a word without "=", an unterminated quote) the reading
// goes on, so that nothing after a slip hides a password.
QStringList keywordsOf(const QString& text) {
    QStringList keywords;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto skipBlanks = [&] {
        while (i < n && isBlank(text.at(i)))
            ++i;
    };
    while (true) {
        skipBlanks();
        if (i >= n)
            break;
        const qsizetype nameStart = i;
        while (i < n && text.at(i) != QLatin1Char('=') && !isBlank(text.at(i)))
            ++i;
        const QString keyword = text.mid(nameStart, i - nameStart);
        skipBlanks();
        if (i >= n || text.at(i) != QLatin1Char('='))
            continue; // a word without "=": libpq refuses the string; read on from the next word
        ++i;
        keywords << keyword;
        skipBlanks();
        if (i < n && text.at(i) == QLatin1Char('\'')) {
            for (++i; i < n && text.at(i) != QLatin1Char('\''); ++i) {
                if (text.at(i) == QLatin1Char('\\'))
                    ++i;
            }
            ++i; // the closing quote
        } else {
            for (; i < n && !isBlank(text.at(i)); ++i) {
                if (text.at(i) == QLatin1Char('\\'))
                    ++i;
            }
        }
    }
    return keywords;
}

// %XX sequences decoded; a malformed one is kept as written.
QString percentDecoded(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

// The prefixes that make libpq read a URI. It matches them in lower case only; any case is taken here,
// so that a misspelt URI with a password is refused for its password.
qsizetype uriPrefixLength(const QString& text) {
    for (const QLatin1String prefix : {QLatin1String("postgresql://"), QLatin1String("postgres://")}) {
        if (text.startsWith(prefix, Qt::CaseInsensitive))
            return prefix.size();
    }
    return 0;
}

// A URI: the user part ends at the first "@" before any "/", and a ":" in it starts the password. The
// query after "?" holds keyword=value pairs joined by "&".
bool uriHoldsPassword(const QString& uri, qsizetype prefixLength) {
    qsizetype rest = prefixLength;
    const qsizetype userEnd = [&] {
        for (qsizetype i = prefixLength; i < uri.size(); ++i) {
            if (uri.at(i) == QLatin1Char('@'))
                return i;
            if (uri.at(i) == QLatin1Char('/'))
                break;
        }
        return qsizetype(-1);
    }();
    if (userEnd >= 0) {
        if (uri.mid(prefixLength, userEnd - prefixLength).contains(QLatin1Char(':')))
            return true;
        rest = userEnd + 1;
    }
    const qsizetype query = uri.indexOf(QLatin1Char('?'), rest);
    if (query < 0)
        return false;
    const QStringList pairs = uri.mid(query + 1).split(QLatin1Char('&'));
    for (const QString& pair : pairs) {
        if (isPasswordKeyword(percentDecoded(pair.section(QLatin1Char('='), 0, 0))))
            return true;
    }
    return false;
}

} // namespace

bool holdsPassword(const QString& connection) {
    const QString text = connection.trimmed();
    if (const qsizetype prefix = uriPrefixLength(text); prefix > 0)
        return uriHoldsPassword(text, prefix);
    const QStringList keywords = keywordsOf(text);
    for (const QString& keyword : keywords) {
        if (isPasswordKeyword(keyword))
            return true;
    }
    return false;
}

QString passwordRefusal(const QString& connection) {
    if (!holdsPassword(connection))
        return {};
    return QStringLiteral("The store connection in the settings holds a password; keep it in ~/.pgpass or a "
                          "service file instead.");
}

} // namespace vrq::StoreConnection
