#pragma once

#include <QDateTime>
#include <QString>

namespace vrq {

// Where the calls, orders and audit entries are kept.
enum class StoreBackend { SQLite, PostgreSQL };

// The process-wide settings record: one field per stored key, named after the key.
// Text fields are kept cut to their width and without trailing blanks.
struct Settings {
    // Startup
    qint16 detailsTop = 0;
    qint16 detailsLeft = 0;
    // QX7
    qint16 systemId = 0;
    bool enableCalls = true;
    bool enableFiles = false;
    QString qx7Name;
    QString localDrive = QStringLiteral("I");
    QString qx7Path = QStringLiteral("I:\\QX7Com\\");
    QString dataBinPath = QStringLiteral("C:\\ZIR32\\DCS\\");
    QString scannedFolder = QStringLiteral("C:\\WBZ");
    qint16 fileScanMinutes = 30;
    qint16 dataBinFormat = 0;
    qint16 lastSeqNum = 0;
    qint16 lastScannedCallNum = 0;
    // Miscellaneous
    QDateTime lastDateRun;
    QDateTime lastDatePurged;
    qint16 processDelay = 10;
    qint16 daysOfHistory = 14;
    bool monitorNetwork = true;
    bool autoConnect = true;
    bool dataBinAudit = true;
    qint16 nextDataBinNum = 0;
    // Store
    StoreBackend storeBackend = StoreBackend::SQLite;
    QString storeConnection; // a libpq connection string or URI, never with a password
    qint16 workstation = 1;  // 1-99
    bool takeOver = true;    // send the calls of a workstation that has stopped
};

} // namespace vrq
