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

ScannedListing ScannedFileList::load(const QString& path) {
    ScannedListing listing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return listing;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    // Listings written before entries were left alone are a bare array of files.
    const QJsonArray entries =
        document.isArray() ? document.array() : document.object().value(QStringLiteral("files")).toArray();
    // By value: the array hands out its own reference type, which converts to a QJsonValue.
    for (const QJsonValue value : entries) {
        const QJsonObject entry = value.toObject();
        FileEntry f;
        f.name = entry.value(QStringLiteral("name")).toString();
        f.size = entry.value(QStringLiteral("size")).toInteger(-1);
        f.lastModified = QDateTime::fromMSecsSinceEpoch(entry.value(QStringLiteral("modified")).toInteger());
        if (!f.name.isEmpty())
            listing.files.push_back(f);
    }
    for (const QJsonValue name : document.object().value(QStringLiteral("leftAlone")).toArray())
        listing.leftAlone.insert(QByteArray::fromBase64(name.toString().toLatin1()));
    return listing;
}

Result ScannedFileList::save(FileSystem& fs, const QString& path, const ScannedListing& listing) {
    QJsonArray files;
    for (const FileEntry& f : listing.files) {
        QJsonObject entry;
        entry.insert(QStringLiteral("name"), f.name);
        entry.insert(QStringLiteral("size"), f.size);
        entry.insert(QStringLiteral("modified"), f.lastModified.toMSecsSinceEpoch());
        files.append(entry);
    }
    // Names of entries left alone need not be text: they are kept as their bytes, in base64.
    QJsonArray leftAlone;
    for (const QByteArray& name : listing.leftAlone)
        leftAlone.append(QString::fromLatin1(name.toBase64()));
    const QJsonObject document{{QStringLiteral("files"), files}, {QStringLiteral("leftAlone"), leftAlone}};
    return fs.replaceFileDurably(path, QJsonDocument(document).toJson(QJsonDocument::Compact));
}

} // namespace vrq
