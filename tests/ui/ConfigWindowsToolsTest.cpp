#include "ViewerTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/config/AboutBox.h"
#include "ui/config/FolderBrowser.h"
#include "ui/config/PropertiesDialog.h"

#include <QDir>
#include <QTest>
#include <cstdio>

namespace vrq::test {
namespace {

bool saveShot(QWidget& window, const QString& file) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(200);
    const QString path = QDir(qEnvironmentVariable("VRQ_SCREENSHOT_DIR", QStringLiteral("."))).filePath(file);
    const bool saved = window.grab().save(path);
    std::printf("saved %s\n", qPrintable(path));
    return saved;
}

// Pictures of the configuration windows for docs/, over a fixture with a few calls and host folders.
TEST(ConfigWindowsTools, DISABLED_SaveScreenshots) {
    ensureApplication();
    ProgramFixture f;
    for (const char* folder : {"Archive", "Out", "Returns"})
        QDir(f.hostFolder()).mkpath(QString::fromLatin1(folder));
    for (int n = 1; n <= 5; ++n)
        f.addCall(0, 100 + n, 1);
    f.audit->write(AuditType::GoodCall, QStringLiteral("Good call"));
    f.ctx.settings.EnableFiles = true;
    f.ctx.settings.ScannedFolder = QStringLiteral("C:\\WBZ");
    f.ctx.settings.DataBinPath = QStringLiteral("C:\\ZIR32\\DCS\\");

    PropertiesDialog properties(f.ctx, {});
    EXPECT_TRUE(saveShot(properties, QStringLiteral("properties-dialog.png")));
    properties.hide();
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\"), f.ctx);
    EXPECT_TRUE(saveShot(browser, QStringLiteral("folder-browser.png")));
    browser.hide();
    AboutBox about(f.ctx);
    EXPECT_TRUE(saveShot(about, QStringLiteral("about-box.png")));
}

} // namespace
} // namespace vrq::test
