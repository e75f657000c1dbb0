#pragma once

#include "platform/FileSystem.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace vrq {

// Text values addressed by section and key. On Windows the current user's registry branch of the old
// installations; elsewhere an INI file ($XDG_CONFIG_HOME/VRQToQX7/VRQToQX7.ini, or the file that
// VRQTOQX7_SETTINGS names), read and written by IniFile so that values stay exactly as written.
class SettingsBackend {
public:
    // The backend of this platform, honouring VRQTOQX7_SETTINGS.
    static std::unique_ptr<SettingsBackend> openDefault(FileSystem& fs = realFileSystem());
    // An INI file at the given path (tests, and every platform but Windows).
    static std::unique_ptr<SettingsBackend> openIniFile(const QString& path,
                                                        FileSystem& fs = realFileSystem());

    virtual ~SettingsBackend();

    virtual std::optional<QString> value(const QString& section, const QString& key) const = 0;
    // Held until the next sync.
    virtual void setValue(const QString& section, const QString& key, const QString& text) = 0;
    // Stores the values set since the last sync over what the store holds now (other keys, and keys
    // changed by hand in the meantime, stay). A failure keeps the values for the next sync.
    virtual Result sync() = 0;
    // Reads the store again, keeping values set since the last sync.
    virtual void reload() = 0;
    // Why nothing could be stored now (a read-only file or folder); empty when it can.
    virtual QString writeProblem() const = 0;
    virtual QString location() const = 0;
    virtual QStringList keys(const QString& section) const = 0;
    // Every key as "Section/Key".
    virtual QStringList allKeys() const = 0;

    // Drives section: letter to folder, and the share root for network drives (off Windows).
    QHash<QChar, QString> driveMap() const;
    QString shareRoot() const;

protected:
    SettingsBackend() = default;
};

} // namespace vrq
