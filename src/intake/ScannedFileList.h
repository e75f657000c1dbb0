#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <vector>

namespace vrq {

// What one scan of the scanned folder saw: the files it may take (ascending names) and the entries it
// reported and left alone (links, FIFOs, oversized files, names that are not text), by their names'
// bytes, so each is reported once while it stays.
struct ScannedListing {
    std::vector<FileEntry> files;
    QSet<QByteArray> leftAlone;
};

// The listing of the scanned folder as the previous scan saw it, and the rule that takes a file only
// from the second scan that sees it unchanged.
class ScannedFileList {
public:
    // Current files (ascending names) that the previous listing (ascending names) holds with the same
    // size and a date last modified that is not later.
    static std::vector<QString> stableFiles(const std::vector<FileEntry>& previous,
                                            const std::vector<FileEntry>& current);

    // The listing kept between two runs of the single headless pass. A missing or unreadable file is an
    // empty listing.
    static ScannedListing load(const QString& path);
    static Result save(FileSystem& fs, const QString& path, const ScannedListing& listing);
};

} // namespace vrq
