#pragma once

#include "context/UserInterface.h"

#include <atomic>
#include <utility>

namespace vrq {

// The person at the screen when there is no window: messages go to stderr. A lost host folder gets
// one attempt in a single pass; the service keeps retrying once a second until the folder is back or a
// stop is requested.
class ConsoleUserInterface : public UserInterface {
public:
    enum class Mode { SinglePass, Service };
    ConsoleUserInterface(Mode mode, const std::atomic_bool* stopRequested);

    void updateCallDisplay(int callNumber, CallDisplay mode) override;
    void showMessage(const QString& text) override;
    void showNotice(const QString& windowText, const QString& consoleText) override;
    // Messages already go to stderr: once is enough.
    void reportFault(const QString& text) override { showMessage(text); }
    bool waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) override;
    void processEvents() override;
    void statusChanged() override { m_statusChanged = true; }
    // True once after the run's status changed.
    bool takeStatusChanged() { return std::exchange(m_statusChanged, false); }

private:
    Mode m_mode;
    const std::atomic_bool* m_stopRequested;
    EventPacer m_pacer;
    bool m_statusChanged = true;
};

} // namespace vrq
