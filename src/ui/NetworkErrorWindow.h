#pragma once

#include <QDateTime>
#include <QDialog>
#include <QTimer>
#include <functional>

class QLineEdit;
class QPushButton;

namespace vrq {

// frmNetworkErrorMsg: shown while the host folder is lost. It retries once a second and closes itself
// (accepted) as soon as the folder can be used again; closing it by hand gives up (rejected). It names
// the folder it is trying to reach, so the person knows what to check.
class NetworkErrorWindow : public QDialog {
    Q_OBJECT
public:
    NetworkErrorWindow(const QDateTime& since, const QString& folder, std::function<bool()> tryReconnect,
                       QWidget* parent = nullptr);

    QString shownStartTime() const;
    QString shownFolder() const;

signals:
    // The Properties button; the owner opens the Properties dialog over this window.
    void propertiesRequested();

private:
    void onRetryTick();

    std::function<bool()> m_tryReconnect;
    QTimer Timer1;
    QLineEdit* txtTime = nullptr;
    QLineEdit* txtFolder = nullptr;
    QPushButton* btnProperties = nullptr;
};

} // namespace vrq
