#pragma once

#include <QDateTime>
#include <QString>

namespace vrq {

// The process-wide settings record: one field per stored key, named as the key.
// Text fields are kept cut to their width and without trailing blanks.
struct Settings {
    // Startup
    qint16 DetailsTop = 0;
    qint16 DetailsLeft = 0;
    // QX7
    qint16 SystemID = 0;
    bool EnableCalls = true;
    bool EnableFiles = false;
    QString QX7Name;
    QString LocalDrive = QStringLiteral("I");
    QString QX7Path = QStringLiteral("I:\\QX7Com\\");
    QString DataBinPath = QStringLiteral("C:\\ZIR32\\DCS\\");
    QString ScannedFolder = QStringLiteral("C:\\WBZ");
    qint16 FileScanMinutes = 30;
    qint16 DataBinFormat = 0;
    qint16 LastSeqNum = 0;
    qint16 LastScannedCallNum = 0;
    // Miscellaneous
    QDateTime LastDateRun;
    QDateTime LastDatePurged;
    qint16 ProcessDelay = 10;
    qint16 DaysOfHistory = 14;
    bool MonitorNetwork = true;
    bool AutoConnect = true;
    bool DataBinAudit = true;
    qint16 NextDataBinNum = 0;
};

} // namespace vrq
