#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace vrq {

// The command line of vrqtoqx7-report, the list of calls for a scheduled, unattended run, or the audit
// log as text:
//   vrqtoqx7-report --from YYYY-MM-DD --to YYYY-MM-DD [--good] [--bad] [--pdf FILE | --printer NAME]
//                   [--workstation N|all]
//   vrqtoqx7-report --audit [--since YYYY-MM-DD] [--type X] [--workstation N|all]
struct ReportCommand {
    QDate from;
    QDate to;
    bool goodCalls = true; // without --good and --bad: the good calls, as the dialog opens
    bool badCalls = false;
    QString pdfFile;     // save the pages as this PDF instead of printing
    QString printerName; // print on this queue instead of the default printer
    bool help = false;
    bool audit = false;           // the audit log instead of the list of calls
    QDate since;                  // audit entries written on or after this day; invalid: all
    QString auditType;            // only the entries of this type letter; empty: all
    int workstation = 0;          // 1-99: the calls or entries of that workstation; 0: of the settings' one
    bool allWorkstations = false; // every workstation's, each line naming its own
};

// The highest workstation number.
constexpr int kMostWorkstations = 99;

struct ReportCommandParse {
    ReportCommand command;
    QString error; // empty when the arguments were understood
    bool ok() const { return error.isEmpty(); }
};

// The arguments after the program's name.
ReportCommandParse parseReportCommand(const QStringList& arguments);

QString reportUsageText();

// Exit codes of vrqtoqx7-report.
namespace ReportExit {
constexpr int kOk = 0;
constexpr int kBadArguments = 2;
constexpr int kStoreUnreadable = 3;
constexpr int kPrintFailed = 4; // no such printer, no default printer, or the PDF cannot be written
} // namespace ReportExit

} // namespace vrq
