#include "ViewerTestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

namespace vrq::test {
namespace {

// Five restarts of the real program under a window manager.

// A program running beside the test, ended (and waited for) with the test.
struct Helper {
    QProcess process;
    ~Helper() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
};

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (done())
            return true;
        QThread::msleep(100);
    }
    return done();
}

// Starts Xvfb on the first free display from 90; the display's name, or empty. Without an event loop
// QProcess learns of an exit only by waiting for it.
QString startXvfb(Helper& xvfb, const QString& binary) {
    for (int display = 90; display < 140; ++display) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)) || QFile::exists(socket))
            continue;
        xvfb.process.start(binary, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                                    QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!xvfb.process.waitForStarted(5000))
            return {};
        bool exited = false;
        waitFor([&] { return QFile::exists(socket) || (exited = xvfb.process.waitForFinished(1)); }, 10000);
        if (!exited && QFile::exists(socket))
            return QStringLiteral(":%1").arg(display);
        // Another server took the display meanwhile.
        xvfb.process.kill();
        xvfb.process.waitForFinished(2000);
    }
    return {};
}

// The absolute top left of the inside of the window titled "Calls", as the X server has it.
std::optional<QPoint> callsWindowPlace(const QProcessEnvironment& env) {
    QProcess info;
    info.setProcessEnvironment(env);
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), QStringLiteral("Calls")});
    if (!info.waitForFinished(5000) || info.exitCode() != 0)
        return std::nullopt;
    const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
    const auto x = QRegularExpression(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)")).match(text);
    const auto y = QRegularExpression(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)")).match(text);
    const bool viewable = text.contains(QStringLiteral("IsViewable"));
    if (!x.hasMatch() || !y.hasMatch() || !viewable)
        return std::nullopt;
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
}

TEST(WindowPlacementUnderOpenbox, PositionSurvivesFiveRestarts) {
    const QString xvfbBinary = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openboxBinary = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (xvfbBinary.isEmpty() || openboxBinary.isEmpty() || xwininfo.isEmpty())
        GTEST_SKIP() << "Xvfb, openbox or xwininfo is missing: scripts/setup.sh installs xvfb, openbox and "
                        "x11-utils";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Helper xvfb;
    const QString display = startXvfb(xvfb, xvfbBinary);
    ASSERT_FALSE(display.isEmpty()) << "no free X display for Xvfb";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), dir.path()); // openbox's own settings and session stay here
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VRQTOQX7_HOME"), dir.filePath(QStringLiteral("program")));
    env.insert(QStringLiteral("VRQTOQX7_SETTINGS"), dir.filePath(QStringLiteral("VRQToQX7.ini")));

    Helper openbox;
    const QString ready = dir.filePath(QStringLiteral("openbox-ready"));
    openbox.process.setProcessEnvironment(env);
    openbox.process.start(openboxBinary, {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
    ASSERT_TRUE(openbox.process.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(ready); }, 15000)) << "openbox did not start";

    QDir().mkpath(dir.filePath(QStringLiteral("host")));
    {
        QSettings ini(dir.filePath(QStringLiteral("VRQToQX7.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("QX7/QX7Name"), QStringLiteral("HOST"));
        ini.setValue(QStringLiteral("QX7/QX7Path"), dir.filePath(QStringLiteral("host")) + QLatin1Char('/'));
        ini.setValue(QStringLiteral("QX7/EnableCalls"), QStringLiteral("False"));
    }

    QStringList saved; // places as "x,y", so a failure reads as positions
    QStringList shown;
    auto text = [](const QPoint& p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); };
    QPoint first;
    for (int start = 1; start <= 5; ++start) {
        Helper program;
        program.process.setProcessEnvironment(env);
        program.process.start(QStringLiteral(VRQ_EXECUTABLE), QStringList());
        ASSERT_TRUE(program.process.waitForStarted(5000));
        std::optional<QPoint> place;
        ASSERT_TRUE(waitFor([&] { return (place = callsWindowPlace(env)).has_value(); }, 20000))
            << "the Calls window did not appear at start " << start;
        QThread::msleep(500); // the window manager has placed it
        place = callsWindowPlace(env);
        ASSERT_TRUE(place.has_value());
        shown << text(*place);
        first = start == 1 ? *place : first;
        program.process.terminate();
        ASSERT_TRUE(program.process.waitForFinished(20000)) << "start " << start << " did not end";
        QSettings ini(dir.filePath(QStringLiteral("VRQToQX7.ini")), QSettings::IniFormat);
        saved << ini.value(QStringLiteral("Startup/DetailsLeft")).toString() + QLatin1Char(',') +
                     ini.value(QStringLiteral("Startup/DetailsTop")).toString();
    }
    // The first start centres the window with its title bar on the screen; every later one finds it there.
    EXPECT_GT(first.y(), 20) << "title bar above the screen";
    EXPECT_GT(first.x(), 0);
    EXPECT_EQ(shown, QStringList(5, shown.first()));
    EXPECT_EQ(saved, QStringList(5, saved.first()));
}

} // namespace
} // namespace vrq::test
