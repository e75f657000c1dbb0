#include "ViewerTestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::StringLiterals;

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
        const QString socket = u"/tmp/.X11-unix/X%1"_s.arg(display);
        if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(display)) || QFile::exists(socket))
            continue;
        xvfb.process.start(binary, {u":%1"_s.arg(display), u"-screen"_s, u"0"_s, u"1024x768x24"_s,
                                    u"-nolisten"_s, u"tcp"_s});
        if (!xvfb.process.waitForStarted(5000))
            return {};
        bool exited = false;
        waitFor([&] { return QFile::exists(socket) || (exited = xvfb.process.waitForFinished(1)); }, 10000);
        if (!exited && QFile::exists(socket))
            return u":%1"_s.arg(display);
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
    info.start(u"xwininfo"_s, {u"-name"_s, u"Calls"_s});
    if (!info.waitForFinished(5000) || info.exitCode() != 0)
        return std::nullopt;
    const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
    const auto xy =
        QRegularExpression(u"Absolute upper-left X:\\s+(-?\\d+)\\s+Absolute upper-left Y:\\s+(-?\\d+)"_s)
            .match(text);
    if (!xy.hasMatch() || !text.contains(u"IsViewable"_s))
        return std::nullopt;
    return QPoint(xy.captured(1).toInt(), xy.captured(2).toInt());
}

TEST(WindowPlacementUnderOpenbox, PositionSurvivesFiveRestarts) {
    const QString xvfbBinary = QStandardPaths::findExecutable(u"Xvfb"_s);
    const QString openboxBinary = QStandardPaths::findExecutable(u"openbox"_s);
    const QString xwininfo = QStandardPaths::findExecutable(u"xwininfo"_s);
    if (xvfbBinary.isEmpty() || openboxBinary.isEmpty() || xwininfo.isEmpty())
        GTEST_SKIP() << "Xvfb, openbox or xwininfo is missing: scripts/setup.sh installs xvfb, openbox and "
                        "x11-utils";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Helper xvfb;
    const QString display = startXvfb(xvfb, xvfbBinary);
    ASSERT_FALSE(display.isEmpty()) << "no free X display for Xvfb";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, display);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"HOME"_s, dir.path()); // openbox's own settings and session stay here
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"VRQTOQX7_HOME"_s, dir.filePath(u"program"_s));
    env.insert(u"VRQTOQX7_SETTINGS"_s, dir.filePath(u"VRQToQX7.ini"_s));

    Helper openbox;
    const QString ready = dir.filePath(u"openbox-ready"_s);
    openbox.process.setProcessEnvironment(env);
    openbox.process.start(openboxBinary, {u"--startup"_s, u"touch "_s + ready});
    ASSERT_TRUE(openbox.process.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(ready); }, 15000)) << "openbox did not start";

    QDir().mkpath(dir.filePath(u"host"_s));
    ASSERT_TRUE(ProgramFixture::writeFile(dir.filePath(u"VRQToQX7.ini"_s),
                                          "[QX7]\nQX7Name=HOST\nEnableCalls=False\nQX7Path=" +
                                              QFile::encodeName(dir.filePath(u"host/"_s)) + '\n'));

    QStringList saved; // places as "x,y", so a failure reads as positions
    QStringList shown;
    auto text = [](const QPoint& p) { return u"%1,%2"_s.arg(p.x()).arg(p.y()); };
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
        QSettings ini(dir.filePath(u"VRQToQX7.ini"_s), QSettings::IniFormat);
        saved << ini.value(u"Startup/DetailsLeft"_s).toString() + u',' +
                     ini.value(u"Startup/DetailsTop"_s).toString();
    }
    // The first start centres the window with its title bar on the screen; every later one finds it there.
    EXPECT_GT(first.y(), 20) << "title bar above the screen";
    EXPECT_GT(first.x(), 0);
    EXPECT_EQ(shown, QStringList(5, shown.first()));
    EXPECT_EQ(saved, QStringList(5, saved.first()));
}

} // namespace
} // namespace vrq::test
