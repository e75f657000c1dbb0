#pragma once

#include "platform/Result.h"
#include "platform/RetryWait.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace vrq {

struct AppContext;

struct CycleJobs {
    std::function<void()> dataBinIntake;
    std::function<Result()> scanFolder;
    std::function<void()> exportCalls;
    std::function<Result()> purge;
};

// The heartbeat: once a tick it decides which jobs are due and runs them in their fixed order.
// Times are seconds since midnight as the clock gives them; a time earlier than the last run (midnight,
// a clock set back) makes the job due at once. Delays count from the end of the previous run.
// A purge that fails is written to the log once per run of failures and retried after a wait that
// doubles from one second up to ten minutes; its first success after failing is written too.
// While the run waits for the lost host folder, each tick retries it and the export is held; the tick
// that finds it back runs the export, so kept orders go out without anyone asking.
class ProcessingCycle {
public:
    ProcessingCycle(AppContext& context, CycleJobs jobs);

    // Start-up: both intake jobs count their delay from now.
    void markStarted();
    // One tick of the cycle (the caller switches its timer off around it).
    void tick();
    bool busy() const { return m_busy; }
    // The purge asked for outside the cycle (a shorter history): at once, or at the end of the tick that
    // is running now, so it never runs inside another job.
    void purgeNow();

    float lastDatabinProcess() const { return m_sngLastDatabinProcess; }
    float lastScanFolderProcess() const { return m_sngLastScanFolderProcess; }
    bool extractedOnce() const { return m_bExtractedOnce; }

    // The scan interval in seconds, formed as a 16-bit number; an out-of-range product is held at the limit.
    static int scanIntervalSeconds(qint16 fileScanMinutes);

    static constexpr int kFirstPurgeRetrySeconds = 1;
    static constexpr int kLongestPurgeRetrySeconds = 600;

private:
    bool isDue(float last, int delaySeconds) const;
    void reportJobError(const QString& job, const QString& error);
    void runPurge();
    bool purgeRetryDue() const;
    void purgeFailed(const QString& error);
    void purgeSucceeded();

    AppContext& m_ctx;
    CycleJobs m_jobs;
    float m_sngLastDatabinProcess = 0;
    float m_sngLastScanFolderProcess = 0;
    bool m_bExtractedOnce = false;
    bool m_busy = false;
    bool m_purgeRequested = false;
    RetryWait m_purgeRetry{kFirstPurgeRetrySeconds, kLongestPurgeRetrySeconds};
};

} // namespace vrq
