#pragma once

#include "context/RunStatus.h"
#include "store/StoreRecords.h"

#include <QColor>
#include <QDateTime>
#include <QPixmap>
#include <QString>
#include <vector>

namespace vrq {

// Where the run stands at a glance; a store that keeps no writes outweighs a lost host folder, which
// outweighs calls kept waiting, which outweigh a host folder not tested yet, which outweighs bad calls.
enum class RunState {
    StoreRefused, // the store keeps no writes: no call is taken in or sent
    Flowing,      // orders go out
    Away,         // the host folder is lost: orders are kept here
    CallsWaiting, // DataBin.Dat cannot be opened: its calls are not taken
    BadToday,     // orders go out, but calls were bad today
    NotChecked,   // the host folder has not been tested yet: whether orders can go out is not known
};

// The run's status put into words and a colour for the status line and the tray icon: what they show
// is decided here, so both say the same and tests read it without a window.
class StatusSummary {
public:
    StatusSummary(const RunStatus& status, const DayCallCounts& today, const QDateTime& now);

    RunState state() const;
    QColor stateColour() const;
    // "Today: 12 good, 1 bad"
    QString countsText() const;
    // "Last intake 14:05", "Last export 14:06"; "none yet" before the first.
    QString intakeText() const;
    QString exportText() const;
    // "Host folder I:\QX7Com\ reachable", "Host folder I:\QX7Com\ away since 14:05", or before the first
    // test of the folder "Host folder I:\QX7Com\ not checked yet"
    QString hostText() const;
    // No host folder is set (a blank MXR Folder): every order waits, as when the folder is away.
    bool hostNotSet() const { return m_status.hostFolder.trimmed().isEmpty(); }
    // "DataBin.Dat cannot be opened: ..." while it cannot, else empty.
    QString dataBinText() const;
    // "No call is taken in or sent: ..." while the store keeps no writes, else empty.
    QString storeText() const;
    // "Purge failing: ..." while the purge keeps failing, else empty.
    QString purgeText() const;
    // The status line: one line per topic.
    QString lineText() const;
    // The tray icon's tool tip: the program and what matters most now.
    QString trayToolTip() const;

    const RunStatus& status() const { return m_status; }
    const DayCallCounts& today() const { return m_today; }
    const QDateTime& now() const { return m_now; }

private:
    // "14:05" today, "03/10 14:05" on another day.
    QString timeText(const QDateTime& when) const;

    RunStatus m_status;
    DayCallCounts m_today;
    QDateTime m_now;
};

// A desktop notification worth sending.
struct StatusNotice {
    QString title;
    QString text;
    bool warning = false;
};

// What changed between two summaries that the person should hear of: the host folder lost or back,
// and a bad call arrived.
std::vector<StatusNotice> noticesBetween(const StatusSummary& before, const StatusSummary& after);

// A filled circle in the state's colour, for the status line and the tray.
QPixmap statePicture(const QColor& colour, int size);

} // namespace vrq
