#include "platform/CopyBinaryFile.h"

#include <QFile>
#include <QFileInfo>

namespace vrq {

namespace {

constexpr qint64 kChunk = 1024;

} // namespace

bool copyBinaryFile(const QString& source, const QString& destination, bool overwrite,
                    std::vector<qint64>* chunks) {
    if (!overwrite && QFileInfo::exists(destination))
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QFile out(destination);
    // Created empty first, so a source of no bytes still gives a destination.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 length = in.size();
    for (qint64 position = 0; position < length;) {
        const qint64 chunk = std::min(kChunk, length - position);
        const QByteArray bytes = in.read(chunk);
        if (bytes.size() != chunk || out.write(bytes) != chunk)
            return false;
        if (chunks)
            chunks->push_back(chunk);
        position += chunk;
    }
    return out.flush();
}

} // namespace vrq
