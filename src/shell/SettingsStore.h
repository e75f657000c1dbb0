#pragma once

#include "shell/Settings.h"

#include <QList>
#include <functional>
#include <optional>

namespace vrq {

class SettingsBackend;
class Clock;

// A stored text that does not convert to its field's type; the default was used instead.
struct SettingProblem {
    QString section;
    QString key;
    QString value;
    QString defaultText;

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
} // namespace SettingText

// Reads and writes the settings record: every key of the record, in the order of the record.
class SettingsStore {
public:
    SettingsStore(SettingsBackend& backend, const Clock& clock);

    // Fills the whole record from the store; absent keys give the defaults. Values that do not convert
    // are replaced by their defaults and returned.
    QList<SettingProblem> LoadFromRegistry(Settings& settings) const;
    // Writes every key but ProcessDelay and LastScannedCallNum, in the fixed order.
    void SaveToRegistry(const Settings& settings);
    // LastScannedCallNum is written on its own, each time a number is taken.
    void saveLastScannedCallNum(qint16 value);
    // LastSeqNum is also written on its own each time an order file number is taken.
    void saveLastSeqNum(qint16 value);

    SettingsBackend& backend() { return m_backend; }

private:
    SettingsBackend& m_backend;
    const Clock& m_clock;
};

} // namespace vrq
