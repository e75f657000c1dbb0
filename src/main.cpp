#include "shell/Application.h"
#include "shell/BatchRunner.h"
#include "shell/CommandLine.h"
#include "shell/HeadlessRunner.h"
#include "shell/StoreCopyRunner.h"

#include <QCoreApplication>
#include <QTextStream>

#ifdef VRQ_WITH_UI
#include "WindowModule.h"
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>
#endif

namespace {

#ifdef VRQ_WITH_UI
// Beside the program in the build folder; in its folder of the library tree once installed.
QStringList windowModulePlaces() {
    const QString programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return {programFolder + QStringLiteral("/" VRQ_WINDOW_MODULE_NAME),
            QDir::cleanPath(programFolder +
                            QStringLiteral("/" VRQ_WINDOW_MODULE_INSTALLED_DIR "/" VRQ_WINDOW_MODULE_NAME))};
}
#endif

int runWindowMode(int argc, char** argv) {
#ifdef VRQ_WITH_UI
    const QStringList places = windowModulePlaces();
    for (const QString& place : places) {
        if (!QFileInfo::exists(place))
            continue;
        QLibrary module(place);
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        using Entry = int (*)(int, char**);
        if (const auto entry = reinterpret_cast<Entry>(module.resolve(VRQ_WINDOW_MODULE_ENTRY)))
            return entry(argc, argv);
        QTextStream(stderr) << "The windows of VRQToQX7 cannot be loaded: " << module.errorString()
                            << "\nThe program still runs without them: --once or --service.\n";
        return -1;
    }
    QTextStream(stderr) << "The windows of VRQToQX7 are not installed (" << places.join(QStringLiteral(", "))
                        << " not found).\nThe program still runs without them: --once or --service.\n";
    return -1;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    QTextStream(stderr) << "This build has no windows; use --once or --service.\n" << vrq::usageText();
    return -1;
#endif
}

} // namespace

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
    // Without TZ the C library checks /etc/localtime for every local time it builds, which dominates
    // reading a large call store; a change of the time zone is then seen at the next start.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
#endif
    const vrq::CommandLineChoice choice = vrq::chooseRun(vrq::commandLineText(argc, argv));
    switch (choice.run) {
    case vrq::RunChoice::Window:
        return runWindowMode(argc, argv);
    case vrq::RunChoice::Help:
        QTextStream(stdout) << vrq::usageText();
        return 0;
    case vrq::RunChoice::Version:
        QTextStream(stdout) << "VRQToQX7 " << vrq::Application::versionText() << Qt::endl;
        return 0;
    case vrq::RunChoice::Usage:
        QTextStream(stderr) << "Unknown option " << choice.arguments.value(1) << ".\n" << vrq::usageText();
        return -1;
    case vrq::RunChoice::Batch: {
        QCoreApplication app(argc, argv);
        return vrq::BatchRunner::run(choice.arguments);
    }
    case vrq::RunChoice::Once: {
        QCoreApplication app(argc, argv);
        return vrq::HeadlessRunner::runOnce();
    }
    case vrq::RunChoice::CopyStore: {
        QCoreApplication app(argc, argv);
        return vrq::StoreCopyRunner::run(choice.arguments);
    }
    case vrq::RunChoice::Service: {
        QCoreApplication app(argc, argv);
        return vrq::HeadlessRunner::runService();
    }
    }
    return -1;
}
