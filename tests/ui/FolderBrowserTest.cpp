#include "ui/config/FolderBrowser.h"
#include "ViewerTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cerrno>

namespace vrq::test {
namespace {

struct TextCase {
    const char* name;
    const char* text;
    const char* expected;
};

class BrowserStartText : public ::testing::TestWithParam<TextCase> {};

TEST_P(BrowserStartText, IsCompletedToAPathWithADrive) {
    EXPECT_EQ(FolderBrowsing::completeStartText(QString::fromUtf8(GetParam().text)),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, BrowserStartText,
                         ::testing::Values(TextCase{"empty", "", "c:\\"},
                                           TextCase{"rooted", "\\Data", "c:\\Data"},
                                           TextCase{"bareName", "Data", "c:\\Data"},
                                           TextCase{"withDrive", "I:\\QX7Com\\", "I:\\QX7Com\\"},
                                           TextCase{"driveOnly", "I:", "I:"},
                                           TextCase{"nativePath", "/srv/vrq/dcs/", "/srv/vrq/dcs/"}),
                         RowName());

class BrowserUpOneLevel : public ::testing::TestWithParam<TextCase> {};

TEST_P(BrowserUpOneLevel, GoesToTheFolderAbove) {
    EXPECT_EQ(FolderBrowsing::upOneLevel(QString::fromUtf8(GetParam().text), QStringLiteral("i:\\")),
              QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, BrowserUpOneLevel,
                         ::testing::Values(TextCase{"folderWithSeparator", "C:\\A\\B\\", "C:\\A"},
                                           TextCase{"folder", "C:\\A", "C:\\"},
                                           TextCase{"rootGivesTheSelectedDrive", "C:\\", "i:\\"},
                                           TextCase{"nativeFolder", "/srv/vrq/", "/srv"},
                                           TextCase{"nativeTopFolder", "/srv", "/"}),
                         RowName());

// The host folder I:\QX7Com\ of the fixture with the subfolders Out and In, a hidden one and a file.
class FolderBrowserTest : public WindowTest {
protected:
    void SetUp() override {
        QDir host(fx.hostFolder());
        host.mkpath(QStringLiteral("Out/Sent"));
        host.mkpath(QStringLiteral("In"));
        host.mkpath(QStringLiteral(".hidden"));
        ProgramFixture::writeFile(fx.hostFile(QStringLiteral("QX70001.Rcv")), "H");
    }
    static QStringList shown(FolderBrowser& browser) { return lines(browser, "lvFolders"); }
    static QLineEdit* nameBox(FolderBrowser& browser) {
        return browser.findChild<QLineEdit*>(QStringLiteral("txtFolderName"));
    }
};

TEST_F(FolderBrowserTest, ClickNamesAFolderAndDoubleClickEntersIt) {
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\"), fx.ctx);
    QStringList folders = shown(browser);
    folders.sort();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("In"), QStringLiteral("Out")}))
        << "no hidden folder, no file";
    EXPECT_TRUE(browser.findChild<QComboBox*>(QStringLiteral("dlbDrives"))
                    ->currentText()
                    .startsWith(QStringLiteral("i:")));

    browser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
    auto* list = browser.findChild<QListWidget*>(QStringLiteral("lvFolders"));
    QListWidgetItem* out = list->findItems(QStringLiteral("Out"), Qt::MatchExactly).value(0);
    ASSERT_NE(out, nullptr);
    const QPoint at = list->visualItemRect(out).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(nameBox(browser)->text(), QStringLiteral("I:\\QX7Com\\Out"));
    EXPECT_EQ(shown(browser).size(), 2) << "a click does not change the list";
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(browser.currentFolder(), QStringLiteral("I:\\QX7Com\\Out\\"));
    EXPECT_EQ(shown(browser), QStringList{QStringLiteral("Sent")});

    browser.findChild<QToolButton*>(QStringLiteral("btnUp1Level"))->click();
    EXPECT_EQ(nameBox(browser)->text(), QStringLiteral("I:\\QX7Com"));
    EXPECT_EQ(shown(browser).size(), 2);
}

// Every way of leaving the browser but OK gives "Cancelled".
struct CancelCase {
    const char* name;
    std::function<void(FolderBrowser&)> leave;
};

class BrowserCancel : public FolderBrowserTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(BrowserCancel, GivesCancelled) {
    FolderBrowser browser(FolderBrowser::Kind::DataBinDirectory, QStringLiteral("I:\\QX7Com\\"), fx.ctx);
    browser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
    GetParam().leave(browser);
    EXPECT_EQ(browser.result(), QStringLiteral("Cancelled"));
    EXPECT_FALSE(browser.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BrowserCancel,
    ::testing::Values(CancelCase{"cancelButton",
                                 [](FolderBrowser& b) {
                                     b.findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
                                 }},
                      CancelCase{"closeBox", [](FolderBrowser& b) { b.close(); }}),
    RowName());

// A file system on which one folder cannot be read.
class UnreadableFolder : public FileSystem {
public:
    Result listFolders(const QString& folder, QStringList* names) const override {
        if (folder.contains(QStringLiteral("Locked")))
            return Result::failure(EACCES, QStringLiteral("Permission denied"));
        return FileSystem::listFolders(folder, names);
    }
};

TEST_F(FolderBrowserTest, AnUnreadableFolderListsAsEmptyAndSaysWhyAMissingOneWithoutAWord) {
    QDir(fx.hostFolder()).mkpath(QStringLiteral("Locked/Inside"));
    UnreadableFolder fs;
    fx.ctx.fs = &fs;
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\QX7Com\\Locked"), fx.ctx);
    EXPECT_TRUE(shown(browser).isEmpty());
    auto* problem = browser.findChild<QLabel*>(QStringLiteral("lblProblem"));
    EXPECT_TRUE(problem->isVisibleTo(&browser));
    EXPECT_EQ(problem->text(), QStringLiteral("I:\\QX7Com\\Locked\\ cannot be read: Permission denied"));

    nameBox(browser)->setText(QStringLiteral("\\Data"));
    browser.findChild<QToolButton*>(QStringLiteral("btnUp1Level"))->click();
    EXPECT_EQ(nameBox(browser)->text(), QStringLiteral("\\"));
    EXPECT_TRUE(shown(browser).isEmpty()) << "C: is not set up here";
    EXPECT_FALSE(problem->isVisibleTo(&browser));
}

} // namespace
} // namespace vrq::test
