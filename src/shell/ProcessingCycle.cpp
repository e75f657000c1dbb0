#include "shell/ProcessingCycle.h"

#include "context/AppContext.h"
#include "context/NetworkConnection.h"
#include "context/StatusUpdates.h"
#include "platform/Clock.h"
#include "store/AuditLog.h"

#include <QTextStream>

namespace vrq {

ProcessingCycle::ProcessingCycle(AppContext& context, CycleJobs jobs)
    : m_ctx(context), m_jobs(std::move(jobs)) {}

void ProcessingCycle::markStarted() {
    m_sngLastDatabinProcess = m_ctx.clock->secondsSinceMidnight();
    m_sngLastScanFolderProcess = m_ctx.clock->secondsSinceMidnight();
}

int ProcessingCycle::scanIntervalSeconds(qint16 fileScanMinutes) {
    const int product = int(fileScanMinutes) * 60;
    if (product > 32767)
        return 32767;
    if (product < -32768)
        return -32768;
    return product;
}

bool ProcessingCycle::isDue(float last, int delaySeconds) const {
    const float now = m_ctx.clock->secondsSinceMidnight();
    if (now < last)
        return true;
    return m_ctx.clock->secondsSinceMidnight() - last > float(delaySeconds);
}

void ProcessingCycle::reportJobError(const QString& job, const QString& error) {
    runstatus::stepFailed(m_ctx);
    const QString text = job + QStringLiteral(" error: ") + error;
    if (m_ctx.audit) {
        const Result logged = m_ctx.audit->write(AuditType::Error, text);
        if (logged.ok())
            return;
    }
    QTextStream(stderr) << text << Qt::endl;
}

void ProcessingCycle::tick() {
    if (m_busy)
        return;
    m_busy = true;
    bool didWork = false;
    const Settings& s = m_ctx.settings;

    if (s.enableCalls && isDue(m_sngLastDatabinProcess, s.processDelay)) {
        if (m_jobs.dataBinIntake)
            m_jobs.dataBinIntake();
        m_sngLastDatabinProcess = m_ctx.clock->secondsSinceMidnight();
        didWork = true;
    }
    if (m_ctx.settings.enableFiles &&
        isDue(m_sngLastScanFolderProcess, scanIntervalSeconds(m_ctx.settings.fileScanMinutes))) {
        if (m_jobs.scanFolder) {
            const Result result = m_jobs.scanFolder();
            if (!result.ok())
                reportJobError(QStringLiteral("ScanFolder"), result.message);
        }
        m_sngLastScanFolderProcess = m_ctx.clock->secondsSinceMidnight();
        didWork = true;
    }
    // While the run waits for the host folder the export is held; the tick that finds it back sends.
    const bool hostBack = m_ctx.status.waitingForHost && NetworkConnection(m_ctx).retryHostFolder();
    if (!m_ctx.status.waitingForHost && (didWork || !m_bExtractedOnce || hostBack)) {
        if (m_jobs.exportCalls)
            m_jobs.exportCalls();
        m_bExtractedOnce = true;
    }
    if ((m_purgeRequested || m_ctx.settings.lastDatePurged.date() != m_ctx.clock->now().date()) &&
        purgeRetryDue())
        runPurge();
    m_busy = false;
}

void ProcessingCycle::runPurge() {
    m_purgeRequested = false;
    const Result result = m_jobs.purge ? m_jobs.purge() : Result::success();
    if (!result.ok())
        purgeFailed(result.message);
    else if (m_purgeRetry.failing())
        purgeSucceeded();
}

bool ProcessingCycle::purgeRetryDue() const {
    return m_purgeRetry.due(m_ctx.clock->now());
}

void ProcessingCycle::purgeFailed(const QString& error) {
    if (!m_purgeRetry.failing())
        reportJobError(QStringLiteral("PurgeCalls"), error);
    else
        runstatus::stepFailed(m_ctx);
    m_purgeRetry.failed(m_ctx.clock->now());
    runstatus::purgeFailing(m_ctx, error);
}

void ProcessingCycle::purgeSucceeded() {
    m_purgeRetry.succeeded();
    runstatus::purgeFailing(m_ctx, QString());
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Info, QStringLiteral("PurgeCalls: the purge succeeded again."));
}

void ProcessingCycle::purgeNow() {
    if (m_busy) {
        m_purgeRequested = true;
        return;
    }
    // Busy meanwhile: a tick that falls due while the purge waits for the host folder does nothing.
    m_busy = true;
    runPurge();
    m_busy = false;
}

} // namespace vrq
