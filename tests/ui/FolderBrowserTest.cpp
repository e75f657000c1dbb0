#include "ui/config/FolderBrowser.h"
#include "ViewerTestSupport.h"

#include <QLabel>
#include <cerrno>

namespace vrq::test {
namespace {

// The host folder I:\QX7Com\ of the fixture with the subfolders Out and In, a hidden one and a file.
class FolderBrowserTest : public WindowTest {
protected:
    void SetUp() override {
        QDir host(fx.hostFolder());
        host.mkpath(QStringLiteral("Out"));
        host.mkpath(QStringLiteral("In"));
        host.mkpath(QStringLiteral(".hidden"));
        ProgramFixture::writeFile(fx.hostFile(QStringLiteral("QX70001.Rcv")), "H");
    }
    static QStringList shown(FolderBrowser& browser) { return lines(browser, "lvFolders"); }
};

TEST_F(FolderBrowserTest, ListsOnlyTheFoldersThatAreNotHidden) {
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\"), fx.ctx);
    QStringList folders = shown(browser);
    folders.sort();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("In"), QStringLiteral("Out")}));
}

// A file system on which one folder cannot be read.
class UnreadableFolder : public FileSystem {
public:
    Result listFolders(const QString& folder, QStringList* names) const override {
        if (folder.contains(QStringLiteral("Locked")))
            return Result::failure(EACCES, QStringLiteral("Permission denied"));
        return FileSystem::listFolders(folder, names);
    }
};

TEST_F(FolderBrowserTest, AnUnreadableFolderListsAsEmptyAndSaysWhy) {
    QDir(fx.hostFolder()).mkpath(QStringLiteral("Locked/Inside"));
    UnreadableFolder fs;
    fx.ctx.fs = &fs;
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\Locked"), fx.ctx);
    EXPECT_TRUE(shown(browser).isEmpty());
    auto* problem = browser.findChild<QLabel*>(QStringLiteral("lblProblem"));
    EXPECT_TRUE(problem->isVisibleTo(&browser));
    EXPECT_EQ(problem->text(), QStringLiteral("I:\\QX7Com\\Locked\\ cannot be read: Permission denied"));
}

} // namespace
} // namespace vrq::test
