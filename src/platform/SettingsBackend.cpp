#include "platform/SettingsBackend.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace vrq {

namespace {

const QString kDrives = QStringLiteral("Drives");

class IniFileBackend : public SettingsBackend {
public:
    IniFileBackend(QString path, FileSystem& fs) : m_path(std::move(path)), m_fs(fs) { reload(); }

    std::optional<QString> value(const QString& section, const QString& key) const override {
        return m_file.value(section, key);
    }

    void setValue(const QString& section, const QString& key, const QString& text) override {
        m_file.setValue(section, key, text);
        m_pending.push_back({section, key, text});
    }

    Result sync() override {
        if (m_pending.empty())
            return Result::success();
        // A FIFO, socket or device put where the file belongs is left as it is, not replaced.
        if (const QFileInfo file(m_path); file.exists() && !file.isFile() && !file.isDir())
            return Result::failure(EINVAL, QStringLiteral("%1 is not a regular file").arg(m_path));
        // Merged into the file as it is now, so a hand edit made while the program runs is not lost.
        const std::optional<QByteArray> onDisk = readFile();
        IniFile merged = IniFile::parse(onDisk.value_or(QByteArray()));
        for (const Pending& p : m_pending)
            merged.setValue(p.section, p.key, p.text);
        const QByteArray text = merged.text();
        m_file = merged;
        if (onDisk && *onDisk == text) {
            m_pending.clear();
            return Result::success();
        }
        Result written = m_fs.replaceFileDurably(m_path, text);
        if (written)
            m_pending.clear();
        return written;
    }

    void reload() override {
        m_file = IniFile::parse(readFile().value_or(QByteArray()));
        for (const Pending& p : m_pending)
            m_file.setValue(p.section, p.key, p.text);
    }

    QString writeProblem() const override {
        const QFileInfo file(m_path);
        if (file.exists()) {
            if (file.isDir())
                return QStringLiteral("%1 is a folder").arg(m_path);
            if (!file.isFile())
                return QStringLiteral("%1 is not a regular file, so it is neither read nor written")
                    .arg(m_path);
            return file.isWritable() ? QString() : QStringLiteral("%1 is read-only").arg(m_path);
        }
        const QFileInfo folder(file.absolutePath());
        if (!folder.isDir())
            return QStringLiteral("its folder %1 does not exist").arg(folder.filePath());
        return folder.isWritable() ? QString()
                                   : QStringLiteral("its folder %1 is read-only").arg(folder.filePath());
    }

    QString location() const override { return m_path; }
    QStringList keys(const QString& section) const override { return m_file.keys(section); }

    QStringList allKeys() const override {
        QStringList all;
        for (const QString& section : m_file.sections())
            for (const QString& key : m_file.keys(section))
                all.append(section + QLatin1Char('/') + key);
        return all;
    }

private:
    struct Pending {
        QString section;
        QString key;
        QString text;
    };

    std::optional<QByteArray> readFile() const { return m_fs.readFile(m_path); }

    QString m_path;
    FileSystem& m_fs;
    IniFile m_file;
    std::vector<Pending> m_pending;
};

#ifdef Q_OS_WIN
// Registry values are whole strings; no escaping is involved.
class RegistryBackend : public SettingsBackend {
public:
    explicit RegistryBackend(const QString& key) : m_settings(key, QSettings::NativeFormat) {}

    std::optional<QString> value(const QString& section, const QString& key) const override {
        const QVariant stored = m_settings.value(section + QLatin1Char('/') + key);
        if (!stored.isValid())
            return std::nullopt;
        return stored.toString();
    }
    void setValue(const QString& section, const QString& key, const QString& text) override {
        m_settings.setValue(section + QLatin1Char('/') + key, text);
    }
    Result sync() override {
        m_settings.sync();
        if (m_settings.status() != QSettings::NoError)
            return Result::failure(
                EACCES, QStringLiteral("the registry key %1 cannot be written").arg(m_settings.fileName()));
        return Result::success();
    }
    void reload() override { m_settings.sync(); }
    QString writeProblem() const override {
        return m_settings.isWritable() ? QString() : QStringLiteral("the registry key is read-only");
    }
    QString location() const override { return m_settings.fileName(); }
    QStringList keys(const QString& section) const override {
        m_settings.beginGroup(section);
        const QStringList found = m_settings.childKeys();
        m_settings.endGroup();
        return found;
    }
    QStringList allKeys() const override { return m_settings.allKeys(); }

private:
    mutable QSettings m_settings;
};
#endif

} // namespace

SettingsBackend::~SettingsBackend() = default;

std::unique_ptr<SettingsBackend> SettingsBackend::openIniFile(const QString& path, FileSystem& fs) {
    return std::make_unique<IniFileBackend>(path, fs);
}

std::unique_ptr<SettingsBackend> SettingsBackend::openDefault(FileSystem& fs) {
    const QString overridePath = qEnvironmentVariable("VRQTOQX7_SETTINGS");
    if (!overridePath.isEmpty())
        return openIniFile(overridePath, fs);
#ifdef Q_OS_WIN
    return std::make_unique<RegistryBackend>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VRQToQX7"));
#else
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = configHome + QStringLiteral("/VRQToQX7");
    QDir().mkpath(folder);
    return openIniFile(folder + QStringLiteral("/VRQToQX7.ini"), fs);
#endif
}

QHash<QChar, QString> SettingsBackend::driveMap() const {
    QHash<QChar, QString> map;
    for (const QString& key : keys(kDrives)) {
        if (key.size() == 1 && key.at(0).isLetter())
            map.insert(key.at(0).toUpper(), value(kDrives, key).value_or(QString()));
    }
    return map;
}

QString SettingsBackend::shareRoot() const {
    const QString root = value(kDrives, QStringLiteral("ShareRoot")).value_or(QString());
    return root.isEmpty() ? QStringLiteral("/smb") : root;
}

} // namespace vrq
