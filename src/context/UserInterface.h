#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <functional>

namespace vrq {

// What becomes of a call's row in the calls window.
enum class CallDisplay {
    Remove,    // the row goes
    Bad,       // shown as a bad call
    Good,      // shown as a good call
    Extracted, // shown as extracted
};

// How the core reaches the person at the workstation without knowing about windows. The window layer
// implements it with real windows; the headless modes with stderr and a retry loop.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Changes the calls window's row of one call.
    virtual void updateCallDisplay(int callNumber, CallDisplay mode) = 0;
    // The same for the row of one call of one source: a call and a scanned file may share a number.
    virtual void updateCallRow(int source, int callNumber, CallDisplay mode) {
        (void)source;
        updateCallDisplay(callNumber, mode);
    }
    // A message box with only an OK button and the program's title.
    virtual void showMessage(const QString& text) = 0;
    // A message whose window text speaks of the window ("click OK"): a console prints consoleText.
    virtual void showNotice(const QString& windowText, const QString& consoleText) {
        (void)consoleText;
        showMessage(windowText);
    }
    // A fault the person must hear of at once: on stderr (the log of a resident program) and as a message.
    virtual void reportFault(const QString& text) {
        QTextStream(stderr) << text << Qt::endl;
        showMessage(text);
    }
    // The host folder is lost and could not be reconnected at once: either hold the caller, retrying
    // tryReconnect once a second, until it succeeds (true) or a stop request gives up (false), or tell the
    // person and return false at once, leaving the retries to the processing cycle (the windows do, so that
    // an outage never locks them).
    virtual bool waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) = 0;
    // The run's status (AppContext::status) changed: windows showing it refresh.
    virtual void statusChanged() {}
    // Lets pending events run during long work, so windows and other timers keep going.
    virtual void processEvents() = 0;
};

// Paces processEvents: long work asks once per line item, while running the event loop every 10 ms keeps
// windows and timers just as lively at a fraction of the cost.
class EventPacer {
public:
    bool due() {
        if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kIntervalMs)
            return false;
        m_sinceEvents.start();
        return true;
    }

private:
    static constexpr qint64 kIntervalMs = 10;
    QElapsedTimer m_sinceEvents;
};

} // namespace vrq
