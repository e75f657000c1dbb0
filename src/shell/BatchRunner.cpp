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

// "C:\in\calls.dat", "C:calls.dat" or "\in\calls.dat": a path of the settings' kind.
bool isDrivePath(const QString& text) {
    const bool driveLetter = text.size() >= 2 && text.at(0).isLetter() && text.at(1) == QLatin1Char(':');
    return driveLetter || text.startsWith(QLatin1Char('\\'));
}

// A path from the command line: a drive path of the settings' kind, or a native path as the shell
// meant it (a relative one from the folder the program was started in).
QString commandLinePath(const QString& text, const PathResolver& paths) {
    if (text.isEmpty())
        return {};
    if (isDrivePath(text) && !QFileInfo(text).isAbsolute())
        return paths.resolve(text);
    return QFileInfo(text).absoluteFilePath();
}

QString callText(int callNumber) {
    return QStringLiteral("Call #") + QLatin1Char(' ') + QString::number(callNumber);
}

// Every call found bad on stderr, and why the file failed when it did.
void reportOutcome(const QString& path, const CallLoopOutcome& outcome) {
    QTextStream err(stderr);
    for (const CallFault& fault : outcome.faults)
        err << callText(fault.callNumber) << " was determined to be bad (" << fault.field << ")." << Qt::endl;
    if (!outcome.allStored) {
        err << "The file of calls \"" << path
            << "\" could not be tested to its end: the call store refused its work (see the audit log)."
            << Qt::endl;
        return;
    }
    if (outcome.result)
        return;
    err << "The file of calls \"" << path << "\" failed: ";
    if (outcome.faults.isEmpty())
        err << "its last call is bad." << Qt::endl;
    else
        err << "its last call tested, " << callText(outcome.faults.last().callNumber).toLower()
            << ", is bad (" << outcome.faults.last().field << ")." << Qt::endl;
}

} // namespace

bool BatchRunner::processCommandLineFile(AppContext& ctx, const QString& path) {
    CallSource file;
    if (path.isEmpty() || !file.open(path, CallSource::Access::ReadOnly)) {
        QTextStream(stderr) << "The file of calls \"" << path << "\" cannot be opened." << Qt::endl;
        return false;
    }
    CallFraming framing(ctx, /*validationMode=*/true);
    const CallLoopOutcome outcome = framing.runCallLoop(file, 1);
    file.close();
    // It passes, as a file whose calls all pass does; the person is told that nothing was tested.
    if (framing.callNumbers().isEmpty())
        QTextStream(stderr) << "The file of calls \"" << path << "\" holds no call: nothing was tested."
                            << Qt::endl;
    reportOutcome(path, outcome);
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
