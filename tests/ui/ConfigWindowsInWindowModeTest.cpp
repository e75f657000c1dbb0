#include "ViewerTestSupport.h"

#include "platform/SettingsBackend.h"
#include "store/CallStore.h"
#include "ui/WindowMode.h"
#include "ui/viewers/CallsWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace vrq {
namespace {

// Window mode in this process over a temporary program folder, settings file and session folder; the
// person's steps are answered as the windows come up.
class ConfigWindowsInWindowMode : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApplication();
        qputenv("VRQTOQX7_HOME", QFile::encodeName(dir.filePath(QStringLiteral("program"))));
        qputenv("VRQTOQX7_SETTINGS", QFile::encodeName(iniPath()));
        m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        auto ini = SettingsBackend::openIniFile(iniPath());
        ini->setValue(QStringLiteral("QX7"), QStringLiteral("EnableCalls"), QStringLiteral("False"));
        ini->setValue(QStringLiteral("QX7"), QStringLiteral("QX7Path"), QStringLiteral("I:\\"));
        ini->setValue(QStringLiteral("Drives"), QStringLiteral("I"), dir.path());
        ASSERT_TRUE(ini->sync().ok());
    }
    void TearDown() override {
        qunsetenv("VRQTOQX7_HOME");
        qunsetenv("VRQTOQX7_SETTINGS");
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("VRQToQX7.ini")); }
    void setHostName(const QString& name) {
        auto ini = SettingsBackend::openIniFile(iniPath());
        ini->setValue(QStringLiteral("QX7"), QStringLiteral("QX7Name"), name);
        ASSERT_TRUE(ini->sync().ok());
    }
    static CallsWindow* shownCallsWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* calls = qobject_cast<CallsWindow*>(w); calls && calls->isVisible())
                return calls;
        return nullptr;
    }
    QStringList audit(const QString& type) {
        auto store = CallStore::open(dir.filePath(QStringLiteral("program/CallsAndOrders.db")));
        QStringList messages;
        for (const AuditRow& row : store->allAudit())
            if (row.type == type)
                messages << row.msg;
        return messages;
    }
    // Runs the steps one after the other, each once its `ready` holds; the last one leaves the program.
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
        // A step that never comes up fails the test instead of hanging it.
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] { WindowMode::requestStop(); });
        m_watchdog.start(20000);
    }
    static bool modalIs(const char* name) {
        QWidget* modal = QApplication::activeModalWidget();
        return modal && modal->objectName() == QLatin1String(name);
    }
    static QWidget* modal() { return QApplication::activeModalWidget(); }
    static void click(const char* button) {
        modal()->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

    QTemporaryDir dir;
    std::size_t m_next = 0;

private:
    std::vector<Step> m_steps;
    QTimer m_poll;
    QTimer m_watchdog;
    QByteArray m_oldConfigHome;
};

TEST_F(ConfigWindowsInWindowMode, FirstRunOpensThePropertiesInFrontOfTheCallsWindow) {
    bool ownedByCallsWindow = false;
    play({{[] { return modalIs("frmProperties"); },
           [&] {
               ownedByCallsWindow = shownCallsWindow() && modal()->parentWidget() == shownCallsWindow();
               modal()->findChild<QLineEdit*>(QStringLiteral("txtQX7Name"))->setText(QStringLiteral("AS400"));
               click("cmdOK");
           }},
          {[] { return qobject_cast<QMessageBox*>(modal()) != nullptr; }, // start with the session?
           [] { qobject_cast<QMessageBox*>(modal())->button(QMessageBox::No)->click(); }},
          {[] { return shownCallsWindow() && !modal(); },
           [] { shownCallsWindow()->exitAction()->trigger(); }}});
    WindowMode mode;
    EXPECT_EQ(mode.run(), 0);
    EXPECT_EQ(m_next, 3u);
    EXPECT_TRUE(ownedByCallsWindow);
    EXPECT_EQ(audit(QStringLiteral("I")).value(1), QStringLiteral("Launchpad data file not found."));
    EXPECT_EQ(audit(QStringLiteral("P")), QStringList{QStringLiteral("Properties edited.")});
    EXPECT_EQ(
        SettingsBackend::openIniFile(iniPath())->value(QStringLiteral("QX7"), QStringLiteral("QX7Name")),
        QStringLiteral("AS400"));
}

TEST_F(ConfigWindowsInWindowMode, TheMenuOpensThePropertiesAndTheAboutBox) {
    setHostName(QStringLiteral("HOST"));
    bool entriesEnabled = false;
    play({{[] { return shownCallsWindow() && !modal(); },
           [&] {
               CallsWindow* calls = shownCallsWindow();
               entriesEnabled = calls->isMenuEntryEnabled(CallsWindow::MenuEntry::Properties) &&
                                calls->isMenuEntryEnabled(CallsWindow::MenuEntry::About);
               QTimer::singleShot(0, calls->menuAction(CallsWindow::MenuEntry::Properties),
                                  &QAction::trigger);
           }},
          {[] { return modalIs("frmProperties"); },
           [] {
               modal()
                   ->findChild<QLineEdit*>(QStringLiteral("txtFileScanMinutes"))
                   ->setText(QStringLiteral("5"));
               click("cmdOK");
           }},
          {[] { return shownCallsWindow() && !modal(); },
           [] {
               QTimer::singleShot(0, shownCallsWindow()->menuAction(CallsWindow::MenuEntry::About),
                                  &QAction::trigger);
           }},
          {[] { return modalIs("frmAbout"); }, [] { click("cmdOK"); }},
          {[] { return shownCallsWindow() && !modal(); },
           [] { shownCallsWindow()->exitAction()->trigger(); }}});
    WindowMode mode;
    EXPECT_EQ(mode.run(), 0);
    EXPECT_EQ(m_next, 5u);
    EXPECT_TRUE(entriesEnabled);
    EXPECT_EQ(SettingsBackend::openIniFile(iniPath())->value(QStringLiteral("QX7"),
                                                             QStringLiteral("FileScanMinutes")),
              QStringLiteral("5"));
}

// The host folder is away at the first export; the Properties button of the network-error window lets the
// person point the program at the right folder, and the waiting export goes on with it.
TEST_F(ConfigWindowsInWindowMode, PropertiesFromTheNetworkErrorWindowEndTheWait) {
    setHostName(QStringLiteral("HOST"));
    auto ini = SettingsBackend::openIniFile(iniPath());
    ini->setValue(QStringLiteral("QX7"), QStringLiteral("QX7Path"), QStringLiteral("I:\\Missing\\"));
    ini->setValue(QStringLiteral("Drives"), QStringLiteral("ShareRoot"),
                  dir.filePath(QStringLiteral("no-shares")));
    ASSERT_TRUE(ini->sync().ok());
    play({{[] {
               return qobject_cast<QDialog*>(modal()) &&
                      modal()->windowTitle() == QLatin1String("Network Error");
           },
           [] {
               for (QPushButton* b : modal()->findChildren<QPushButton*>())
                   if (b->text() == QLatin1String("Properties"))
                       QTimer::singleShot(0, b, &QPushButton::click);
           }},
          {[] { return modalIs("frmProperties"); },
           [] {
               modal()
                   ->findChild<QLineEdit*>(QStringLiteral("txtQX7Directory"))
                   ->setText(QStringLiteral("I:\\"));
               click("cmdOK");
           }},
          {[] { return shownCallsWindow() && !modal(); },
           [] { shownCallsWindow()->exitAction()->trigger(); }}});
    WindowMode mode;
    EXPECT_EQ(mode.run(), 0);
    EXPECT_EQ(m_next, 3u);
    EXPECT_EQ(audit(QStringLiteral("P")), QStringList{QStringLiteral("Properties edited.")});
    EXPECT_TRUE(audit(QStringLiteral("E")).contains(QStringLiteral("Network connection established.")))
        << audit(QStringLiteral("E")).join(QLatin1Char('|')).toStdString();
}

} // namespace
} // namespace vrq
