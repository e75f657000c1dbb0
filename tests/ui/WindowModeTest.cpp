#include "ViewerTestSupport.h"

#include "platform/FolderLock.h"
#include "platform/SettingsBackend.h"
#include "shell/CommandLine.h"
#include "store/Store.h"
#include "ui/NetworkErrorWindow.h"
#include "ui/StatusTray.h"
#include "ui/WindowMode.h"
#include "ui/viewers/CallsWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// Runs window mode in this process over a temporary program folder, settings file and session folder,
// with drive I: on the temporary folder and calls switched off; the person's steps are answered as the
// windows come up.
class WindowModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        qputenv("VRQTOQX7_HOME", QFile::encodeName(dir.filePath(u"program"_s)));
        qputenv("VRQTOQX7_SETTINGS", QFile::encodeName(iniPath()));
        m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u"config"_s)));
        setting("QX7", "EnableCalls", u"False"_s);
        setting("QX7", "QX7Name", u"HOST"_s);
        setting("QX7", "QX7Path", u"I:\\"_s);
        setting("Drives", "I", dir.path());
    }
    void TearDown() override {
        qunsetenv("VRQTOQX7_HOME");
        qunsetenv("VRQTOQX7_SETTINGS");
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
    }
    QString iniPath() const { return dir.filePath(u"VRQToQX7.ini"_s); }
    void setting(const char* section, const char* key, const QString& value) {
        auto ini = SettingsBackend::openIniFile(iniPath());
        ini->setValue(QLatin1String(section), QLatin1String(key), value);
        ASSERT_TRUE(ini->sync().ok());
    }
    std::optional<QString> saved(const char* section, const char* key) const {
        return SettingsBackend::openIniFile(iniPath())->value(QLatin1String(section), QLatin1String(key));
    }
    template <typename W> static W* shown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<W*>(w); window && window->isVisible())
                return window;
        return nullptr;
    }
    static CallsWindow* shownCallsWindow() { return shown<CallsWindow>(); }
    static NetworkErrorWindow* shownNetworkError() { return shown<NetworkErrorWindow>(); }
    // The calls window is up with nothing in front of it.
    static bool idle() { return shownCallsWindow() && !modal(); }
    static void exitProgram() { shownCallsWindow()->exitAction()->trigger(); }
    // The types, or the messages of one type, of the audit entries in write order.
    QStringList audit(const QString& type = {}) const {
        QStringList texts;
        auto store = openStoreFile(dir.filePath(u"program/CallsAndOrders.db"_s));
        for (const AuditRow& row : store ? store->audit().allAudit() : std::vector<AuditRow>{})
            if (type.isEmpty() || row.type == type)
                texts << (type.isEmpty() ? row.type : row.msg);
        return texts;
    }
    // Runs window mode and in it the steps one after the other, each once its `ready` holds; every step
    // must come up and the program end with exit code 0. A step that never comes up fails the test instead
    // of hanging it: the watchdog closes what is open and stops the program.
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    void play(std::vector<Step> steps) {
        m_steps = std::move(steps);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            if (m_next >= m_steps.size() || !m_steps[m_next].ready())
                return;
            m_steps[m_next++].act();
        });
        m_poll.start(50);
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] {
            watchdogFired = true;
            for (int i = 0; i < 8 && modal(); ++i)
                modal()->close();
            WindowMode::requestStop();
            if (CallsWindow* calls = shownCallsWindow())
                calls->exitAction()->trigger();
        });
        m_watchdog.start(20000);
        WindowMode mode;
        if (trayProbe)
            mode.setTrayProbe(trayProbe);
        m_mode = &mode;
        EXPECT_EQ(mode.run(), ExitCode::kOk);
        m_mode = nullptr;
        EXPECT_EQ(m_next, m_steps.size()) << "a step never came up";
        EXPECT_FALSE(watchdogFired);
    }
    static QWidget* modal() { return QApplication::activeModalWidget(); }
    static bool modalIs(const char* name) { return modal() && modal()->objectName() == QLatin1String(name); }

    QTemporaryDir dir;
    std::function<bool()> trayProbe; // the desktop's tray as the run sees it; the platform's when unset
    WindowMode* m_mode = nullptr;    // while play runs

private:
    std::size_t m_next = 0;
    bool watchdogFired = false;
    std::vector<Step> m_steps;
    QTimer m_poll;
    QTimer m_watchdog;
    QByteArray m_oldConfigHome;
};

// After a restart the status line tells when calls were last taken and sent, from the audit log; the menu
// entries open their windows, modal and owned by the Calls window; Exit from the menu ends the run with one
// save and one stop entry.
TEST_F(WindowModeTest, MenuEntriesOpenTheirWindowsAndExitStopsTheProgramWithOneSaveAndOneStopEntry) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"program"_s)));
    {
        auto store = openStoreFile(dir.filePath(u"program/CallsAndOrders.db"_s));
        ASSERT_TRUE(store);
        store->schema().dataConversions();
        for (const auto& [type, when] : {std::pair{"G", QDateTime(QDate(2010, 3, 7), QTime(14, 5))},
                                         std::pair{"X", QDateTime(QDate(2010, 3, 7), QTime(14, 6))},
                                         std::pair{"B", QDateTime(QDate(2010, 3, 8), QTime(9, 15))}})
            ASSERT_TRUE(store->audit()
                            .insertAudit({when, when, QLatin1String(type), u"earlier run"_s, 1, u"F"_s})
                            .ok());
    }
    QString status;
    bool auditLogOffered = false;
    QStringList owned; // the windows the entries opened in front of the Calls window
    std::vector<Step> steps{{idle, [&] {
                                 status = shownCallsWindow()->statusText();
                                 auditLogOffered =
                                     shownCallsWindow()->isMenuEntryEnabled(CallsWindow::MenuEntry::AuditLog);
                             }}};
    for (const auto& [entry, window] : {std::pair{CallsWindow::MenuEntry::OrdersBySalesperson, "frmSPCalls"},
                                        std::pair{CallsWindow::MenuEntry::ListOfCalls, "frmRptListCalls"},
                                        std::pair{CallsWindow::MenuEntry::Properties, "frmProperties"}}) {
        steps.push_back({idle, [entry] {
                             QTimer::singleShot(0, shownCallsWindow()->menuAction(entry), &QAction::trigger);
                         }});
        steps.push_back({[window] { return modalIs(window); },
                         [&owned] {
                             if (qobject_cast<CallsWindow*>(modal()->parentWidget()))
                                 owned << modal()->objectName();
                             modal()->close();
                         }});
    }
    steps.push_back({idle, exitProgram});
    play(steps);
    EXPECT_TRUE(
        status.startsWith(u"Today: 0 good, 0 bad.\nLast intake 03/08 09:15. Last export 03/07 14:06."_s))
        << status.toStdString();
    EXPECT_TRUE(auditLogOffered);
    EXPECT_EQ(owned, strings({"frmSPCalls", "frmRptListCalls", "frmProperties"}));
    EXPECT_EQ(audit(), strings({"G", "X", "B", "1", "0"}));
    EXPECT_TRUE(saved("Startup", "DetailsTop").has_value()) << "the settings were saved";
}

// The tray menu opens at the pointer, often with Exit under it: its Exit asks as the close box does, with
// No as the default, and No keeps the program running.
TEST_F(WindowModeTest, ExitFromTheTrayAsksAndNoKeepsTheProgramRunning) {
    trayProbe = [] { return true; };
    QStringList asked; // each question's text and its default button
    const auto exitFromTray = [this] {
        QAction* exit = m_mode->tray()->menu().actions().last();
        QTimer::singleShot(0, exit, &QAction::trigger);
    };
    const auto answer = [&asked](QMessageBox::StandardButton button) {
        return [&asked, button] {
            auto* box = qobject_cast<QMessageBox*>(modal());
            asked << box->text() +
                         (box->defaultButton() == box->button(QMessageBox::No) ? u" [No]"_s : u""_s);
            box->button(button)->click();
        };
    };
    const auto question = [] { return qobject_cast<QMessageBox*>(modal()) != nullptr; };
    play({{[this] { return idle() && m_mode->tray(); }, exitFromTray},
          {question, answer(QMessageBox::No)},
          {idle, exitFromTray},
          {question, answer(QMessageBox::Yes)}});
    const QString text = u"Exiting this program will stop all orders from being sent to QX7.\n"
                         u"Do you still want to exit? [No]"_s;
    EXPECT_EQ(asked, QStringList({text, text}));
    EXPECT_EQ(audit().count(u"0"_s), 1) << "one stop entry";
}

// At login the tray often starts after the program: the icon appears once it is there.
TEST_F(WindowModeTest, TrayIconAppearsWhenTheTrayStartsLater) {
    bool trayRunning = false;
    trayProbe = [&trayRunning] { return trayRunning; };
    bool iconBeforeTray = true;
    play({{idle,
           [&] {
               iconBeforeTray = m_mode->tray() != nullptr;
               trayRunning = true;
           }},
          {[this] { return m_mode->tray() && m_mode->tray()->icon().isVisible(); }, exitProgram}});
    EXPECT_FALSE(iconBeforeTray);
}

// Settings whose host folder is away: the first export tells of it, in the network error window (which
// holds nothing) or, without automatic reconnection, in a message box.
struct StopDuringWaitCase {
    const char* name;
    bool autoConnect;
};

class StopDuringWaitTest : public WindowModeTest, public ::testing::WithParamInterface<StopDuringWaitCase> {};

TEST_P(StopDuringWaitTest, StopSignalEndsTheWaitSavesTheSettingsAndWritesProgramStopped) {
    const bool autoConnect = GetParam().autoConnect;
    setting("QX7", "LocalDrive", u"I"_s);
    setting("QX7", "QX7Path", u"I:\\QX7Com\\"_s);
    setting("Miscellaneous", "AutoConnect", autoConnect ? u"True"_s : u"False"_s);
    setting("Drives", "ShareRoot", dir.filePath(u"no-shares"_s));
    const auto waitShown = [autoConnect] {
        if (!autoConnect)
            return qobject_cast<QMessageBox*>(modal()) != nullptr;
        // The network error window names the folder and the share it is trying to reach.
        NetworkErrorWindow* window = shownNetworkError();
        return window && !modal() &&
               window->shownFolder() == u"I:\\QX7Com\\ (the share \\\\HOST\\Qdls on drive I:)"_s;
    };
    play({{waitShown, [] { WindowMode::requestStop(); }}});
    EXPECT_EQ(audit().last(), u"0"_s);
    EXPECT_TRUE(saved("Startup", "DetailsTop").has_value()) << "the settings were saved";
}

INSTANTIATE_TEST_SUITE_P(Waits, StopDuringWaitTest,
                         ::testing::Values(StopDuringWaitCase{"NetworkErrorWindow", true},
                                           StopDuringWaitCase{"ManualReconnectMessageBox", false}),
                         RowName());

// Beside a service or a pass on the same program folder a window-mode start is refused with a message,
// touching neither the store nor the settings.
TEST_F(WindowModeTest, StartBesideAServiceIsRefusedWithAMessageAndTouchesNothing) {
    const QString home = dir.filePath(u"program"_s);
    QDir().mkpath(home);
    FolderLock service(home);
    ASSERT_TRUE(service.tryLock(u"service"_s));
    auto seen = answerNextMessageBox(QMessageBox::Ok);
    WindowMode mode;
    EXPECT_EQ(mode.run(), ExitCode::kFolderInUse);
    EXPECT_TRUE(seen->text.contains("service"_L1)) << seen->text.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(home).filePath(u"CallsAndOrders.db"_s)));
    EXPECT_FALSE(saved("Startup", "DetailsTop").has_value());
}

TEST_F(WindowModeTest, FirstRunOpensThePropertiesInFrontOfTheCallsWindow) {
    setting("QX7", "QX7Name", QString());
    bool ownedByCallsWindow = false;
    QString status;
    play({{[] { return modalIs("frmProperties"); },
           [&] {
               ownedByCallsWindow = shownCallsWindow() && modal()->parentWidget() == shownCallsWindow();
               status = shownCallsWindow()->statusText();
               modal()->findChild<QLineEdit*>(u"txtQX7Name"_s)->setText(u"AS400"_s);
               modal()->findChild<QPushButton*>(u"cmdOK"_s)->click();
           }},
          {[] { return qobject_cast<QMessageBox*>(modal()) != nullptr; }, // start with the session?
           [] { qobject_cast<QMessageBox*>(modal())->button(QMessageBox::No)->click(); }},
          {[] { return qobject_cast<QMessageBox*>(modal()) != nullptr; }, // what the setup did
           [] { qobject_cast<QMessageBox*>(modal())->accept(); }},
          {idle, exitProgram}});
    EXPECT_TRUE(ownedByCallsWindow);
    EXPECT_TRUE(status.contains(u"\nHost folder I:\\ not checked yet."_s)) << "nothing has tested it yet";
    EXPECT_EQ(audit(u"I"_s).value(1), u"Launchpad data file not found."_s);
    EXPECT_EQ(audit(u"P"_s), QStringList{u"Properties edited."_s});
    EXPECT_EQ(saved("QX7", "QX7Name"), u"AS400"_s);
}

// The host folder is away at the first export. The network error window holds nothing: the Calls window
// stays usable, the status line and the tray tell of the outage, and closing the window (Escape) keeps it
// closed until "Show connection problem" asks for it. Its Properties button lets the person point the
// program at the right folder; the next retry finds it, hides the window and logs the outage's end.
TEST_F(WindowModeTest, TheNetworkErrorWindowHoldsNothingAndGoesWhenTheFolderIsBack) {
    setting("QX7", "QX7Path", u"I:\\Missing\\"_s);
    setting("Drives", "ShareRoot", dir.filePath(u"no-shares"_s));
    trayProbe = [] { return true; };
    QStringList seen;
    const auto problemAction = [this]() -> QAction* {
        for (QAction* action : m_mode->tray()->menu().actions())
            if (action->text() == u"Show connection problem"_s)
                return action;
        return nullptr;
    };
    const auto statusButton = [] {
        return shownCallsWindow()->findChild<QPushButton*>(u"cmdShowConnectionProblem"_s);
    };
    play({{[this] { return shownNetworkError() && m_mode->tray(); },
           [&] {
               if (!modal())
                   seen << u"not modal"_s;
               if (shownCallsWindow()->statusText().contains(u"\nHost folder I:\\Missing away since"_s))
                   seen << u"status line away"_s;
               if (problemAction() && problemAction()->isVisible() && statusButton()->isVisible())
                   seen << u"offered"_s;
               QTest::keyClick(shownNetworkError(), Qt::Key_Escape);
           }},
          {[] { return idle() && !shownNetworkError(); },
           [&] { QTimer::singleShot(0, problemAction(), &QAction::trigger); }},
          {[] { return shownNetworkError() != nullptr; },
           [] {
               for (QPushButton* b : shownNetworkError()->findChildren<QPushButton*>())
                   if (b->text() == "Properties"_L1)
                       QTimer::singleShot(0, b, &QPushButton::click);
           }},
          {[] { return modalIs("frmProperties") && modal()->parentWidget() == shownNetworkError(); },
           [] {
               modal()->findChild<QLineEdit*>(u"txtQX7Directory"_s)->setText(u"I:\\"_s);
               modal()->findChild<QPushButton*>(u"cmdOK"_s)->click();
           }},
          {[] { return idle() && !shownNetworkError(); },
           [&] {
               if (shownCallsWindow()->statusText().contains(u"\nHost folder I: reachable."_s))
                   seen << u"status line reachable"_s;
               if (!problemAction()->isVisible() && !statusButton()->isVisible())
                   seen << u"no longer offered"_s;
               exitProgram();
           }}});
    EXPECT_EQ(seen, strings({"not modal", "status line away", "offered", "status line reachable",
                             "no longer offered"}));
    EXPECT_EQ(audit(u"P"_s), QStringList{u"Properties edited."_s});
    EXPECT_EQ(audit(u"E"_s).count(u"Network connection established."_s), 1)
        << audit(u"E"_s).join(u'|').toStdString();
}

} // namespace
} // namespace vrq::test
