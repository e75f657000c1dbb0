// vrqtoqx7-report: the list of calls and the audit log from the command line, for scheduled reports and
// headless sites. A program of its own, so the main program's command line stays as it is.
#include "platform/Clock.h"
#include "report/ListOfCallsCommand.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
#ifdef Q_OS_UNIX
    // It never shows a window: without a display it paints off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const vrq::SystemClock clock;
    return vrq::runListOfCallsCommand(arguments, clock, out, err);
}
