#include "ui/viewers/ViewerFormats.h"

#include <QLocale>

namespace vrq {

namespace {

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString designator(int hour) {
    const QLocale locale = QLocale::system();
    QString text = hour < 12 ? locale.amText() : locale.pmText();
    if (!text.isEmpty())
        return text;
    return hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
}

QString datePart(const QDate& d) {
    return twoDigits(d.month()) + QLatin1Char('/') + twoDigits(d.day()) + QLatin1Char('/') +
           QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString clockPart(const QTime& t) {
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return twoDigits(hour12) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(' ') +
           designator(t.hour());
}

} // namespace

QString formatCallDateTime(const QDateTime& dt) {
    if (!dt.isValid())
        return {};
    return datePart(dt.date()) + QLatin1Char(' ') + clockPart(dt.time());
}

QString widestCallDateTime() {
    return formatCallDateTime(QDateTime(QDate(2000, 12, 28), QTime(20, 58)));
}

QString formatCallDateTimeAt(const QDateTime& dt) {
    if (!dt.isValid())
        return {};
    return datePart(dt.date()) + QStringLiteral(" at ") + clockPart(dt.time());
}

QString formatReportTime(const QDateTime& dt) {
    if (!dt.isValid())
        return {};
    const QDate d = dt.date();
    return twoDigits(d.month()) + QLatin1Char('/') + twoDigits(d.day()) + QLatin1Char('/') +
           twoDigits(d.year() % 100) + QLatin1Char(' ') + clockPart(dt.time());
}

QString formatDateKey(const QDateTime& dt) {
    if (!dt.isValid())
        return {};
    return dt.toString(QStringLiteral("yyyyMMddHHmmss"));
}

CallStatus callStatusOf(bool goodCall, bool extractedCall) {
    if (!goodCall)
        return CallStatus::Bad;
    return extractedCall ? CallStatus::Extracted : CallStatus::Good;
}

CallStatus callStatusOfMode(CallDisplay mode) {
    switch (mode) {
    case CallDisplay::Bad:
        return CallStatus::Bad;
    case CallDisplay::Good:
        return CallStatus::Good;
    case CallDisplay::Extracted:
    case CallDisplay::Remove: // has no status: the window removes the row
        break;
    }
    return CallStatus::Extracted;
}

StatusLook statusLook(CallStatus status) {
    switch (status) {
    case CallStatus::Extracted:
        return {QStringLiteral("Extracted"), QColor(0, 255, 0), QColor(0, 0, 0)};
    case CallStatus::Bad:
        return {QStringLiteral("Bad call"), QColor(192, 0, 0), QColor(255, 255, 255)};
    case CallStatus::Good:
        break;
    }
    return {QStringLiteral("Good Call"), std::nullopt, QColor(0, 0, 0)};
}

QString sourceText(int source) {
    return source == 0 ? QStringLiteral("Call") : QStringLiteral("File");
}

} // namespace vrq
