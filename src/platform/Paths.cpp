#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vrq {

QString programFolder() {
    QString folder = programFolderPath();
    QDir().mkpath(folder);
    return folder;
}

QString programFolderPath() {
    QString folder = qEnvironmentVariable("VRQTOQX7_HOME");
    if (folder.isEmpty()) {
#ifdef Q_OS_WIN
        folder = QCoreApplication::applicationDirPath();
#else
        folder = QDir::homePath() + QStringLiteral("/.local/share/VRQToQX7");
#endif
    }
    return QDir(folder).absolutePath();
}

PathResolver::PathResolver(QString programFolder, QHash<QChar, QString> driveMap, const FileSystem& files)
    : m_programFolder(std::move(programFolder)), m_driveMap(std::move(driveMap)), m_files(files) {}

QString PathResolver::trimRight(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

bool PathResolver::isDrivePath(const QString& text) {
    if (text.size() >= 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter())
        return true;
    return !text.startsWith(QLatin1Char('/'));
}

bool PathResolver::isRelative(const QString& text) {
    const auto isSeparator = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); };
    if (text.isEmpty())
        return true;
    if (isSeparator(text.at(0)))
        return false;
    const bool drive = text.size() >= 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter();
    return !(drive && text.size() >= 3 && isSeparator(text.at(2)));
}

bool PathResolver::endsWithSeparator(const QString& text) {
    return text.endsWith(QLatin1Char('\\')) || text.endsWith(QLatin1Char('/'));
}

QString PathResolver::withTrailingSeparator(const QString& text) {
    if (endsWithSeparator(text))
        return text;
    return text + (isDrivePath(text) ? QLatin1Char('\\') : QLatin1Char('/'));
}

QString PathResolver::driveFolder(QChar letter) const {
    const QChar upper = letter.toUpper();
    if (upper < QLatin1Char('A') || upper > QLatin1Char('Z'))
        return {};
    const auto mapped = m_driveMap.constFind(upper);
    if (mapped != m_driveMap.constEnd())
        return *mapped;
    return m_programFolder + QStringLiteral("/drives/") + upper;
}

QString PathResolver::matchComponents(const QString& base, const QStringList& components) const {
    QString path = base;
    bool missing = false; // nothing below a missing folder exists: no need to ask the disk
    for (const QString& component : components) {
        if (component.isEmpty() || component == QLatin1String("."))
            continue;
        if (component == QLatin1String("..")) {
            path = QFileInfo(path).path();
            missing = false;
            continue;
        }
        QString candidate =
            path.endsWith(QLatin1Char('/')) ? path + component : path + QLatin1Char('/') + component;
        if (!missing && !m_files.entryExists(candidate)) {
            missing = true;
            // Same name in another letter case, as a drive path on Windows would find it.
            for (const QString& entry : m_files.entryNames(path)) {
                if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                    candidate =
                        path.endsWith(QLatin1Char('/')) ? path + entry : path + QLatin1Char('/') + entry;
                    missing = false;
                    break;
                }
            }
        }
        path = candidate;
    }
    return path;
}

QString PathResolver::resolve(const QString& settingPath) const {
    const QString text = trimRight(settingPath);
#ifdef Q_OS_WIN
    return QDir::cleanPath(QDir(m_programFolder).absoluteFilePath(text));
#else
    QString base;
    QString rest;
    if (text.size() >= 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter()) {
        base = driveFolder(text.at(0));
        rest = text.mid(2);
    } else if (text.startsWith(QLatin1Char('/'))) {
        base = QStringLiteral("/");
        rest = text.mid(1);
    } else if (text.startsWith(QLatin1Char('\\'))) {
        // Rooted without a letter: the root of the current drive, which is C: for this program.
        base = driveFolder(QLatin1Char('C'));
        rest = text.mid(1);
    } else {
        base = m_programFolder;
        rest = text;
    }
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString resolved = matchComponents(base, rest.split(QLatin1Char('/')));
    if (endsWithSeparator(text) && !resolved.endsWith(QLatin1Char('/')))
        resolved += QLatin1Char('/');
    return resolved;
#endif
}

} // namespace vrq
