#include "ui/config/FolderBrowser.h"
#include "ViewerTestSupport.h"

#include <QLabel>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// A file system on which one folder cannot be read.
class UnreadableFolder : public FileSystem {
public:
    Result listFolders(const QString& folder, QStringList* names) const override {
        if (folder.contains(u"Locked"_s))
            return Result::failure(EACCES, u"Permission denied"_s);
        return FileSystem::listFolders(folder, names);
    }
};

using FolderBrowserTest = WindowTest;

// The host folder I:\QX7Com\ of the fixture with the subfolders In and Locked, a hidden one and a file.
TEST_F(FolderBrowserTest, ListsTheFoldersNotHiddenAndSaysWhyOneCannotBeRead) {
    QDir host(fx.hostFolder());
    host.mkpath(u"In"_s);
    host.mkpath(u"Locked/Inside"_s);
    host.mkpath(u".hidden"_s);
    ProgramFixture::writeFile(fx.hostFile(u"QX70001.Rcv"_s), "H");
    UnreadableFolder fs;
    fx.ctx.fs = &fs;
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\"_s, fx.ctx);
    QStringList folders = lines(browser, "lvFolders");
    folders.sort();
    EXPECT_EQ(folders, (QStringList{u"In"_s, u"Locked"_s}));

    FolderBrowser locked(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\Locked"_s, fx.ctx);
    EXPECT_TRUE(lines(locked, "lvFolders").isEmpty());
    auto* problem = locked.findChild<QLabel*>(u"lblProblem"_s);
    EXPECT_TRUE(problem->isVisibleTo(&locked));
    EXPECT_EQ(problem->text(), u"I:\\QX7Com\\Locked\\ cannot be read: Permission denied"_s);
}

} // namespace
} // namespace vrq::test
