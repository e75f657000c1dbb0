#pragma once

#include <QString>

namespace vrq {

struct AppContext;

// The jobs' one way to change AppContext::status: each change is stamped with the clock where it
// needs a time, and the person's windows hear of it through UserInterface::statusChanged.
namespace runstatus {

// A call was taken in and stored, judged good or bad.
void callTaken(AppContext& ctx, bool good);
// The calls of one committed group, counted at once so that no one who hears of the change sees the
// store holding calls the counts do not have yet.
void callsTaken(AppContext& ctx, int good, int bad);
// A file of the scanned folder was taken (moved to its audit copy).
void scannedFileTaken(AppContext& ctx);
// An order file reached its final name in the host folder.
void orderFileWritten(AppContext& ctx);
// Calls of another workstation were sent by this one (its program had stopped, or it shares the work).
void othersCallsSent(AppContext& ctx, int workstation, int count);
// A step ended with an error (not the host folder being away).
void stepFailed(AppContext& ctx);
// The host folder was found missing; the first call of an outage keeps its time.
void hostFolderLost(AppContext& ctx, const QString& folder);
// The host folder is there; ends an outage.
void hostFolderReached(AppContext& ctx, const QString& folder);
// A job stopped at the lost host folder with nothing holding it (true), or the folder is back (false).
void waitingForHost(AppContext& ctx, bool waiting);
// The purge failed with this error, or (empty) succeeded.
void purgeFailing(AppContext& ctx, const QString& error);
// DataBin.Dat cannot be opened for this reason, or (empty) it can.
void dataBinFailing(AppContext& ctx, const QString& error);
// The store keeps no writes for this reason (see storeRefusalText), or (empty) it does again. The start of
// a refusal is a failed step and a fault the person hears of at once (stderr, and a message in window
// mode): an entry for the log would be refused too. Its end is an "I" entry.
void storeRefusing(AppContext& ctx, const QString& reason);
// The store's server does not answer (reason), while the program tries it again. Its start is a failed
// step, said on stderr and in an "E" entry (which the audit log keeps aside until the server answers),
// but never with a message: the windows stay free while the outage lasts. Its end is storeRefusing with
// an empty reason.
void storeAway(AppContext& ctx, const QString& reason);
// "No call is taken in or sent: REASON."
QString storeRefusalText(const QString& reason);

} // namespace runstatus

} // namespace vrq
