#pragma once

#include "platform/FileSystem.h"

#include <QHash>
#include <QString>

namespace vrq {

// The program folder: VRQTOQX7_HOME when set, else the executable's folder on Windows and
// ~/.local/share/VRQToQX7 elsewhere. Created when missing.
QString programFolder();
// The same folder, left as it is when missing (for tools that only read it).
QString programFolderPath();

// Folder settings hold drive paths ("C:\ZIR32\DCS\", "\Data", "I:") or, off Windows, native absolute
// paths ("/srv/vrq/dcs/"). This is the one place where such a text becomes a path the file system
// understands. Off Windows a drive letter is a folder: the map of the settings file's Drives section,
// else <program folder>/drives/<letter>. A path component that does not exist under its exact name is
// matched without regard to letter case; the file system is asked through the seam given.
class PathResolver {
public:
    PathResolver(QString programFolder, QHash<QChar, QString> driveMap,
                 const FileSystem& files = realFileSystem());

    // Native path for a setting text, a setting text plus a file name, or a bare relative name.
    QString resolve(const QString& settingPath) const;
    // The folder a drive letter stands for (off Windows); empty for a letter that is not A-Z.
    QString driveFolder(QChar letter) const;
    const QString& programFolderPath() const { return m_programFolder; }

    // True when the text is a drive path (X:..., \... or .\...), false for a native absolute path.
    static bool isDrivePath(const QString& text);
    // True when the text names no root: empty, ".\...", "..\...", "Name\..." or a drive letter without a
    // separator after it ("C:" or "C:Name", the current folder of that drive). Such a text depends on the
    // current folder, which is the program folder.
    static bool isRelative(const QString& text);
    // Appends the separator the text's kind calls for when it does not end in one.
    static QString withTrailingSeparator(const QString& text);
    static bool endsWithSeparator(const QString& text);
    // Removes trailing blanks, as every user of a text setting does first.
    static QString trimRight(const QString& text);

private:
    QString matchComponents(const QString& base, const QStringList& components) const;

    QString m_programFolder;
    QHash<QChar, QString> m_driveMap;
    const FileSystem& m_files;
};

} // namespace vrq
