#include "platform/Paths.h"
#include "platform/FileSystem.h"
#include "support/ProgramFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace vrq;

namespace {

void touch(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(test::ProgramFixture::writeFile(path, bytes));
}

class PathsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home = dir.filePath(u"home"_s);
    QString mapped = dir.filePath(u"mnt/qx7"_s);
    PathResolver paths{home, {{u'I', mapped}}};
};

struct ResolveCase {
    const char* setting;
    const char* expectedRelative; // below the temporary folder
};

// C:\ZIR32\DCS\DataBin.Dat exists: its components match without regard to case, and components below a
// missing folder stay as written until the path goes back up.
TEST_F(PathsTest, DrivePathsResolveThroughTheDriveMap) {
    touch(home + u"/drives/C/ZIR32/DCS/DataBin.Dat"_s);
    const ResolveCase cases[] = {
        {"I:\\QX7Com\\", "mnt/qx7/QX7Com/"},
        {"i:\\QX7Com\\QX710042.Tmp", "mnt/qx7/QX7Com/QX710042.Tmp"},
        {"I:", "mnt/qx7"},
        {"C:\\ZIR32\\DCS\\", "home/drives/C/ZIR32/DCS/"},
        {"\\Data", "home/drives/C/Data"},
        {".\\", "home/"},
        {"DataBin.Dat", "home/DataBin.Dat"},
        {"C:\\WBZ   ", "home/drives/C/WBZ"},
        {"c:\\zir32\\dcs\\databin.dat", "home/drives/C/ZIR32/DCS/DataBin.Dat"},
        {"c:\\gone\\zir32\\dcs", "home/drives/C/gone/zir32/dcs"},
        {"c:\\gone\\deeper\\..\\..\\zir32\\dcs\\databin.dat", "home/drives/C/ZIR32/DCS/DataBin.Dat"},
    };
    for (const ResolveCase& c : cases)
        EXPECT_EQ(paths.resolve(QString::fromLatin1(c.setting)),
                  dir.filePath(QString::fromLatin1(c.expectedRelative)))
            << c.setting;
}

TEST_F(PathsTest, SeparatorsFollowThePathKind) {
    EXPECT_EQ(PathResolver::withTrailingSeparator(u"C:\\WBZ"_s), u"C:\\WBZ\\"_s);
    EXPECT_EQ(PathResolver::withTrailingSeparator(u"/srv/wbz"_s), u"/srv/wbz/"_s);
}

TEST(FileSystemTest, RenameNeverReplacesAnExistingFile) {
    QTemporaryDir dir;
    const QString from = dir.filePath(u"QX710042.Tmp"_s);
    const QString to = dir.filePath(u"QX710042.Rcv"_s);
    touch(from, "new");
    touch(to, "waiting for the host");
    FileSystem& fs = realFileSystem();
    EXPECT_FALSE(fs.renameNoReplace(from, to).ok());
    EXPECT_EQ(test::ProgramFixture::readFile(to), QByteArray("waiting for the host"));
    ASSERT_TRUE(fs.removeFile(to).ok());
    EXPECT_TRUE(fs.renameNoReplace(from, to).ok());
    EXPECT_FALSE(fs.fileExists(from));
}

} // namespace
