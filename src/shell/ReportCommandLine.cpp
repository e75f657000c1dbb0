#include "shell/ReportCommandLine.h"

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

} // namespace

ReportCommandParse parseReportCommand(const QStringList& arguments) {
    ReportCommandParse parse;
    ReportCommand& c = parse.command;
    QString fromText;
    QString toText;
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
        if (option == QLatin1String("--good") || option == QLatin1String("--bad")) {
            if (!boxGiven)
                c.goodCalls = false;
            boxGiven = true;
            (option == QLatin1String("--good") ? c.goodCalls : c.badCalls) = true;
            continue;
        }
        QString* value = option == QLatin1String("--from")      ? &fromText
                         : option == QLatin1String("--to")      ? &toText
                         : option == QLatin1String("--pdf")     ? &c.pdfFile
                         : option == QLatin1String("--printer") ? &c.printerName
                                                                : nullptr;
        if (!value)
            return fail(QStringLiteral("Unknown argument \"%1\".").arg(option));
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return fail(QStringLiteral("%1 needs a value.").arg(option));
        if (!value->isEmpty())
            return fail(QStringLiteral("%1 is given twice.").arg(option));
        *value = arguments[++i];
    }
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
        "Prints the list of calls made from the start of the From day to the end of the To day, with their\n"
        "orders, as the List of Calls dialog does. --good and --bad choose the calls listed (the good calls\n"
        "when neither is given). The pages go to the default printer, to the printer NAME, or into the PDF\n"
        "FILE. The store of the program folder is only read.\n"
        "Environment: VRQTOQX7_HOME (program folder), VRQTOQX7_SETTINGS (settings file).\n"
        "Exit codes: 0 printed, 2 bad arguments, 3 the store cannot be read, 4 the printer or the PDF "
        "failed.\n");
}

} // namespace vrq
