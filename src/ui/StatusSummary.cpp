#include "ui/StatusSummary.h"

#include <QPainter>
#include <QStringList>

namespace vrq {

StatusSummary::StatusSummary(const RunStatus& status, const DayCallCounts& today, const QDateTime& now)
    : m_status(status), m_today(today), m_now(now) {}

RunState StatusSummary::state() const {
    if (!m_status.storeError.isEmpty())
        return RunState::StoreRefused;
    if (m_status.hostAway() || hostNotSet())
        return RunState::Away;
    if (!m_status.dataBinError.isEmpty())
        return RunState::CallsWaiting;
    if (!m_status.hostChecked)
        return RunState::NotChecked;
    if (m_today.bad > 0)
        return RunState::BadToday;
    return RunState::Flowing;
}

QColor StatusSummary::stateColour() const {
    switch (state()) {
    case RunState::StoreRefused:
    case RunState::Away:
        return QColor(200, 0, 0);
    case RunState::CallsWaiting:
    case RunState::BadToday:
        return QColor(240, 160, 0);
    case RunState::NotChecked:
        return QColor(150, 150, 150);
    case RunState::Flowing:
        break;
    }
    return QColor(0, 170, 0);
}

QString StatusSummary::timeText(const QDateTime& when) const {
    if (when.date() == m_now.date())
        return when.toString(QStringLiteral("HH:mm"));
    return when.toString(QStringLiteral("MM/dd HH:mm"));
}

QString StatusSummary::countsText() const {
    return QStringLiteral("Today: %1 good, %2 bad").arg(m_today.good).arg(m_today.bad);
}

QString StatusSummary::intakeText() const {
    if (!m_status.lastIntake.isValid())
        return QStringLiteral("Last intake: none yet");
    return QStringLiteral("Last intake %1").arg(timeText(m_status.lastIntake));
}

QString StatusSummary::exportText() const {
    if (!m_status.lastExport.isValid())
        return QStringLiteral("Last export: none yet");
    QString text = QStringLiteral("Last export %1").arg(timeText(m_status.lastExport));
    if (m_status.othersCallsSent > 0)
        text += QStringLiteral(" (%1 call(s) of other workstations sent, the last of workstation %2)")
                    .arg(m_status.othersCallsSent)
                    .arg(m_status.lastOtherWorkstation);
    return text;
}

QString StatusSummary::hostText() const {
    if (hostNotSet())
        return QStringLiteral("Host folder not set: orders wait until the MXR Folder is set in Properties");
    if (m_status.hostAway())
        return QStringLiteral("Host folder %1 away since %2")
            .arg(m_status.hostFolder, timeText(m_status.hostAwaySince));
    if (!m_status.hostChecked)
        return QStringLiteral("Host folder %1 not checked yet").arg(m_status.hostFolder);
    return QStringLiteral("Host folder %1 reachable").arg(m_status.hostFolder);
}

QString StatusSummary::purgeText() const {
    if (m_status.purgeError.isEmpty())
        return {};
    return QStringLiteral("Purge failing: %1").arg(m_status.purgeError);
}

QString StatusSummary::dataBinText() const {
    if (m_status.dataBinError.isEmpty())
        return {};
    return QStringLiteral("DataBin.Dat cannot be opened: %1").arg(m_status.dataBinError);
}

QString StatusSummary::storeText() const {
    if (m_status.storeError.isEmpty())
        return {};
    return QStringLiteral("No call is taken in or sent: %1").arg(m_status.storeError);
}

QString StatusSummary::lineText() const {
    // The counts and the times on lines of their own: together they are wider than the Calls window.
    QStringList lines{countsText() + QLatin1Char('.'),
                      intakeText() + QStringLiteral(". ") + exportText() + QLatin1Char('.'),
                      hostText() + QLatin1Char('.')};
    for (const QString& fault : {storeText(), dataBinText(), purgeText()})
        if (!fault.isEmpty())
            lines << fault;
    return lines.join(QLatin1Char('\n'));
}

QString StatusSummary::trayToolTip() const {
    QString state;
    switch (this->state()) {
    case RunState::StoreRefused:
        state = QStringLiteral("no call is taken in or sent: the call store keeps no writes");
        break;
    case RunState::Away:
        state = hostNotSet()
                    ? QStringLiteral("host folder not set")
                    : QStringLiteral("host folder away since %1").arg(timeText(m_status.hostAwaySince));
        break;
    case RunState::CallsWaiting:
        state = QStringLiteral("calls wait: DataBin.Dat cannot be opened");
        break;
    case RunState::NotChecked:
        state = QStringLiteral("host folder not checked yet");
        break;
    case RunState::BadToday:
        state = QStringLiteral("orders flowing; %1 bad call%2 today")
                    .arg(m_today.bad)
                    .arg(m_today.bad == 1 ? QString() : QStringLiteral("s"));
        break;
    case RunState::Flowing:
        state = QStringLiteral("orders flowing");
        break;
    }
    QString tip = QStringLiteral("VRQToQX7: ") + state;
    if (!m_status.purgeError.isEmpty())
        tip += QStringLiteral("\npurge failing");
    return tip;
}

std::vector<StatusNotice> noticesBetween(const StatusSummary& before, const StatusSummary& after) {
    std::vector<StatusNotice> notices;
    const RunStatus& was = before.status();
    const RunStatus& is = after.status();
    if (!was.hostAway() && is.hostAway())
        notices.push_back({QStringLiteral("Host folder lost"),
                           QStringLiteral("%1: orders are kept on this workstation until it is back.")
                               .arg(after.hostText()),
                           true});
    if (was.hostAway() && !is.hostAway())
        notices.push_back(
            {QStringLiteral("Host folder back"),
             QStringLiteral("Host folder %1 can be reached again: kept orders are sent.").arg(is.hostFolder),
             false});
    if (was.storeError.isEmpty() && !is.storeError.isEmpty())
        notices.push_back({QStringLiteral("Calls stopped"), after.storeText() + QLatin1Char('.'), true});
    if (was.dataBinError.isEmpty() && !is.dataBinError.isEmpty())
        notices.push_back(
            {QStringLiteral("Calls wait"),
             QStringLiteral("DataBin.Dat cannot be opened (%1): its calls are not taken until it "
                            "can be.")
                 .arg(is.dataBinError),
             true});
    // Counts start again from nothing at midnight: on a new day every bad call counted is new.
    const bool sameDay = before.now().date() == after.now().date();
    const int newBad = after.today().bad - (sameDay ? before.today().bad : 0);
    if (newBad > 0)
        notices.push_back({QStringLiteral("Bad call"),
                           QStringLiteral("%1 bad call%2 arrived (%3 today). Details are in the Audit Log.")
                               .arg(newBad)
                               .arg(newBad == 1 ? QString() : QStringLiteral("s"))
                               .arg(after.today().bad),
                           true});
    return notices;
}

QPixmap statePicture(const QColor& colour, int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(150), 1));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    return picture;
}

} // namespace vrq
