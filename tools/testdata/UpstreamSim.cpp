#include "testdata/UpstreamSim.h"

#include <QFile>
#include <QThread>

#include <chrono>

namespace vrq::testdata {

namespace {
constexpr qint64 kLockOffset = 6;
constexpr qint64 kFileHeaderSize = 7;
} // namespace

QByteArray upstreamChunk(const UpstreamPlan& plan, int index, std::vector<CallTruth>* truth) {
    DataBinOptions options;
    options.calls = plan.callsPerChunk;
    options.ordersPerCall = plan.ordersPerCall;
    options.itemsPerOrder = plan.itemsPerOrder;
    options.seed = plan.seed * 7919u + static_cast<quint32>(index);
    options.badEvery = plan.badEvery;
    options.nullEvery = plan.nullEvery;
    options.firstCallNumber = plan.firstCallNumber + index * plan.callsPerChunk;
    return generateDataBin(options, truth).mid(kFileHeaderSize);
}

QString upstreamScannedFileName(int index) {
    return QStringLiteral("Order%1.txt").arg(index, 5, 10, QLatin1Char('0'));
}

ScannedFile upstreamScannedFile(const UpstreamPlan& plan, int index) {
    return generateScannedFile(Dialect::Standard, 1 + index % 3, 2,
                               plan.seed * 104729u + static_cast<quint32>(index));
}

bool appendUnderLock(const QString& path, const QByteArray& calls, int lockWaitMs, QString* error) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point waitEnd = Clock::now() + std::chrono::milliseconds(lockWaitMs);
    QFile file(path);
    for (;;) {
        // Opened again on every look: the program moves the file away when it has taken it in.
        if (!file.open(QIODevice::ReadWrite)) {
            if (error)
                *error = file.errorString();
            return false;
        }
        if (file.size() < kFileHeaderSize) {
            // New (or cut) file: the file header with the lock free.
            file.resize(0);
            file.write(fileHeader('N'));
            file.flush();
        }
        char flag = 0;
        if (!file.seek(kLockOffset) || !file.getChar(&flag) || flag != 'Y' || Clock::now() >= waitEnd)
            break;
        file.close();
        QThread::msleep(20);
    }
    const bool written = file.seek(kLockOffset) && file.putChar('Y') && file.flush() &&
                         file.seek(file.size()) && file.write(calls) == calls.size() && file.flush() &&
                         file.seek(kLockOffset) && file.putChar('N') && file.flush();
    if (!written && error)
        *error = file.errorString();
    return written;
}

} // namespace vrq::testdata
