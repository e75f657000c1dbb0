#pragma once

#include <QString>
#include <QStringList>

namespace vrq {

// Splits a command line on blanks and tabs into at most maxArgs arguments. Element 0 is always empty.
// Blanks and tabs between quotation marks belong to the argument; the quotation marks are dropped.
QStringList splitCommandLine(const QString& text, int maxArgs);

// Exit codes of the program's own modes, for cron and service managers.
namespace ExitCode {
constexpr int kOk = 0;
constexpr int kStartFailed = 1;
// Another copy (window, service or a pass) runs for the same program folder; nothing was touched.
// The number is the usual "temporary failure, try again later".
constexpr int kFolderInUse = 75;
// The service's own program file was replaced or removed while it ran (a package upgrade or removal):
// it stopped so that the service manager starts the installed program ("system file missing").
constexpr int kProgramFileGone = 72;
// A single pass left calls pending because the host folder cannot be reached ("service unavailable").
constexpr int kHostFolderAway = 69;
// A step of a single pass failed: the store, a file or a setting ("input/output error"). Also a copy of
// the store that failed and was undone.
constexpr int kStepFailed = 74;
// A copy of the store: the PostgreSQL server cannot be reached ("service unavailable").
constexpr int kStoreServerAway = 69;
// A copy of the store: the PostgreSQL store already holds rows of this workstation, so nothing was
// copied ("cannot create output").
constexpr int kTargetNotEmpty = 73;
} // namespace ExitCode

enum class RunChoice { Window, Batch, Help, Version, Once, Service, CopyStore, Usage };

struct CommandLineChoice {
    RunChoice run = RunChoice::Window;
    QStringList arguments; // as splitCommandLine gave them
};

// No arguments: window mode; two or more: batch mode; exactly one: one of the program's own options.
// --copy-store-to first is the copy of the store, whatever follows (its runner checks the rest).
CommandLineChoice chooseRun(const QString& commandLineText);

// The command-line text after the program name: the raw text on Windows, the arguments joined by
// single blanks elsewhere (an argument with blanks in quotation marks).
QString commandLineText(int argc, char** argv);

QString usageText();

} // namespace vrq
