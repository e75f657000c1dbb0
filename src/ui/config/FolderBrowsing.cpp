#include "ui/config/FolderBrowsing.h"

#include "context/AppContext.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <algorithm>
#include <cerrno>

namespace vrq::FolderBrowsing {

namespace {

bool isNative(const QString& text) {
    return !text.isEmpty() && !PathResolver::isDrivePath(text) && text.startsWith(QLatin1Char('/'));
}

QChar separatorOf(const QString& text) {
    return isNative(text) ? QLatin1Char('/') : QLatin1Char('\\');
}

} // namespace

QString completeStartText(const QString& text) {
    if (text.isEmpty())
        return QStringLiteral("c:\\");
#ifndef Q_OS_WIN
    if (isNative(text))
        return text;
#endif
    if (text.contains(QLatin1Char(':')))
        return text;
    if (text.startsWith(QLatin1Char('\\')))
        return QStringLiteral("c:") + text;
    return QStringLiteral("c:\\") + text;
}

QString asFolder(const QString& text) {
    return PathResolver::withTrailingSeparator(text);
}

QString upOneLevel(const QString& text, const QString& rootOfDrive) {
    const QChar separator = separatorOf(text);
    const qsizetype found = text.size() >= 2 ? text.lastIndexOf(separator, text.size() - 2) : -1;
    QString up = found >= 0 ? text.left(found) : rootOfDrive;
    if (!up.contains(separatorOf(up.isEmpty() ? text : up)))
        up += separator;
    return up;
}

bool Drive::holds(const QString& path) const {
    return !path.isEmpty() && !root.isEmpty() && path.at(0).toLower() == root.at(0).toLower();
}

Drive driveOfLetter(QChar letter, const AppContext& ctx) {
    const QString name = QString(letter.toLower()) + QLatin1Char(':');
    const QString folder =
        ctx.paths ? QDir::toNativeSeparators(ctx.paths->driveFolder(letter.toUpper())) : QString();
    return {folder.isEmpty() ? name : name + QLatin1Char(' ') + folder, name + QLatin1Char('\\')};
}

std::vector<Drive> drives(const AppContext& ctx) {
    std::vector<Drive> found;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives()) {
        const QString root = QDir::toNativeSeparators(drive.absoluteFilePath()).toLower();
        found.push_back({root.left(2), root});
    }
#else
    QHash<QChar, QString> mapped;
    if (ctx.settingsStore)
        mapped = ctx.settingsStore->backend().driveMap();
    for (char c = 'A'; c <= 'Z'; ++c) {
        const QChar letter = QLatin1Char(c);
        if (mapped.contains(letter) || (ctx.paths && QDir(ctx.paths->driveFolder(letter)).exists()))
            found.push_back(driveOfLetter(letter, ctx));
    }
    found.push_back({QStringLiteral("/"), QStringLiteral("/")});
#endif
    return found;
}

Listing listFolders(const QString& folder, const AppContext& ctx) {
    const QString text = asFolder(folder.isEmpty() ? QStringLiteral("c:\\") : folder);
    const QString native = ctx.paths ? ctx.paths->resolve(text) : text;
    Listing listing;
    const Result listed = ctx.fs->listFolders(native, &listing.folders);
    if (!listed.ok()) {
        listing.folders.clear();
        if (listed.code != ENOENT && listed.code != ENOTDIR)
            listing.problem = QStringLiteral("%1 cannot be read: %2").arg(text, listed.message);
    }
    // By name, whatever the letter case, as the person looks for them.
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return listing;
}

} // namespace vrq::FolderBrowsing
