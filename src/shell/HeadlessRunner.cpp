#include "shell/HeadlessRunner.h"

#include "context/StatusUpdates.h"
#include "intake/DataBinIntake.h"
#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "platform/ProgramFile.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleUserInterface.h"
#include "shell/RunSummary.h"
#include "store/AuditLog.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace vrq {

namespace {

std::atomic_bool g_stopRequested{false};

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The first stop signal asks for the normal shutdown; a second one ends the process at once, as the
// signal does by default, should the step under way not finish.
extern "C" void requestStop(int) {
    g_stopRequested.store(true);
    for (int stopSignal : kStopSignals)
        std::signal(stopSignal, SIG_DFL);
}

// A terminal closing (SIGHUP) stops the program as SIGTERM and SIGINT do; nothing is reloaded.
void installStopHandlers() {
    for (int stopSignal : kStopSignals)
        std::signal(stopSignal, requestStop);
}

bool stopRequested() {
    return g_stopRequested.load();
}

// One resident copy per program folder: a pass or service that finds the folder taken says so and
// touches nothing (exit 75, try again later). A lock file that cannot be made (a program folder this
// user cannot write) is a failed start (exit 1) with the reason.
int lockFolderOrReport(FolderLock& lock, const QString& mode) {
    if (lock.tryLock(mode))
        return ExitCode::kOk;
    QTextStream(stderr) << lock.error() << " Nothing was done." << Qt::endl;
    return lock.heldByAnotherCopy() ? ExitCode::kFolderInUse : ExitCode::kStartFailed;
}

// A step of the single pass that failed: stderr, an "E" entry as the cycle writes it, and the count.
void reportStepError(AppContext& ctx, const QString& step, const Result& result) {
    if (result.ok())
        return;
    const QString text = step + QStringLiteral(" error: ") + result.message;
    QTextStream(stderr) << text << Qt::endl;
    if (ctx.audit)
        ctx.audit->write(AuditType::Error, text);
    runstatus::stepFailed(ctx);
}

RunSummary summarize(AppContext& ctx) {
    RunSummary summary;
    summary.status = ctx.status;
    Result counted;
    const int pending = ctx.store->calls().pendingCallCount(&counted);
    if (counted.ok())
        summary.pendingCalls = pending;
    return summary;
}

// An upgrade or removal of the package replaced the program file under the running service. Running on
// would keep the old version (or one whose files are gone) at work: the service says so on stderr, which
// the journal keeps, and in the audit log, and stops as on a stop signal.
bool stopIfProgramFileGone(AppContext& ctx, const ProgramFile& programFile) {
    const std::optional<QString> path = programFile.replacedOrRemoved();
    if (!path)
        return false;
    const QString text =
        QStringLiteral("The program file %1 was replaced or removed while the service ran; it "
                       "stops so that the installed program is started.")
            .arg(*path);
    QTextStream(stderr) << text << Qt::endl;
    if (ctx.audit)
        ctx.audit->write(AuditType::Warning, text);
    g_stopRequested.store(true);
    return true;
}

// The start's exit code: a start refused because another copy holds this workstation of a shared store
// is the same "try again later" as another copy on the program folder.
int startOrReport(Application& app) {
    const Result started = app.startUp();
    if (started.ok())
        return ExitCode::kOk;
    QTextStream(stderr) << started.message << (started.isInUse() ? " Nothing was done." : "") << Qt::endl;
    return started.isInUse() ? ExitCode::kFolderInUse : ExitCode::kStartFailed;
}

} // namespace

int HeadlessRunner::runOnce() {
    FolderLock lock(programFolder());
    if (const int refused = lockFolderOrReport(lock, QStringLiteral("once")); refused != ExitCode::kOk)
        return refused;
    // A stop signal lets the step under way finish and skips the others; the shutdown is the usual one.
    installStopHandlers();
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::SinglePass, nullptr);
    Application app(QLatin1Char('F'), ui);
    app.keepScanListingBetweenRuns();
    if (const int refused = startOrReport(app); refused != ExitCode::kOk)
        return refused;
    AppContext& ctx = app.context();
    if (ctx.settings.enableCalls && !stopRequested())
        app.runDataBinIntake();
    if (!ctx.status.dataBinError.isEmpty())
        QTextStream(stderr) << DataBinIntake::openFailureText(ctx.status.dataBinError) << Qt::endl;
    if (ctx.settings.enableFiles && !stopRequested())
        reportStepError(ctx, QStringLiteral("ScanFolder"), app.runFolderScan());
    if (!stopRequested())
        app.runExport();
    if (ctx.settings.lastDatePurged.date() != ctx.clock->now().date() && !stopRequested())
        reportStepError(ctx, QStringLiteral("PurgeCalls"), app.runPurge());
    if (!stopRequested())
        app.checkHostFolder();
    const RunSummary summary = summarize(ctx);
    app.shutDown();
    QTextStream(stdout) << summary.line() << Qt::endl;
    return summary.exitCode();
}

int HeadlessRunner::runService() {
    FolderLock lock(programFolder());
    if (const int refused = lockFolderOrReport(lock, QStringLiteral("service")); refused != ExitCode::kOk)
        return refused;
    installStopHandlers();
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::Service, &g_stopRequested);
    Application app(QLatin1Char('F'), ui);
    if (const int refused = startOrReport(app); refused != ExitCode::kOk)
        return refused;
    app.cycle().markStarted();
    app.runDataBinIntake();

    app.checkHostFolder();
    QString lastLine;
    // The summary line after a tick that changed something, so an idle service stays quiet.
    const auto printChangedSummary = [&] {
        if (!ui.takeStatusChanged())
            return;
        const QString line = summarize(app.context()).line();
        if (line != lastLine)
            QTextStream(stdout) << line << Qt::endl;
        lastLine = line;
    };
    printChangedSummary();

    // Checked after every tick, so the file is looked at once a second.
    const ProgramFile programFile;
    bool programFileGone = false;
    QTimer waitTimer;
    waitTimer.setInterval(1000);
    QObject::connect(&waitTimer, &QTimer::timeout, [&] {
        waitTimer.stop();
        app.cycle().tick();
        printChangedSummary();
        if (!programFileGone)
            programFileGone = stopIfProgramFileGone(app.context(), programFile);
        if (!g_stopRequested.load())
            waitTimer.start();
    });
    QTimer stopWatch;
    stopWatch.setInterval(100);
    QObject::connect(&stopWatch, &QTimer::timeout, [&] {
        if (g_stopRequested.load() && !app.cycle().busy())
            QCoreApplication::quit();
    });
    waitTimer.start();
    stopWatch.start();
    QCoreApplication::exec();
    app.shutDown();
    return programFileGone ? ExitCode::kProgramFileGone : ExitCode::kOk;
}

} // namespace vrq
