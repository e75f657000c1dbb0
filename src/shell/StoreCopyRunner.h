#pragma once

#include <QString>
#include <QStringList>

namespace vrq {

// `vrqtoqx7 --copy-store-to CONNECTION`: copies the program folder's SQLite store into an empty
// PostgreSQL store, as the workstation the settings name, and says what it did. The settings are not
// changed: switching the program to the PostgreSQL store is the person's step.
class StoreCopyRunner {
public:
    // What a copy printed and its exit code (one of ExitCode).
    struct Report {
        int exitCode = 0;
        QString output; // stdout
        QString errors; // stderr
    };

    // The whole run from the command line's arguments (as chooseRun split them): the folder lock, the
    // settings, the copy; prints the report and gives the exit code.
    static int run(const QStringList& arguments);
    // The copy of the store in programFolder into the store the connection names, as workstation.
    static Report copy(const QString& programFolder, int workstation, const QString& connection);
};

} // namespace vrq
