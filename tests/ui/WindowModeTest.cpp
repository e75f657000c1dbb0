#include "ViewerTestSupport.h"

#include "intake/CallStore.h"
#include "platform/SettingsBackend.h"
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
        QString error;
        auto store = CallStore::open(dir.filePath(QStringLiteral("program/CallsAndOrders.db")), &error);
        QStringList types;
        for (const AuditRow& row : store->allAudit())
            types << row.type;
        return types;
    }
    QTemporaryDir dir;
};

TEST_F(WindowModeTest, ExitFromTheMenuStopsTheProgramWithOneSaveAndOneStopEntry) {
    bool closed = false;
    std::function<void()> closeWhenShown = [&] {
        if (CallsWindow* calls = shownCallsWindow()) {
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
    EXPECT_EQ(auditTypes(), (QStringList{QStringLiteral("1"), QStringLiteral("0")}));
    auto saved = SettingsBackend::openIniFile(dir.filePath(QStringLiteral("VRQToQX7.ini")));
    EXPECT_TRUE(saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsTop")).has_value());
    EXPECT_NE(
        saved->value(QStringLiteral("Startup"), QStringLiteral("DetailsLeft")).value_or(QString()).toInt(), 0)
        << "the window's position is kept";
}

} // namespace
} // namespace vrq
