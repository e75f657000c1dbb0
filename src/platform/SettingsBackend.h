#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace vrq {

// Text values addressed by section and key. On Windows the current user's registry branch of the old
// installations; elsewhere an INI file ($XDG_CONFIG_HOME/VRQToQX7/VRQToQX7.ini, or the file that
// VRQTOQX7_SETTINGS names).
class SettingsBackend {
public:
    // The backend of this platform, honouring VRQTOQX7_SETTINGS.
    static std::unique_ptr<SettingsBackend> openDefault();
    // An INI file at the given path (tests, and every platform but Windows).
    static std::unique_ptr<SettingsBackend> openIniFile(const QString& path);

    ~SettingsBackend();

    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& text);
    void sync();
    QString location() const;

    // Drives section: letter to folder, and the share root for network drives (off Windows).
    QHash<QChar, QString> driveMap() const;
    QString shareRoot() const;

private:
    explicit SettingsBackend(std::unique_ptr<QSettings> settings);
    std::unique_ptr<QSettings> m_settings;
};

} // namespace vrq
