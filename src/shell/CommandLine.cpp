#include "shell/CommandLine.h"

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vrq {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QStringList splitCommandLine(const QString& text, int maxArgs) {
    QStringList args;
    args.append(QString());
    bool inArgument = false;
    bool inQuotes = false;
    for (const QChar c : text) {
        if (isSeparator(c) && !inQuotes) {
            inArgument = false;
            continue;
        }
        if (!inArgument) {
            if (args.size() - 1 >= maxArgs)
                break;
            args.append(QString());
            inArgument = true;
        }
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else
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
    } else if (choice.arguments.at(1) == QLatin1String("--copy-store-to")) {
        choice.run = RunChoice::CopyStore;
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
    // The shell has already taken the quotes off: an argument with blanks is quoted again, so the
    // splitter keeps it whole.
    QStringList parts;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const bool blankOnly = std::all_of(arg.begin(), arg.end(), isSeparator);
        const bool hasSeparator = std::any_of(arg.begin(), arg.end(), isSeparator);
        parts.append(hasSeparator && !blankOnly ? QLatin1Char('"') + arg + QLatin1Char('"') : arg);
    }
    return parts.join(QLatin1Char(' '));
#endif
}

QString usageText() {
    return QStringLiteral(
        "Usage:\n"
        "  vrqtoqx7                  run the resident program with its Calls window\n"
        "  vrqtoqx7 --once           one unattended pass (intake, scan, export, purge) without windows;\n"
        "                            prints one summary line on stdout\n"
        "  vrqtoqx7 --service        the resident cycle without windows, until SIGTERM or SIGINT; prints\n"
        "                            the summary line whenever it changes\n"
        "  vrqtoqx7 WORD FILE        test FILE of calls without storing it. WORD is any word (it is not\n"
        "                            looked at, e.g. \"check\"); FILE may be quoted when it holds blanks,\n"
        "                            and a relative FILE is taken from the folder the program started in.\n"
        "                            A call found bad is named on stderr with its faulty field.\n"
        "                            Exit code 0 when the last call tested passes, 255 (-1) otherwise.\n"
        "  vrqtoqx7 --copy-store-to 'CONNECTION'\n"
        "                            copy the program folder's SQLite store into an empty PostgreSQL\n"
        "                            store (a libpq connection without a password), as the settings'\n"
        "                            [Store] Workstation; the settings are not changed\n"
        "  vrqtoqx7 --help | --version\n"
        "Environment: VRQTOQX7_HOME (program folder), VRQTOQX7_SETTINGS (settings file).\n"
        "Exit codes of --once, --service and window mode:\n"
        "   0  done (--once: every call that could be sent was sent)\n"
        "   1  start-up failed (settings or call store; the message is on stderr); --copy-store-to:\n"
        "      the SQLite store cannot be read, or the connection holds a password\n"
        "  69  --once: calls stay pending because the host folder cannot be reached;\n"
        "      --copy-store-to: the PostgreSQL server cannot be reached\n"
        "  72  --service: the program file was replaced or removed (a package upgrade or removal);\n"
        "      the service stopped so that its manager starts the installed program\n"
        "  73  --copy-store-to: the PostgreSQL store already holds rows of this workstation\n"
        "  74  --once: a step failed (intake, scan, export or purge; see stderr and the audit log);\n"
        "      --copy-store-to: the copy failed or its counts differ, and it was undone\n"
        "  75  another copy runs for the same program folder, or for the same workstation of a\n"
        "      PostgreSQL store (nothing was touched)\n"
        "Summary line: calls good N, bad N; scanned files taken N; order files written N;\n"
        "calls pending N; failed steps N; host folder PATH reachable | away since YYYY-MM-DD HH:MM:SS\n");
}

} // namespace vrq
