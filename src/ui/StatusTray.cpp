#include "ui/StatusTray.h"

#include "ui/StatusSummary.h"

#include <QAction>

namespace vrq {

namespace {
constexpr int kIconSize = 32;
constexpr int kNoticeMs = 10000;
} // namespace

StatusTray::StatusTray(QObject* parent) : QObject(parent) {
    connect(m_menu.addAction(QStringLiteral("Show Calls Window")), &QAction::triggered, this,
            &StatusTray::showCallsRequested);
    m_showProblemAction = m_menu.addAction(QStringLiteral("Show connection problem"));
    m_showProblemAction->setVisible(false);
    connect(m_showProblemAction, &QAction::triggered, this, &StatusTray::connectionProblemRequested);
    m_lastExportAction = m_menu.addAction(QStringLiteral("Last export: none yet"));
    m_lastExportAction->setEnabled(false);
    m_menu.addSeparator();
    connect(m_menu.addAction(QStringLiteral("Exit")), &QAction::triggered, this, &StatusTray::exitRequested);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &StatusTray::onActivated);
}

StatusTray::~StatusTray() = default;

void StatusTray::showStatus(const StatusSummary& summary) {
    m_icon.setIcon(QIcon(statePicture(summary.stateColour(), kIconSize)));
    m_icon.setToolTip(summary.trayToolTip());
    m_showProblemAction->setVisible(summary.status().hostAway());
    m_lastExportAction->setText(summary.exportText());
    m_icon.show();
}

void StatusTray::notify(const StatusNotice& notice) {
    m_icon.showMessage(notice.title, notice.text,
                       notice.warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, kNoticeMs);
}

// A click on the icon brings the calls window up, as its menu entry does.
void StatusTray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        emit showCallsRequested();
}

} // namespace vrq
