#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <vector>

namespace vrq {

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
    static std::vector<FileEntry> load(const QString& path);
    static Result save(FileSystem& fs, const QString& path, const std::vector<FileEntry>& files);
};

} // namespace vrq
