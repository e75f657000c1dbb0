#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

namespace vrq {

// Copies one file byte for byte in chunks of 1024 bytes (the last chunk holds the rest). Without
// overwrite an existing destination is left alone and nothing is copied. True when the copy was made;
// chunks (when given) receives the length of every chunk written.
bool copyBinaryFile(const QString& source, const QString& destination, bool overwrite,
                    std::vector<qint64>* chunks = nullptr);

} // namespace vrq
