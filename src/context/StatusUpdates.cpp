#include "context/StatusUpdates.h"

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"

#include <QTextStream>

namespace vrq::runstatus {

namespace {

void changed(AppContext& ctx) {
    if (ctx.ui)
        ctx.ui->statusChanged();
}

void setText(AppContext& ctx, QString& field, const QString& text) {
    if (field == text)
        return;
    field = text;
    changed(ctx);
}

} // namespace

void callTaken(AppContext& ctx, bool good) {
    callsTaken(ctx, good ? 1 : 0, good ? 0 : 1);
}

void callsTaken(AppContext& ctx, int good, int bad) {
    if (good + bad == 0)
        return;
    ctx.status.callsGood += good;
    ctx.status.callsBad += bad;
    ctx.status.lastIntake = ctx.clock->now();
    changed(ctx);
}

void scannedFileTaken(AppContext& ctx) {
    ++ctx.status.scannedFilesTaken;
    changed(ctx);
}

void orderFileWritten(AppContext& ctx) {
    ++ctx.status.orderFilesWritten;
    ctx.status.lastExport = ctx.clock->now();
    changed(ctx);
}

void othersCallsSent(AppContext& ctx, int workstation, int count) {
    ctx.status.othersCallsSent += count;
    ctx.status.lastOtherWorkstation = workstation;
    changed(ctx);
}

void stepFailed(AppContext& ctx) {
    ++ctx.status.failedSteps;
    changed(ctx);
}

void hostFolderLost(AppContext& ctx, const QString& folder) {
    if (ctx.status.hostAway() && ctx.status.hostFolder == folder)
        return;
    ctx.status.hostFolder = folder;
    ctx.status.hostAwaySince = ctx.clock->now();
    ctx.status.hostChecked = true;
    changed(ctx);
}

void hostFolderReached(AppContext& ctx, const QString& folder) {
    if (ctx.status.hostChecked && !ctx.status.hostAway() && ctx.status.hostFolder == folder)
        return;
    ctx.status.hostFolder = folder;
    ctx.status.hostAwaySince = QDateTime();
    ctx.status.hostChecked = true;
    changed(ctx);
}

void waitingForHost(AppContext& ctx, bool waiting) {
    ctx.status.waitingForHost = waiting;
}

void purgeFailing(AppContext& ctx, const QString& error) {
    setText(ctx, ctx.status.purgeError, error);
}

void dataBinFailing(AppContext& ctx, const QString& error) {
    setText(ctx, ctx.status.dataBinError, error);
}

void storeRefusing(AppContext& ctx, const QString& reason) {
    const QString was = ctx.status.storeError;
    if (was == reason)
        return;
    setText(ctx, ctx.status.storeError, reason);
    if (reason.isEmpty()) {
        if (ctx.audit)
            ctx.audit->write(AuditType::Info,
                             QStringLiteral("The call store keeps what is written again; calls "
                                            "are taken in and sent."));
        return;
    }
    if (!was.isEmpty())
        return; // the same refusal, told in other words: heard of already
    stepFailed(ctx);
    if (ctx.ui)
        ctx.ui->reportFault(storeRefusalText(reason));
}

void storeAway(AppContext& ctx, const QString& reason) {
    const bool begins = ctx.status.storeError.isEmpty();
    setText(ctx, ctx.status.storeError, reason);
    if (!begins)
        return;
    stepFailed(ctx);
    const QString text = storeRefusalText(reason);
    QTextStream(stderr) << text << Qt::endl;
    if (ctx.audit)
        ctx.audit->writeKeptWhileAway(text);
}

QString storeRefusalText(const QString& reason) {
    return QStringLiteral("No call is taken in or sent: ") + reason + QLatin1Char('.');
}

} // namespace vrq::runstatus
