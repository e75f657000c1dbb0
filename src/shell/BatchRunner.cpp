#include "shell/BatchRunner.h"

#include "context/AppContext.h"
#include "intake/CallFraming.h"
#include "intake/CallSource.h"
#include "platform/Paths.h"
#include "shell/Application.h"
#include "shell/ConsoleUserInterface.h"

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

} // namespace

bool BatchRunner::processCommandLineFile(AppContext& ctx, const QString& path) {
    CallSource file;
    if (path.isEmpty() || !file.open(path)) {
        QTextStream(stderr) << "The file of calls \"" << path << "\" cannot be opened." << Qt::endl;
        return false;
    }
    CallFraming framing(ctx, /*validationMode=*/true);
    const CallLoopOutcome outcome = framing.runCallLoop(file, 1);
    file.close();
    return outcome.result && outcome.allStored;
}

int BatchRunner::run(const QStringList& arguments) {
    constexpr int kFailed = -1;
    ConsoleUserInterface ui(ConsoleUserInterface::Mode::SinglePass, nullptr);
    Application app(QLatin1Char('B'), ui);
    AppContext& ctx = app.context();
    for (const SettingProblem& problem : app.loadSettings())
        QTextStream(stderr) << problem.describe() << Qt::endl;

    // Taken before the working directory moves to the program folder.
    const QString path = commandLinePath(arguments.value(2), *ctx.paths);
    if (arguments.size() < 3) {
        QTextStream(stderr) << "No file of calls was named: the file is the second argument." << Qt::endl;
        return kFailed;
    }
    QDir::setCurrent(ctx.programFolder);
    if (const Result opened = app.openStore(Application::StoreUpgrade::OnlyWithoutAuditTable); !opened.ok()) {
        QTextStream(stderr) << opened.message << Qt::endl;
        return kFailed;
    }
    return processCommandLineFile(ctx, path) ? 0 : kFailed;
}

} // namespace vrq
