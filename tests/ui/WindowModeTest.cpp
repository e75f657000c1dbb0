#include "ViewerTestSupport.h"

#include "platform/FolderLock.h"
#include "platform/SettingsBackend.h"
#include "shell/CommandLine.h"
#include "store/CallStore.h"
#include "ui/NetworkErrorWindow.h"
#include "ui/WindowMode.h"
#include "ui/viewers/CallsWindow.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace vrq {
namespace {

// Runs window mode in this process over a temporary program folder and settings file.
class WindowModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApplication();
        qputenv("VRQTOQX7_HOME", dir.filePath(QStringLiteral("program")).toLocal8Bit());
        qputenv("VRQTOQX7_SETTINGS", dir.filePath(QStringLiteral("VRQToQX7.ini")).toLocal8Bit());
        QSettings ini(dir.filePath(QStringLiteral("VRQToQX7.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("QX7/QX7Name"), QStringLiteral("HOST"));
        ini.setValue(QStringLiteral("QX7/EnableCalls"), QStringLiteral("False"));
    }
    void TearDown() override {
        qunsetenv("VRQTOQX7_HOME");
        qunsetenv("VRQTOQX7_SETTINGS");
    }
    static CallsWindow* shownCallsWindow() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* calls = qobject_cast<CallsWindow*>(w); calls && calls->isVisible())
                return calls;
        }
        return nullptr;
    }
    QStringList auditTypes() {
        Result error;
        auto store = CallStore::open(dir.filePath(QStringLiteral("program/CallsAndOrders.db")), &error);
        QStringList types;
        for (const AuditRow& row : store->allAudit())
            types << row.type;
        return types;
    }
    // Sends run() a stop as SIGTERM would, once `ready` holds; a watchdog ends a wait that the stop did
    // not end, so a fault fails the test instead of hanging it.
    void stopWhen(std::function<bool()> ready) {
        QObject::connect(&m_poll, &QTimer::timeout, [this, ready] {
            if (!ready())
                return;
            m_poll.stop();
            stopSent = true;
            WindowMode::requestStop();
        });
        m_poll.start(50);
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] {
            watchdogFired = true;
            for (int i = 0; i < 8 && QApplication::activeModalWidget(); ++i)
                QApplication::activeModalWidget()->close();
            if (CallsWindow* calls = shownCallsWindow())
                calls->exitAction()->trigger();
        });
        m_watchdog.start(20000);
    }
    QTimer m_poll;
    QTimer m_watchdog;
    QTemporaryDir dir;
    bool stopSent = false;
    bool watchdogFired = false;
};

TEST_F(WindowModeTest, ExitFromTheMenuStopsTheProgramWithOneSaveAndOneStopEntry) {
    bool closed = false;
    QString status;
    bool auditLogOffered = false;
    std::function<void()> closeWhenShown = [&] {
        if (CallsWindow* calls = shownCallsWindow()) {
            status = calls->statusText();
            auditLogOffered = calls->isMenuEntryEnabled(CallsWindow::MenuEntry::AuditLog);
            calls->move(300, 200);
            calls->exitAction()->trigger();
            closed = true;
        } else {
            QTimer::singleShot(50, closeWhenShown);
        }
    };
    QTimer::singleShot(50, closeWhenShown);
    WindowMode mode;
    EXPECT_EQ(mode.run(), 0);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(status.startsWith(QStringLiteral("Today: 0 good, 0 bad. Last intake: none yet.")))
        << status.toStdString();
    EXPECT_TRUE(auditLogOffered);
    EXPECT_EQ(auditTypes(), (QStringList{QStringLiteral("1"), QStringLiteral("0")}));
    auto saved = SettingsBackend::openIniFile(dir.filePath(QStringLiteral("VRQToQX7.ini")));
    EXPECT_TRUE(saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsTop")).has_value());
    EXPECT_NE(
        saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsLeft")).value_or(QString()).toInt(), 0)
        << "the window's position is kept";
}

// Settings whose host folder is away: the first export waits for it, in the network error window or,
// without automatic reconnection, in a message box.
struct StopDuringWaitCase {
    const char* name;
    const char* autoConnect;
    bool (*waitShown)();
};

class StopDuringWaitTest : public WindowModeTest, public ::testing::WithParamInterface<StopDuringWaitCase> {};

TEST_P(StopDuringWaitTest, StopSignalEndsTheWaitSavesTheSettingsAndWritesProgramStopped) {
    auto ini = SettingsBackend::openIniFile(dir.filePath(QStringLiteral("VRQToQX7.ini")));
    ini->setValue(QStringLiteral("QX7"), QStringLiteral("LocalDrive"), QStringLiteral("I"));
    ini->setValue(QStringLiteral("QX7"), QStringLiteral("QX7Path"), QStringLiteral("I:\\QX7Com\\"));
    ini->setValue(QStringLiteral("Miscellaneous"), QStringLiteral("AutoConnect"),
                  QString::fromLatin1(GetParam().autoConnect));
    ini->setValue(QStringLiteral("Drives"), QStringLiteral("ShareRoot"),
                  dir.filePath(QStringLiteral("no-shares")));
    ASSERT_TRUE(ini->sync().ok());
    stopWhen(GetParam().waitShown);
    WindowMode mode;
    EXPECT_EQ(mode.run(), ExitCode::Ok);
    EXPECT_TRUE(stopSent) << "the wait never came up";
    EXPECT_FALSE(watchdogFired) << "the stop did not end the wait";
    EXPECT_EQ(auditTypes().last(), QStringLiteral("0"));
    auto saved = SettingsBackend::openIniFile(dir.filePath(QStringLiteral("VRQToQX7.ini")));
    EXPECT_TRUE(saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsTop")).has_value())
        << "the settings were saved";
}

INSTANTIATE_TEST_SUITE_P(
    Waits, StopDuringWaitTest,
    ::testing::Values(StopDuringWaitCase{"NetworkErrorWindow", "True",
                                         [] {
                                             // It names the folder and the share it is trying to reach.
                                             auto* window = qobject_cast<NetworkErrorWindow*>(
                                                 QApplication::activeModalWidget());
                                             return window &&
                                                    window->shownFolder() ==
                                                        QStringLiteral("I:\\QX7Com\\ (the share "
                                                                       "\\\\HOST\\Qdls on drive I:)");
                                         }},
                      StopDuringWaitCase{"ManualReconnectMessageBox", "False",
                                         [] {
                                             return qobject_cast<QMessageBox*>(
                                                        QApplication::activeModalWidget()) != nullptr;
                                         }}),
    test::RowName());

// Beside a service or a pass on the same program folder a window-mode start is refused with a message,
// touching neither the store nor the settings.
TEST_F(WindowModeTest, StartBesideAServiceIsRefusedWithAMessageAndTouchesNothing) {
    const QString home = dir.filePath(QStringLiteral("program"));
    QDir().mkpath(home);
    FolderLock service(home);
    ASSERT_TRUE(service.tryLock(QStringLiteral("service")));
    auto seen = test::answerNextMessageBox(QMessageBox::Ok);
    WindowMode mode;
    EXPECT_EQ(mode.run(), ExitCode::FolderInUse);
    EXPECT_TRUE(seen->seen);
    EXPECT_TRUE(seen->text.contains(QLatin1String("service"))) << seen->text.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(home).filePath(QStringLiteral("CallsAndOrders.db"))));
    auto saved = SettingsBackend::openIniFile(dir.filePath(QStringLiteral("VRQToQX7.ini")));
    EXPECT_FALSE(saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsTop")).has_value());
}

// The "View" and "Reports" entries of the Calls window open their windows, modal and owned by it.
struct MenuWindowCase {
    const char* name;
    CallsWindow::MenuEntry entry;
    const char* window;
};

class MenuWindowTest : public WindowModeTest, public ::testing::WithParamInterface<MenuWindowCase> {};

TEST_P(MenuWindowTest, EntryIsEnabledAndOpensItsWindow) {
    const MenuWindowCase c = GetParam();
    QString opened;
    QWidget* owner = nullptr;
    bool entryEnabled = false;
    std::function<void()> closeWhenOpen = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(50, closeWhenOpen);
            return;
        }
        opened = modal->objectName();
        owner = modal->parentWidget();
        modal->close();
        QTimer::singleShot(0, [] { shownCallsWindow()->exitAction()->trigger(); });
    };
    std::function<void()> openWhenShown = [&] {
        CallsWindow* calls = shownCallsWindow();
        if (!calls) {
            QTimer::singleShot(50, openWhenShown);
            return;
        }
        entryEnabled = calls->isMenuEntryEnabled(c.entry);
        QTimer::singleShot(0, closeWhenOpen);
        calls->menuAction(c.entry)->trigger();
    };
    QTimer::singleShot(50, openWhenShown);
    WindowMode mode;
    EXPECT_EQ(mode.run(), 0);
    EXPECT_TRUE(entryEnabled);
    EXPECT_EQ(opened, QString::fromLatin1(c.window));
    EXPECT_NE(qobject_cast<CallsWindow*>(owner), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, MenuWindowTest,
    ::testing::Values(
        MenuWindowCase{"OrdersBySalesperson", CallsWindow::MenuEntry::OrdersBySalesperson, "frmSPCalls"},
        MenuWindowCase{"OrdersByCustomer", CallsWindow::MenuEntry::OrdersByCustomer, "frmCustCalls"},
        MenuWindowCase{"OrdersByDate", CallsWindow::MenuEntry::OrdersByDate, "frmDateCalls"},
        MenuWindowCase{"ListOfCalls", CallsWindow::MenuEntry::ListOfCalls, "frmRptListCalls"}),
    test::RowName());

} // namespace
} // namespace vrq
