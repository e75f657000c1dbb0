#include "shell/BatchRunner.h"

#include "audit/AuditLog.h"
#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "intake/CallStore.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "shell/AppContext.h"
#include "shell/ConsoleUserInterface.h"
#include "shell/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace vrq {

namespace {

// A path from the command line: as the shell meant it (relative to where the program was started),
// or a drive path of the settings' kind.
QString commandLinePath(const QString& text, const PathResolver& paths) {
    if (text.isEmpty())
        return {};
    const QFileInfo asGiven(text);
    if (asGiven.isAbsolute() || asGiven.exists())
        return asGiven.absoluteFilePath();
    return paths.resolve(text);
}

// Clears validation mode however the run ends.
struct ValidationScope {
    explicit ValidationScope(AppContext& ctx) : ctx(ctx) { ctx.validationMode = true; }
    ~ValidationScope() { ctx.validationMode = false; }
    AppContext& ctx;
};

} // namespace

bool BatchRunner::ProcessCommandLineFile(AppContext& ctx, const QString& path) {
    ValidationScope validating(ctx);
    CallSource file;
    if (path.isEmpty() || !file.open(path)) {
        QTextStream(stderr) << "The file of calls \"" << path << "\" cannot be opened." << Qt::endl;
        return false;
    }
    CallFraming framing(ctx);
    const CallLoopOutcome outcome = framing.runCallLoop(file, 1);
    file.close();
    return outcome.result && outcome.allStored;
}

int BatchRunner::run(const QStringList& arguments) {
    constexpr int kFailed = -1;
    SystemClock clock;
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::SinglePass, nullptr);
    std::unique_ptr<SettingsBackend> backend = SettingsBackend::openDefault();
    SettingsStore settingsStore(*backend, clock);
    settingsStore.reportSaveFailuresTo([&ui](const QString& message) { ui.reportFault(message); });

    AppContext ctx;
    ctx.runMode = QLatin1Char('B');
    ctx.clock = &clock;
    ctx.ui = &ui;
    ctx.fs = &realFileSystem();
    ctx.settingsStore = &settingsStore;
    ctx.programFolder = programFolder();
    PathResolver paths(ctx.programFolder, backend->driveMap());
    ctx.paths = &paths;
    for (const SettingProblem& problem : settingsStore.LoadFromRegistry(ctx.settings))
        QTextStream(stderr) << problem.describe() << Qt::endl;

    // Taken before the working directory moves to the program folder.
    const QString path = commandLinePath(arguments.value(2), paths);
    if (arguments.size() < 3) {
        QTextStream(stderr) << "No file of calls was named: the file is the second argument." << Qt::endl;
        return kFailed;
    }
    QDir::setCurrent(ctx.programFolder);
    QString error;
    std::unique_ptr<CallStore> store =
        CallStore::open(QDir(ctx.programFolder).filePath(QString::fromLatin1(CallStore::kFileName)), &error);
    if (!store) {
        QTextStream(stderr) << "The call store cannot be opened: " << error << Qt::endl;
        return kFailed;
    }
    // A store that was never started in window mode lacks the audit table this run writes to.
    if (store->columnsOf(QStringLiteral("Audit")).isEmpty())
        store->DataConversions();
    AuditLog audit(*store, clock, ctx.runMode);
    ctx.store = store.get();
    ctx.audit = &audit;

    const bool passed = ProcessCommandLineFile(ctx, path);
    ctx.store = nullptr;
    return passed ? 0 : kFailed;
}

} // namespace vrq
