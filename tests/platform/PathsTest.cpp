#include "platform/Paths.h"
#include "platform/FileSystem.h"
#include "support/ProgramFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrq;

namespace {

void touch(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(test::ProgramFixture::writeFile(path, bytes));
}

class PathsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home = dir.filePath(QStringLiteral("home"));
    QString mapped = dir.filePath(QStringLiteral("mnt/qx7"));
    PathResolver paths{home, {{QLatin1Char('I'), mapped}}};
};

struct ResolveCase {
    const char* setting;
    const char* expectedRelative; // below the temporary folder
};

TEST_F(PathsTest, DrivePathsResolveThroughTheDriveMap) {
    const ResolveCase cases[] = {
        {"I:\\QX7Com\\", "mnt/qx7/QX7Com/"},
        {"i:\\QX7Com\\QX710042.Tmp", "mnt/qx7/QX7Com/QX710042.Tmp"},
        {"I:", "mnt/qx7"},
        {"C:\\ZIR32\\DCS\\", "home/drives/C/ZIR32/DCS/"},
        {"\\Data", "home/drives/C/Data"},
        {".\\", "home/"},
        {"DataBin.Dat", "home/DataBin.Dat"},
        {"C:\\WBZ   ", "home/drives/C/WBZ"},
    };
    for (const ResolveCase& c : cases)
        EXPECT_EQ(paths.resolve(QString::fromLatin1(c.setting)),
                  dir.filePath(QString::fromLatin1(c.expectedRelative)))
            << c.setting;
}

TEST_F(PathsTest, ComponentsMatchWithoutRegardToCase) {
    touch(home + QStringLiteral("/drives/C/ZIR32/DCS/DataBin.Dat"));
    EXPECT_EQ(paths.resolve(QStringLiteral("c:\\zir32\\dcs\\databin.dat")),
              home + QStringLiteral("/drives/C/ZIR32/DCS/DataBin.Dat"));
}

TEST_F(PathsTest, ComponentsBelowAMissingFolderStayAsWrittenUntilAPathGoesBackUp) {
    touch(home + QStringLiteral("/drives/C/ZIR32/DCS/DataBin.Dat"));
    EXPECT_EQ(paths.resolve(QStringLiteral("c:\\gone\\zir32\\dcs")),
              home + QStringLiteral("/drives/C/gone/zir32/dcs"));
    EXPECT_EQ(paths.resolve(QStringLiteral("c:\\gone\\deeper\\..\\..\\zir32\\dcs\\databin.dat")),
              home + QStringLiteral("/drives/C/ZIR32/DCS/DataBin.Dat"));
}

TEST_F(PathsTest, SeparatorsFollowThePathKind) {
    EXPECT_EQ(PathResolver::withTrailingSeparator(QStringLiteral("C:\\WBZ")), QStringLiteral("C:\\WBZ\\"));
    EXPECT_EQ(PathResolver::withTrailingSeparator(QStringLiteral("/srv/wbz")), QStringLiteral("/srv/wbz/"));
}

TEST(FileSystemTest, RenameNeverReplacesAnExistingFile) {
    QTemporaryDir dir;
    const QString from = dir.filePath(QStringLiteral("QX710042.Tmp"));
    const QString to = dir.filePath(QStringLiteral("QX710042.Rcv"));
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
