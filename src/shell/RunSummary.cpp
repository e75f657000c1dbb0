#include "shell/RunSummary.h"

#include "shell/CommandLine.h"

#include <QLocale>

namespace vrq {

namespace {

QString hostFolderState(const RunStatus& status) {
    if (status.hostFolder.isEmpty())
        return QStringLiteral("host folder not set");
    const QString state = status.hostAway() ? QStringLiteral("away since ") +
                                                  QLocale::c().toString(status.hostAwaySince,
                                                                        QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                            : QStringLiteral("reachable");
    return QStringLiteral("host folder ") + status.hostFolder + QLatin1Char(' ') + state;
}

// Said only while DataBin.Dat cannot be opened: its calls wait.
QString dataBinState(const RunStatus& status) {
    if (status.dataBinError.isEmpty())
        return {};
    return QStringLiteral("; DataBin.Dat cannot be opened (") + status.dataBinError + QLatin1Char(')');
}

// Said only while the store keeps no writes: no call is taken in or sent.
QString storeState(const RunStatus& status) {
    if (status.storeError.isEmpty())
        return {};
    return QStringLiteral("; no call is taken in or sent (") + status.storeError + QLatin1Char(')');
}

} // namespace

QString RunSummary::line() const {
    const QString pending = pendingCalls ? QString::number(*pendingCalls) : QStringLiteral("unknown");
    return QStringLiteral("calls good %1, bad %2; scanned files taken %3; order files written %4; "
                          "calls pending %5; failed steps %6; %7")
               .arg(status.callsGood)
               .arg(status.callsBad)
               .arg(status.scannedFilesTaken)
               .arg(status.orderFilesWritten)
               .arg(pending)
               .arg(status.failedSteps)
               .arg(hostFolderState(status)) +
           dataBinState(status) + storeState(status);
}

int RunSummary::exitCode() const {
    if (status.hostAway() && pendingCalls.value_or(1) > 0)
        return ExitCode::kHostFolderAway;
    if (status.failedSteps > 0 || !pendingCalls)
        return ExitCode::kStepFailed;
    return ExitCode::kOk;
}

} // namespace vrq
