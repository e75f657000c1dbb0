#include "report/ReportCommandLine.h"

#include "store/AuditType.h"

#include <QRegularExpression>

namespace vrq {

namespace {

// A date in exactly the form YYYY-MM-DD that names a real day.
QDate dateArgument(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!form.match(text).hasMatch())
        return {};
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

// The type letter as stored ("e" is "E"), or empty when no kind of entry has it.
QString auditTypeArgument(const QString& text) {
    for (AuditType type : allAuditTypes())
        if (auditTypeLetter(type).compare(text, Qt::CaseInsensitive) == 0)
            return auditTypeLetter(type);
    return {};
}

// --workstation: a number 1-99, or "all" (0 in workstation).
bool workstationArgument(const QString& text, ReportCommand& c) {
    if (text.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        c.allWorkstations = true;
        return true;
    }
    static const QRegularExpression digits(QStringLiteral("^\\d{1,2}$"));
    const int number = digits.match(text).hasMatch() ? text.toInt() : 0;
    if (number < 1 || number > kMostWorkstations)
        return false;
    c.workstation = number;
    return true;
}

QString auditTypeLetters() {
    QStringList letters;
    for (AuditType type : allAuditTypes())
        letters << auditTypeLetter(type);
    return letters.join(QStringLiteral(", "));
}

// The options of the audit log: the list of calls' options are refused beside them.
ReportCommandParse finishAuditCommand(ReportCommandParse parse, const QString& sinceText,
                                      const QString& typeText, const QStringList& listOptions) {
    ReportCommand& c = parse.command;
    if (!listOptions.isEmpty()) {
        parse.error = QStringLiteral("%1 cannot be given with --audit.").arg(listOptions.first());
        return parse;
    }
    if (!sinceText.isEmpty()) {
        c.since = dateArgument(sinceText);
        if (!c.since.isValid())
            parse.error =
                QStringLiteral("--since \"%1\" is not a date in the form YYYY-MM-DD.").arg(sinceText);
    }
    if (!typeText.isEmpty() && parse.ok()) {
        c.auditType = auditTypeArgument(typeText);
        if (c.auditType.isEmpty())
            parse.error =
                QStringLiteral("--type \"%1\" is not a type letter (%2).").arg(typeText, auditTypeLetters());
    }
    return parse;
}

} // namespace

ReportCommandParse parseReportCommand(const QStringList& arguments) {
    ReportCommandParse parse;
    ReportCommand& c = parse.command;
    QString fromText;
    QString toText;
    QString sinceText;
    QString typeText;
    QString workstationText;
    QStringList listOptions; // the list of calls' options given, for the audit log's refusal
    bool boxGiven = false;
    auto fail = [&parse](const QString& error) {
        parse.error = error;
        return parse;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            c.help = true;
            return parse;
        }
        if (option == QLatin1String("--audit")) {
            c.audit = true;
            continue;
        }
        if (option == QLatin1String("--good") || option == QLatin1String("--bad")) {
            listOptions << option;
            if (!boxGiven)
                c.goodCalls = false;
            boxGiven = true;
            (option == QLatin1String("--good") ? c.goodCalls : c.badCalls) = true;
            continue;
        }
        QString* value = option == QLatin1String("--from")          ? &fromText
                         : option == QLatin1String("--to")          ? &toText
                         : option == QLatin1String("--pdf")         ? &c.pdfFile
                         : option == QLatin1String("--printer")     ? &c.printerName
                         : option == QLatin1String("--since")       ? &sinceText
                         : option == QLatin1String("--type")        ? &typeText
                         : option == QLatin1String("--workstation") ? &workstationText
                                                                    : nullptr;
        if (!value)
            return fail(QStringLiteral("Unknown argument \"%1\".").arg(option));
        if (value != &sinceText && value != &typeText && value != &workstationText)
            listOptions << option;
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return fail(QStringLiteral("%1 needs a value.").arg(option));
        if (!value->isEmpty())
            return fail(QStringLiteral("%1 is given twice.").arg(option));
        *value = arguments[++i];
    }
    if (!workstationText.isEmpty() && !workstationArgument(workstationText, c))
        return fail(QStringLiteral("--workstation \"%1\" is neither a workstation number (1-%2) nor \"all\".")
                        .arg(workstationText)
                        .arg(kMostWorkstations));
    if (c.audit)
        return finishAuditCommand(parse, sinceText, typeText, listOptions);
    if (!sinceText.isEmpty() || !typeText.isEmpty())
        return fail(QStringLiteral("%1 is an option of --audit.")
                        .arg(sinceText.isEmpty() ? QStringLiteral("--type") : QStringLiteral("--since")));
    if (fromText.isEmpty() || toText.isEmpty())
        return fail(QStringLiteral("Both --from and --to are needed."));
    c.from = dateArgument(fromText);
    if (!c.from.isValid())
        return fail(QStringLiteral("--from \"%1\" is not a date in the form YYYY-MM-DD.").arg(fromText));
    c.to = dateArgument(toText);
    if (!c.to.isValid())
        return fail(QStringLiteral("--to \"%1\" is not a date in the form YYYY-MM-DD.").arg(toText));
    if (c.from > c.to)
        return fail(QStringLiteral("--from %1 is after --to %2.").arg(fromText, toText));
    if (!c.pdfFile.isEmpty() && !c.printerName.isEmpty())
        return fail(QStringLiteral("--pdf and --printer cannot be given together."));
    return parse;
}

QString reportUsageText() {
    return QStringLiteral(
        "Usage: vrqtoqx7-report --from YYYY-MM-DD --to YYYY-MM-DD [--good] [--bad] [--pdf FILE | --printer "
        "NAME]\n"
        "                       [--workstation N|all]\n"
        "       vrqtoqx7-report --audit [--since YYYY-MM-DD] [--type X] [--workstation N|all]\n"
        "Prints the list of calls made from the start of the From day to the end of the To day, with their\n"
        "orders, as the List of Calls dialog does. --good and --bad choose the calls listed (the good calls\n"
        "when neither is given). The pages go to the default printer, to the printer NAME, or into the PDF\n"
        "FILE.\n"
        "--audit prints the audit log as text, one entry a line (when written, type letter, message), "
        "oldest\n"
        "first so the newest entries end next to the prompt: all of it, or the entries written since the\n"
        "start of the --since day, of one --type letter (1 started, 0 stopped, I information, W warning,\n"
        "F input file fault, E error, C lock cleared, G good call, B bad call, P properties, L connection\n"
        "lost, X sent to the host, V validated).\n"
        "--workstation reads the calls or entries of workstation N (1-99) of a PostgreSQL store, or of all\n"
        "of them with \"all\", each call line then ending with its workstation; without it, those of the\n"
        "workstation the settings name. A store in a file is workstation 1 alone.\n"
        "The store of the program folder is only read.\n"
        "Environment: VRQTOQX7_HOME (program folder), VRQTOQX7_SETTINGS (settings file).\n"
        "Exit codes: 0 printed (or listed), 2 bad arguments, 3 the store cannot be read, 4 the printer or "
        "the "
        "PDF failed.\n");
}

} // namespace vrq
