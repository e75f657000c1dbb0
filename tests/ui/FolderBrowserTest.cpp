#include "ui/config/FolderBrowser.h"
#include "ViewerTestSupport.h"

#include <QLabel>
#include <cerrno>

namespace vrq::test {
namespace {

// A file system on which one folder cannot be read.
class UnreadableFolder : public FileSystem {
public:
    Result listFolders(const QString& folder, QStringList* names) const override {
        if (folder.contains(QStringLiteral("Locked")))
            return Result::failure(EACCES, QStringLiteral("Permission denied"));
        return FileSystem::listFolders(folder, names);
    }
};

using FolderBrowserTest = WindowTest;

// The host folder I:\QX7Com\ of the fixture with the subfolders In and Locked, a hidden one and a file.
TEST_F(FolderBrowserTest, ListsTheFoldersNotHiddenAndSaysWhyOneCannotBeRead) {
    QDir host(fx.hostFolder());
    host.mkpath(QStringLiteral("In"));
    host.mkpath(QStringLiteral("Locked/Inside"));
    host.mkpath(QStringLiteral(".hidden"));
    ProgramFixture::writeFile(fx.hostFile(QStringLiteral("QX70001.Rcv")), "H");
    UnreadableFolder fs;
    fx.ctx.fs = &fs;
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\"), fx.ctx);
    QStringList folders = lines(browser, "lvFolders");
    folders.sort();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("In"), QStringLiteral("Locked")}));

    FolderBrowser locked(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\Locked"), fx.ctx);
    EXPECT_TRUE(lines(locked, "lvFolders").isEmpty());
    auto* problem = locked.findChild<QLabel*>(QStringLiteral("lblProblem"));
    EXPECT_TRUE(problem->isVisibleTo(&locked));
    EXPECT_EQ(problem->text(), QStringLiteral("I:\\QX7Com\\Locked\\ cannot be read: Permission denied"));
}

} // namespace
} // namespace vrq::test
