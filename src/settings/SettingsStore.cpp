#include "settings/SettingsStore.h"

#include "platform/Clock.h"
#include "platform/SettingsBackend.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <tuple>
#include <utility>
#include <variant>

namespace vrq {

namespace {

const QString kStartup = QStringLiteral("Startup");
const QString kQX7 = QStringLiteral("QX7");
const QString kMisc = QStringLiteral("Miscellaneous");
const QString kStore = QStringLiteral("Store");

// A width of 0: the field is a folder, kept and used whole (80 characters was a limit of the old
// settings record, not of any file system).
struct TextField {
    QString Settings::*member;
    int width;
};

using FieldRef = std::variant<qint16 Settings::*, bool Settings::*, TextField, QDateTime Settings::*,
                              StoreBackend Settings::*>;

struct KeyDef {
    const QString& section;
    QString key;
    FieldRef field;
    bool savedByRecord; // written by save()
};

// Every key in the order of the record; save() writes them in this order.
const std::vector<KeyDef>& keyTable() {
    static const std::vector<KeyDef> table = {
        {kStartup, QStringLiteral("DetailsTop"), &Settings::detailsTop, true},
        {kStartup, QStringLiteral("DetailsLeft"), &Settings::detailsLeft, true},
        {kQX7, QStringLiteral("SystemID"), &Settings::systemId, true},
        {kQX7, QStringLiteral("EnableCalls"), &Settings::enableCalls, true},
        {kQX7, QStringLiteral("EnableFiles"), &Settings::enableFiles, true},
        {kQX7, QStringLiteral("QX7Name"), TextField{&Settings::qx7Name, 80}, true},
        {kQX7, QStringLiteral("LocalDrive"), TextField{&Settings::localDrive, 1}, true},
        {kQX7, QStringLiteral("QX7Path"), TextField{&Settings::qx7Path, 0}, true},
        {kQX7, QStringLiteral("DataBinPath"), TextField{&Settings::dataBinPath, 0}, true},
        {kQX7, QStringLiteral("ScannedFolder"), TextField{&Settings::scannedFolder, 0}, true},
        {kQX7, QStringLiteral("FileScanMinutes"), &Settings::fileScanMinutes, true},
        {kQX7, QStringLiteral("DataBinFormat"), &Settings::dataBinFormat, true},
        {kQX7, QStringLiteral("LastSeqNum"), &Settings::lastSeqNum, true},
        {kQX7, QStringLiteral("LastScannedCallNum"), &Settings::lastScannedCallNum, false},
        {kMisc, QStringLiteral("LastDateRun"), &Settings::lastDateRun, true},
        {kMisc, QStringLiteral("LastDatePurged"), &Settings::lastDatePurged, true},
        {kMisc, QStringLiteral("ProcessDelay"), &Settings::processDelay, false},
        {kMisc, QStringLiteral("DaysOfHistory"), &Settings::daysOfHistory, true},
        {kMisc, QStringLiteral("MonitorNetwork"), &Settings::monitorNetwork, true},
        {kMisc, QStringLiteral("AutoConnect"), &Settings::autoConnect, true},
        {kMisc, QStringLiteral("DataBinAudit"), &Settings::dataBinAudit, true},
        {kMisc, QStringLiteral("NextDataBinNum"), &Settings::nextDataBinNum, true},
        {kStore, QStringLiteral("Backend"), &Settings::storeBackend, true},
        {kStore, QStringLiteral("Connection"), TextField{&Settings::storeConnection, 0}, true},
        {kStore, QStringLiteral("Workstation"), &Settings::workstation, true},
        {kStore, QStringLiteral("TakeOver"), &Settings::takeOver, true},
    };
    return table;
}

QString stripTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

bool isDataBinFormat(const KeyDef& def) {
    return def.key == QLatin1String("DataBinFormat");
}

// The system number is one digit of every order file name.
bool isSystemID(const KeyDef& def) {
    return def.key == QLatin1String("SystemID");
}

// The numbers a number field takes, for the fields that do not take every sixteen-bit number.
std::optional<std::pair<int, int>> rangeOf(const KeyDef& def) {
    // Workstations are numbered as they are set up on the site.
    if (def.key == QLatin1String("Workstation"))
        return std::make_pair(1, 99);
    return std::nullopt;
}

const KeyDef* findKey(const QString& key) {
    for (const KeyDef& def : keyTable())
        if (def.key == key)
            return &def;
    return nullptr;
}

QString textOf(const KeyDef& def, const Settings& s) {
    return std::visit(
        [&](auto&& field) -> QString {
            using F = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<F, qint16 Settings::*>) {
                const qint16 v = s.*field;
                // DataBinFormat alone carries a blank in the sign position of a non-negative number.
                return (isDataBinFormat(def) && v >= 0 ? QStringLiteral(" ") : QString()) +
                       SettingText::fromInt16(v);
            } else if constexpr (std::is_same_v<F, bool Settings::*>) {
                return SettingText::fromBool(s.*field);
            } else if constexpr (std::is_same_v<F, TextField>) {
                return field.width > 0 ? SettingText::cutToWidth(s.*(field.member), field.width)
                                       : stripTrailingBlanks(s.*(field.member));
            } else if constexpr (std::is_same_v<F, StoreBackend Settings::*>) {
                return SettingText::fromStoreBackend(s.*field);
            } else {
                return SettingText::fromDate(s.*field);
            }
        },
        def.field);
}

enum class Assigned { Done, NotValid, TooLong, OutOfRange };

// The converted value into the field; nothing when the text did not convert.
template <typename T> Assigned storeIfConverted(T& member, const std::optional<T>& converted) {
    if (!converted)
        return Assigned::NotValid;
    member = *converted;
    return Assigned::Done;
}

// Converts and stores one text; nothing is stored when it does not convert or does not fit.
Assigned assign(const KeyDef& def, Settings& s, const QString& text, int* width = nullptr) {
    return std::visit(
        [&](auto&& field) -> Assigned {
            using F = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<F, qint16 Settings::*>) {
                const auto v = SettingText::toInt16(text);
                if (!v)
                    return Assigned::NotValid;
                if (isSystemID(def) && (*v < 0 || *v > 9)) {
                    if (width)
                        *width = 1;
                    return Assigned::TooLong;
                }
                if (const auto range = rangeOf(def); range && (*v < range->first || *v > range->second))
                    return Assigned::OutOfRange;
                s.*field = *v;
                return Assigned::Done;
            } else if constexpr (std::is_same_v<F, bool Settings::*>) {
                return storeIfConverted(s.*field, SettingText::toBool(text));
            } else if constexpr (std::is_same_v<F, TextField>) {
                const QString t = stripTrailingBlanks(text);
                if (field.width > 0 && t.size() > field.width) {
                    if (width)
                        *width = field.width;
                    return Assigned::TooLong;
                }
                s.*(field.member) = t;
                return Assigned::Done;
            } else if constexpr (std::is_same_v<F, StoreBackend Settings::*>) {
                return storeIfConverted(s.*field, SettingText::toStoreBackend(text));
            } else {
                return storeIfConverted(s.*field, SettingText::toDate(text));
            }
        },
        def.field);
}

QString defaultText(const KeyDef& def, const Clock& clock) {
    Settings defaults;
    defaults.lastDateRun = QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    defaults.lastDatePurged = clock.now();
    return textOf(def, defaults);
}

} // namespace

QString SettingProblem::describe() const {
    if (kind == Kind::TooLong)
        return QStringLiteral("Setting %1\\%2 holds \"%3\", which is longer than its %4 character(s); the "
                              "default \"%5\" is used and the setting is kept as written.")
            .arg(section, key, value)
            .arg(width)
            .arg(defaultText);
    if (kind == Kind::OutOfRange)
        return QStringLiteral("Setting %1\\%2 holds \"%3\", which is not a number from %4 to %5; the default "
                              "\"%6\" is used.")
            .arg(section, key, value)
            .arg(low)
            .arg(high)
            .arg(defaultText);
    return QStringLiteral(
               "Setting %1\\%2 holds \"%3\", which is not a valid value; the default \"%4\" is used.")
        .arg(section, key, value, defaultText);
}

namespace SettingText {

std::optional<qint16> toInt16(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    // Whole numbers as stored; a fraction rounds to the even neighbour as the old conversion did.
    const double rounded = std::nearbyint(v);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<bool> toBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v != 0.0;
}

namespace {
// The form the program writes its dates in.
const QString kWrittenDateForm = QStringLiteral("MM/dd/yyyy HH:mm:ss");

// Digits, blanks, the separators and the letters of "T", "AM" and "PM" are all a date of the formats
// below can hold. Any other text is refused before the date parser, which reads each format afresh.
bool mayBeDate(QStringView text) {
    static const QString others = QStringLiteral("/-:.+TtAaPpMm");
    for (const QChar c : text) {
        if (!c.isSpace() && (c < QLatin1Char('0') || c > QLatin1Char('9')) && !others.contains(c))
            return false;
    }
    return !text.isEmpty();
}

// The form the program writes, "MM/dd/yyyy HH:mm:ss", read without the date parser; nullopt for any
// other text, which the parser then reads as before.
std::optional<QDateTime> writtenForm(QStringView t) {
    if (t.size() != 19 || t[2] != QLatin1Char('/') || t[5] != QLatin1Char('/') || t[10] != QLatin1Char(' ') ||
        t[13] != QLatin1Char(':') || t[16] != QLatin1Char(':'))
        return std::nullopt;
    int fields[6] = {};
    const int starts[6] = {0, 3, 6, 11, 14, 17};
    const int widths[6] = {2, 2, 4, 2, 2, 2};
    for (int f = 0; f < 6; ++f) {
        for (int i = starts[f]; i < starts[f] + widths[f]; ++i) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9')
                return std::nullopt;
            fields[f] = fields[f] * 10 + (c - u'0');
        }
    }
    const QDate date(fields[2], fields[0], fields[1]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime dt(date, time);
    // A local time that the clock skips (or shifts) is left to the parser, which decides as it did.
    if (!dt.isValid() || dt.date() != date || dt.time() != time)
        return std::nullopt;
    return dt;
}
} // namespace

std::optional<QDateTime> toDate(const QString& text) {
    const QString t = text.trimmed();
    if (!mayBeDate(t))
        return std::nullopt;
    if (auto written = writtenForm(t))
        return written;
    static const QStringList dateTimeFormats = {
        kWrittenDateForm,
        QStringLiteral("M/d/yyyy H:mm:ss"),
        QStringLiteral("M/d/yyyy h:mm:ss AP"),
        QStringLiteral("M/d/yyyy h:mm AP"),
        QStringLiteral("M/d/yyyy H:mm"),
        QStringLiteral("yyyy-MM-dd HH:mm:ss"),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
    };
    const QLocale c = QLocale::c();
    for (const QString& format : dateTimeFormats) {
        const QDateTime dt = c.toDateTime(t, format);
        if (dt.isValid())
            return dt;
    }
    static const QStringList dateFormats = {QStringLiteral("M/d/yyyy"), QStringLiteral("yyyy-MM-dd")};
    for (const QString& format : dateFormats) {
        const QDate d = c.toDate(t, format);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    // Two-digit years as the old runtime read them: 30-99 are 19xx, 00-29 are 20xx ("01/01/70").
    const QStringList parts = t.split(QLatin1Char('/'));
    if (parts.size() == 3 && parts[2].size() == 2) {
        bool okM = false, okD = false, okY = false;
        const int m = parts[0].toInt(&okM), d = parts[1].toInt(&okD), y = parts[2].toInt(&okY);
        const QDate date(y < 30 ? 2000 + y : 1900 + y, m, d);
        if (okM && okD && okY && date.isValid())
            return QDateTime(date, QTime(0, 0));
    }
    return std::nullopt;
}

QString fromInt16(qint16 value) {
    return QString::number(value);
}

QString fromBool(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromDate(const QDateTime& value) {
    const QDate date = value.date();
    const QTime time = value.time();
    // Four-digit years straight; others (and an invalid value) as the locale writes them.
    if (value.isValid() && date.year() >= 1000 && date.year() <= 9999)
        return QString::asprintf("%02d/%02d/%04d %02d:%02d:%02d", date.month(), date.day(), date.year(),
                                 time.hour(), time.minute(), time.second());
    return QLocale::c().toString(value, kWrittenDateForm);
}

QString cutToWidth(const QString& text, int width) {
    return stripTrailingBlanks(text.left(width));
}

std::optional<StoreBackend> toStoreBackend(const QString& text) {
    const QString t = text.trimmed();
    for (const StoreBackend backend : {StoreBackend::SQLite, StoreBackend::PostgreSQL}) {
        if (t.compare(fromStoreBackend(backend), Qt::CaseInsensitive) == 0)
            return backend;
    }
    return std::nullopt;
}

QString fromStoreBackend(StoreBackend value) {
    return value == StoreBackend::PostgreSQL ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

} // namespace SettingText

SettingsStore::SettingsStore(SettingsBackend& backend, const Clock& clock)
    : m_backend(backend), m_clock(clock) {}

QList<SettingProblem> SettingsStore::load(Settings& settings) {
    m_backend.reload();
    m_problems.clear();
    QList<SettingProblem> problems;
    for (const KeyDef& def : keyTable()) {
        // The default's text only when it is used: it is built from a whole default record.
        const std::optional<QString> stored = m_backend.value(def.section, def.key);
        const QString text = stored ? *stored : defaultText(def, m_clock);
        int width = 0;
        const Assigned assigned = assign(def, settings, text, &width);
        if (assigned == Assigned::Done)
            continue;
        const QString fallback = stored ? defaultText(def, m_clock) : text;
        SettingProblem problem{def.section, def.key, text, fallback, SettingProblem::Kind::NotValid, 0};
        if (assigned == Assigned::TooLong) {
            problem.kind = SettingProblem::Kind::TooLong;
            problem.width = width;
        } else if (assigned == Assigned::OutOfRange) {
            problem.kind = SettingProblem::Kind::OutOfRange;
            std::tie(problem.low, problem.high) = rangeOf(def).value_or(std::make_pair(0, 0));
        }
        assign(def, settings, fallback);
        problems.append(problem);
        m_problems.append({problem, textOf(def, settings)});
    }
    return problems;
}

QList<SettingProblem> SettingsStore::standingProblems(const Settings& settings,
                                                      const QStringList& keys) const {
    QList<SettingProblem> standing;
    for (const LoadedProblem& loaded : m_problems) {
        if (!keys.isEmpty() && !keys.contains(loaded.problem.key))
            continue;
        const KeyDef* def = findKey(loaded.problem.key);
        if (def && textOf(*def, settings) == loaded.textInRecord)
            standing.append(loaded.problem);
    }
    return standing;
}

QString SettingsStore::writeProblem() const {
    const QString why = m_backend.writeProblem();
    if (why.isEmpty())
        return QString();
    return QStringLiteral(
               "The settings file %1 cannot be written (%2): changed settings, such as the numbers "
               "of the next audit copy and order file, are not stored.")
        .arg(m_backend.location(), why);
}

bool SettingsStore::sync() {
    const Result synced = m_backend.sync();
    if (synced)
        return true;
    if (m_onSaveFailure)
        m_onSaveFailure(QStringLiteral("The settings could not be saved to %1: %2")
                            .arg(m_backend.location(), synced.message));
    return false;
}

bool SettingsStore::save(const Settings& settings) {
    QStringList kept;
    for (const SettingProblem& problem : standingProblems(settings))
        kept.append(problem.key);
    for (const KeyDef& def : keyTable()) {
        if (def.savedByRecord && !kept.contains(def.key))
            m_backend.setValue(def.section, def.key, textOf(def, settings));
    }
    return sync();
}

bool SettingsStore::saveLastScannedCallNum(qint16 value) {
    m_backend.setValue(kQX7, QStringLiteral("LastScannedCallNum"), SettingText::fromInt16(value));
    return sync();
}

bool SettingsStore::saveLastSeqNum(qint16 value) {
    m_backend.setValue(kQX7, QStringLiteral("LastSeqNum"), SettingText::fromInt16(value));
    return sync();
}

} // namespace vrq
