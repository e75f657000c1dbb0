#include "shell/HeadlessRunner.h"

#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleUserInterface.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace vrq {

namespace {

std::atomic_bool g_stopRequested{false};

extern "C" void requestStop(int) {
    g_stopRequested.store(true);
}

void installStopHandlers() {
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
}

// One resident copy per program folder: a pass or service that finds the folder taken says so and
// touches nothing.
bool lockFolderOrReport(FolderLock& lock, const QString& mode) {
    if (lock.tryLock(mode))
        return true;
    QTextStream(stderr) << lock.error() << " Nothing was done." << Qt::endl;
    return false;
}

bool startOrReport(Application& app) {
    const Result started = app.startUp();
    if (started.ok())
        return true;
    QTextStream(stderr) << started.message << Qt::endl;
    return false;
}

} // namespace

int HeadlessRunner::runOnce() {
    FolderLock lock(programFolder());
    if (!lockFolderOrReport(lock, QStringLiteral("once")))
        return ExitCode::FolderInUse;
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::SinglePass, nullptr);
    Application app(QLatin1Char('F'), ui);
    app.keepScanListingBetweenRuns();
    if (!startOrReport(app))
        return ExitCode::StartFailed;
    AppContext& ctx = app.context();
    if (ctx.settings.EnableCalls)
        app.runDataBinIntake();
    if (ctx.settings.EnableFiles) {
        const Result scanned = app.runFolderScan();
        if (!scanned.ok())
            ctx.ui->showMessage(scanned.message);
    }
    app.runExport();
    if (ctx.settings.LastDatePurged.date() != ctx.clock->now().date()) {
        const Result purged = app.runPurge();
        if (!purged.ok())
            ctx.ui->showMessage(purged.message);
    }
    app.shutDown();
    return ExitCode::Ok;
}

int HeadlessRunner::runService() {
    FolderLock lock(programFolder());
    if (!lockFolderOrReport(lock, QStringLiteral("service")))
        return ExitCode::FolderInUse;
    installStopHandlers();
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::Service, &g_stopRequested);
    Application app(QLatin1Char('F'), ui);
    if (!startOrReport(app))
        return ExitCode::StartFailed;
    app.cycle().markStarted();
    app.runDataBinIntake();

    QTimer waitTimer;
    waitTimer.setInterval(1000);
    QObject::connect(&waitTimer, &QTimer::timeout, [&] {
        waitTimer.stop();
        app.cycle().tick();
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
    return ExitCode::Ok;
}

} // namespace vrq
