#include "intake/ScannedFileList.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vrq {

std::vector<QString> ScannedFileList::stableFiles(const std::vector<FileEntry>& previous,
                                                  const std::vector<FileEntry>& current) {
    std::vector<QString> taken;
    for (const FileEntry& file : current) {
        for (const FileEntry& seen : previous) {
            if (file.name < seen.name)
                break; // new since the previous scan
            if (file.name == seen.name) {
                if (file.lastModified <= seen.lastModified && file.size == seen.size)
                    taken.push_back(file.name);
                break;
            }
        }
    }
    return taken;
}

std::vector<FileEntry> ScannedFileList::load(const QString& path) {
    std::vector<FileEntry> files;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return files;
    const QJsonArray entries = QJsonDocument::fromJson(file.readAll()).array();
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        FileEntry f;
        f.name = entry.value(QStringLiteral("name")).toString();
        f.size = entry.value(QStringLiteral("size")).toInteger(-1);
        f.lastModified = QDateTime::fromMSecsSinceEpoch(entry.value(QStringLiteral("modified")).toInteger());
        if (!f.name.isEmpty())
            files.push_back(f);
    }
    return files;
}

Result ScannedFileList::save(FileSystem& fs, const QString& path, const std::vector<FileEntry>& files) {
    QJsonArray entries;
    for (const FileEntry& f : files) {
        QJsonObject entry;
        entry.insert(QStringLiteral("name"), f.name);
        entry.insert(QStringLiteral("size"), f.size);
        entry.insert(QStringLiteral("modified"), f.lastModified.toMSecsSinceEpoch());
        entries.append(entry);
    }
    return fs.replaceFileDurably(path, QJsonDocument(entries).toJson(QJsonDocument::Compact));
}

} // namespace vrq
