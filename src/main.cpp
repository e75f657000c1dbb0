#include "shell/Application.h"
#include "shell/BatchRunner.h"
#include "shell/CommandLine.h"
#include "shell/HeadlessRunner.h"

#include <QCoreApplication>
#include <QTextStream>

#ifdef VRQ_WITH_UI
#include "ui/WindowMode.h"
#include <QApplication>
#endif

namespace {

int runWindowMode(int argc, char** argv) {
#ifdef VRQ_WITH_UI
    QApplication app(argc, argv);
    vrq::WindowMode mode;
    return mode.run();
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
    case vrq::RunChoice::Service: {
        QCoreApplication app(argc, argv);
        return vrq::HeadlessRunner::runService();
    }
    }
    return -1;
}
