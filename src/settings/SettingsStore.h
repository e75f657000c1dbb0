#pragma once

#include "settings/Settings.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

namespace vrq {

class SettingsBackend;
class Clock;

// A stored text the program cannot use: it does not convert to its field's type, it is longer than
// its field, or it is a number outside its field's range. The default is used in memory; the stored text
// is kept as written.
struct SettingProblem {
    enum class Kind { NotValid, TooLong, OutOfRange };

    QString section;
    QString key;
    QString value;
    QString defaultText;
    Kind kind = Kind::NotValid;
    int width = 0; // for TooLong: the field's width
    int low = 0;   // for OutOfRange: the smallest and largest number the field takes
    int high = 0;

    QString describe() const;
};

// Conversions between the text forms of the store and the field types.
namespace SettingText {
std::optional<qint16> toInt16(const QString& text);
std::optional<bool> toBool(const QString& text);
std::optional<QDateTime> toDate(const QString& text);
QString fromInt16(qint16 value);
QString fromBool(bool value);
QString fromDate(const QDateTime& value);
QString cutToWidth(const QString& text, int width);
// "SQLite" or "PostgreSQL", in any letter case.
std::optional<StoreBackend> toStoreBackend(const QString& text);
QString fromStoreBackend(StoreBackend value);
} // namespace SettingText

// Reads and writes the settings record: every key of the record, in the order of the record.
class SettingsStore {
public:
    SettingsStore(SettingsBackend& backend, const Clock& clock);

    // Fills the whole record from the store; absent keys give the defaults. Values the program cannot
    // use are replaced by their defaults in the record and returned.
    QList<SettingProblem> load(Settings& settings);
    // Writes every key but ProcessDelay and LastScannedCallNum, in the fixed order. A key whose stored
    // text could not be used at the last load is left as written while the record still holds the
    // default put in its place. False (after telling the failure handler) when the store cannot be written.
    bool save(const Settings& settings);
    // LastScannedCallNum is written on its own, each time a number is taken.
    bool saveLastScannedCallNum(qint16 value);
    // LastSeqNum is also written on its own each time an order file number is taken.
    bool saveLastSeqNum(qint16 value);

    // The problems of the last load whose field the record has not changed since, among the given keys
    // (all keys when empty).
    QList<SettingProblem> standingProblems(const Settings& settings, const QStringList& keys = {}) const;
    // Why the store cannot be written now, as a message; empty when it can.
    QString writeProblem() const;
    // Receives the message of every failed save.
    void reportSaveFailuresTo(std::function<void(const QString&)> handler) {
        m_onSaveFailure = std::move(handler);
    }

    SettingsBackend& backend() { return m_backend; }

private:
    bool sync();

    struct LoadedProblem {
        SettingProblem problem;
        QString textInRecord; // the record's text of the field right after the load
    };

    SettingsBackend& m_backend;
    const Clock& m_clock;
    QList<LoadedProblem> m_problems;
    std::function<void(const QString&)> m_onSaveFailure;
};

} // namespace vrq
