#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class QAction;

namespace vrq {

class StatusSummary;
struct StatusNotice;

// The tray icon of window mode: a circle in the run's state colour, a tool tip that says what matters,
// a menu with the calls window, the connection problem while the host folder is away, the last export
// time and Exit, and desktop notifications.
class StatusTray : public QObject {
    Q_OBJECT
public:
    explicit StatusTray(QObject* parent = nullptr);
    ~StatusTray() override;

    void showStatus(const StatusSummary& summary);
    void notify(const StatusNotice& notice);

    // For tests: what the tray shows.
    const QSystemTrayIcon& icon() const { return m_icon; }
    QMenu& menu() { return m_menu; }

signals:
    void showCallsRequested();
    void connectionProblemRequested();
    void exitRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QMenu m_menu;
    QSystemTrayIcon m_icon;
    QAction* m_showProblemAction = nullptr;
    QAction* m_lastExportAction = nullptr;
};

} // namespace vrq
