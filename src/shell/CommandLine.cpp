#include "shell/CommandLine.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vrq {

QStringList splitCommandLine(const QString& text, int maxArgs) {
    QStringList args;
    args.append(QString());
    bool inArgument = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            inArgument = false;
            continue;
        }
        if (!inArgument) {
            if (args.size() - 1 >= maxArgs)
                break;
            args.append(QString());
            inArgument = true;
        }
        args.last().append(c);
    }
    return args;
}

CommandLineChoice chooseRun(const QString& commandLineText) {
    CommandLineChoice choice;
    choice.arguments = splitCommandLine(commandLineText, 5);
    const qsizetype count = choice.arguments.size() - 1;
    if (count == 0) {
        choice.run = RunChoice::Window;
    } else if (count >= 2) {
        choice.run = RunChoice::Batch;
    } else {
        const QString& option = choice.arguments.at(1);
        if (option == QLatin1String("--help"))
            choice.run = RunChoice::Help;
        else if (option == QLatin1String("--version"))
            choice.run = RunChoice::Version;
        else if (option == QLatin1String("--once"))
            choice.run = RunChoice::Once;
        else if (option == QLatin1String("--service"))
            choice.run = RunChoice::Service;
        else
            choice.run = RunChoice::Usage;
    }
    return choice;
}

QString commandLineText(int argc, char** argv) {
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    // The raw text after the program name, which may itself be quoted.
    QString text = QString::fromWCharArray(GetCommandLineW());
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('"'))) {
        i = text.indexOf(QLatin1Char('"'), 1);
        i = i < 0 ? text.size() : i + 1;
    } else {
        while (i < text.size() && text.at(i) != QLatin1Char(' ') && text.at(i) != QLatin1Char('\t'))
            ++i;
    }
    return text.mid(i);
#else
    QStringList parts;
    for (int i = 1; i < argc; ++i)
        parts.append(QString::fromLocal8Bit(argv[i]));
    return parts.join(QLatin1Char(' '));
#endif
}

QString usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  vrqtoqx7                  run the resident program with its Calls window\n"
        "  vrqtoqx7 --once           one unattended pass (intake, scan, export, purge) without windows\n"
        "  vrqtoqx7 --service        the resident cycle without windows, until SIGTERM or SIGINT\n"
        "  vrqtoqx7 WORD FILE        test FILE of calls without storing it; exit code 0 when it passes\n"
        "  vrqtoqx7 --help | --version\n"
        "Environment: VRQTOQX7_HOME (program folder), VRQTOQX7_SETTINGS (settings file).\n"
        "Exit codes of --once, --service and window mode: 0 done, 1 start-up failed, 75 another copy runs\n"
        "for the same program folder (nothing was touched).\n");
}

} // namespace vrq
