#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace vrq {

// Tells once when the desktop's tray can take an icon. At login the tray often starts after the
// program: until it is there the watch looks again every few seconds.
class TrayWatch : public QObject {
    Q_OBJECT
public:
    using Probe = std::function<bool()>;
    // The platform's own answer, unless a test gives another.
    explicit TrayWatch(Probe available = {}, QObject* parent = nullptr);

    // Looks now, and keeps looking until the tray is there.
    void start();
    // One look; emits available() the first time the tray is there.
    void check();
    bool waiting() const { return m_pollTimer.isActive(); }

signals:
    void available();

private:
    Probe m_available;
    QTimer m_pollTimer;
    bool m_told = false;
};

} // namespace vrq
