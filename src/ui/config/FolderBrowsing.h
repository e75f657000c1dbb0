#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

namespace vrq {

struct AppContext;

// The rules of the folder browser, on the texts of its name box: drive paths ("C:\Data") and, off
// Windows, native paths ("/srv/data"). Kept apart from the window so they are tested without it.
namespace FolderBrowsing {

// A start text completed to a path with a drive: empty gives "c:\", "\Data" gives "c:\Data", "Data"
// gives "c:\Data". A native absolute path stays as it is.
QString completeStartText(const QString& text);
// The folder above the name box's text; rootOfDrive when there is none above.
QString upOneLevel(const QString& text, const QString& rootOfDrive);
// The text with the separator of its kind appended when it does not end in one.
QString asFolder(const QString& text);

// One entry of the drive list: "i: /mnt/qx7" with the root "i:\", or "/" for native paths.
struct Drive {
    QString text;
    QString root;
    // True when the entry is the drive of the text (by its first character).
    bool holds(const QString& path) const;
};
// Off Windows the letters of the Drives map, the drive folders that exist, and "/"; on Windows the
// machine's drives.
std::vector<Drive> drives(const AppContext& ctx);
// The entry for a drive letter the list does not have (a start text on a drive not set up).
Drive driveOfLetter(QChar letter, const AppContext& ctx);

// The subfolders of a folder text, sorted by name without regard to letter case. A folder that is not there
// lists as empty without a word; one that cannot be read lists as empty with the reason in problem.
struct Listing {
    QStringList folders;
    QString problem;
};
Listing listFolders(const QString& folder, const AppContext& ctx);

} // namespace FolderBrowsing

} // namespace vrq
