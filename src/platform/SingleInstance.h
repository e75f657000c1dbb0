#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace vrq {

// One window-mode process per user and program folder. A second start asks the first, over a local
// socket, to restore and raise its Calls window, then ends without touching anything.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when a running instance answered and was asked to raise its window.
    bool activateRunningInstance();
    // Starts listening for later starts; false when the socket cannot be made (listenError() says why).
    bool listen();
    QString listenError() const { return m_listenError; }
    QString serverName() const { return m_name; }

signals:
    void activationRequested();

private:
    void onNewConnection();

    QString m_name;
    QString m_listenError;
    QLocalServer* m_server = nullptr;
};

} // namespace vrq
