#include "platform/SettingsBackend.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace vrq {

namespace {

QString keyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

SettingsBackend::SettingsBackend(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

SettingsBackend::~SettingsBackend() = default;

std::unique_ptr<SettingsBackend> SettingsBackend::openIniFile(const QString& path) {
    return std::unique_ptr<SettingsBackend>(
        new SettingsBackend(std::make_unique<QSettings>(path, QSettings::IniFormat)));
}

std::unique_ptr<SettingsBackend> SettingsBackend::openDefault() {
    const QString overridePath = qEnvironmentVariable("VRQTOQX7_SETTINGS");
    if (!overridePath.isEmpty())
        return openIniFile(overridePath);
#ifdef Q_OS_WIN
    return std::unique_ptr<SettingsBackend>(new SettingsBackend(std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VRQToQX7"),
        QSettings::NativeFormat)));
#else
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = configHome + QStringLiteral("/VRQToQX7");
    QDir().mkpath(folder);
    return openIniFile(folder + QStringLiteral("/VRQToQX7.ini"));
#endif
}

std::optional<QString> SettingsBackend::value(const QString& section, const QString& key) const {
    const QVariant stored = m_settings->value(keyPath(section, key));
    if (!stored.isValid())
        return std::nullopt;
    // An unquoted INI value with commas comes back as a list; the setting is the whole text.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QLatin1Char(','));
    return stored.toString();
}

void SettingsBackend::setValue(const QString& section, const QString& key, const QString& text) {
    m_settings->setValue(keyPath(section, key), text);
}

void SettingsBackend::sync() {
    m_settings->sync();
}

QString SettingsBackend::location() const {
    return m_settings->fileName();
}

QHash<QChar, QString> SettingsBackend::driveMap() const {
    QHash<QChar, QString> map;
    m_settings->beginGroup(QStringLiteral("Drives"));
    const QStringList keys = m_settings->childKeys();
    for (const QString& key : keys) {
        if (key.size() == 1 && key.at(0).isLetter())
            map.insert(key.at(0).toUpper(), m_settings->value(key).toString());
    }
    m_settings->endGroup();
    return map;
}

QString SettingsBackend::shareRoot() const {
    const QString root = m_settings->value(QStringLiteral("Drives/ShareRoot")).toString();
    return root.isEmpty() ? QStringLiteral("/smb") : root;
}

} // namespace vrq
