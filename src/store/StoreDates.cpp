// The store's text form of a date and time, read and written digit by digit.
#include "store/StoreDates.h"

#include <QLocale>

namespace vrq {

namespace {
const char* const kDateFormat = "yyyy-MM-dd HH:mm:ss";
} // namespace

bool storeDateChars(const QDateTime& dt, char (&text)[20]) {
    // Written digit by digit: a general format per stored row was a measurable part of the intake.
    if (!dt.isValid())
        return false;
    int year = 0;
    int month = 0;
    int day = 0;
    dt.date().getDate(&year, &month, &day); // each of year(), month() and day() works out the whole date
    if (year < 1 || year > 9999)
        return false;
    const int seconds = dt.time().msecsSinceStartOfDay() / 1000;
    auto put = [&text](int at, int value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10)
            text[i] = static_cast<char>('0' + value % 10);
    };
    put(0, year, 4);
    text[4] = '-';
    put(5, month, 2);
    text[7] = '-';
    put(8, day, 2);
    text[10] = ' ';
    put(11, seconds / 3600, 2);
    text[13] = ':';
    put(14, seconds / 60 % 60, 2);
    text[16] = ':';
    put(17, seconds % 60, 2);
    text[19] = '\0';
    return true;
}

QString storeDateText(const QDateTime& dt) {
    char text[20];
    if (!storeDateChars(dt, text))
        return QLocale::c().toString(dt, QLatin1String(kDateFormat));
    return QString::fromLatin1(text, 19);
}

QDateTime storeDateFromText(const QString& text) {
    // The stored form "YYYY-MM-DD HH:MM:SS" is read digit by digit: a general format parse per row
    // made reading a large Calls table take seconds.
    if (text.size() == 19 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') &&
        text[10] == QLatin1Char(' ') && text[13] == QLatin1Char(':') && text[16] == QLatin1Char(':')) {
        bool digits = true;
        auto number = [&](int from, int count) {
            int value = 0;
            for (int i = from; i < from + count; ++i) {
                const char16_t c = text[i].unicode();
                digits = digits && c >= u'0' && c <= u'9';
                value = value * 10 + (c - u'0');
            }
            return value;
        };
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2));
        if (digits && date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    return QLocale::c().toDateTime(text, QLatin1String(kDateFormat));
}

} // namespace vrq
