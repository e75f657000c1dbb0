#include "ui/config/FolderBrowser.h"
#include "ViewerTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
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

// The host folder I:\QX7Com\ of the fixture with the subfolders archive, In, Locked and Zeta, a hidden one
// and a file.
TEST_F(FolderBrowserTest, ListsTheFoldersNotHiddenAndSaysWhyOneCannotBeRead) {
    QDir host(fx.hostFolder());
    host.mkpath(u"In"_s);
    host.mkpath(u"Locked/Inside"_s);
    host.mkpath(u".hidden"_s);
    ProgramFixture::writeFile(fx.hostFile(u"QX70001.Rcv"_s), "H");
    UnreadableFolder fs;
    fx.ctx.fs = &fs;
    host.mkpath(u"archive"_s);
    host.mkpath(u"Zeta"_s);
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\"_s, fx.ctx);
    // By name, whatever the letter case.
    EXPECT_EQ(lines(browser, "lvFolders"), (QStringList{u"archive"_s, u"In"_s, u"Locked"_s, u"Zeta"_s}));

    FolderBrowser locked(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\Locked"_s, fx.ctx);
    EXPECT_TRUE(lines(locked, "lvFolders").isEmpty());
    auto* problem = locked.findChild<QLabel*>(u"lblProblem"_s);
    EXPECT_TRUE(problem->isVisibleTo(&locked));
    EXPECT_EQ(problem->text(), u"I:\\QX7Com\\Locked\\ cannot be read: Permission denied"_s);
}

// The rules on the name box's text, apart from the window.
struct RuleCase {
    const char* name;
    bool up; // Up One Level from the text, else the start text completed
    const char* text;
    const char* expected;
};

class FolderBrowsingRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FolderBrowsingRules, GiveTheNameBoxText) {
    const RuleCase c = GetParam();
    const QString text = QString::fromLatin1(c.text);
    EXPECT_EQ(c.up ? FolderBrowsing::upOneLevel(text, u"c:\\"_s) : FolderBrowsing::completeStartText(text),
              QLatin1String(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Texts, FolderBrowsingRules,
                         ::testing::Values(RuleCase{"UpFromTwoLevels", true, "C:\\A\\B\\", "C:\\A"},
                                           RuleCase{"UpFromOneLevel", true, "C:\\A", "C:\\"},
                                           RuleCase{"UpFromTheRoot", true, "C:\\", "c:\\"},
                                           RuleCase{"StartAtARootedFolder", false, "\\Data", "c:\\Data"},
                                           RuleCase{"StartAtAFolderName", false, "Data", "c:\\Data"},
                                           RuleCase{"StartEmpty", false, "", "c:\\"}),
                         RowName());

// The browser opened on I:\QX7Com\ (folders In and Out, Out holding Sub), shown and active: what the
// person's steps leave in the name box and which folder is listed.
struct StepCase {
    const char* name;
    std::function<void(FolderBrowser&, QListWidget&)> steps;
    const char* nameBox;
    const char* listed; // the folder whose subfolders the list shows
};

class FolderBrowserSteps : public WindowTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(FolderBrowserSteps, ChangeTheNameBoxOnlyWhenAFolderIsChosen) {
    const StepCase c = GetParam();
    QDir(fx.hostFolder()).mkpath(u"In"_s);
    QDir(fx.hostFolder()).mkpath(u"Out/Sub"_s);
    FolderBrowser browser(FolderBrowser::Kind::QX7Directory, u"I:\\QX7Com\\"_s, fx.ctx);
    browser.show();
    browser.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));
    c.steps(browser, *browser.findChild<QListWidget*>(u"lvFolders"_s));
    EXPECT_EQ(browser.result(), QLatin1String(c.nameBox));
    EXPECT_EQ(browser.currentFolder(), QLatin1String(c.listed));
    EXPECT_EQ(browser.isVisible(), browser.result() != FolderBrowser::cancelled());
}

void clickItem(QListWidget& list, const QString& text, bool twice) {
    const QPoint at = list.visualItemRect(list.findItems(text, Qt::MatchExactly).value(0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

// Qt makes the first folder the list's current item.
void tabInto(QListWidget& list) {
    list.setFocus(Qt::TabFocusReason);
    EXPECT_EQ(list.currentItem() ? list.currentItem()->text() : QString(), u"In"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FolderBrowserSteps,
    ::testing::Values(
        StepCase{"ArrowKeys",
                 [](FolderBrowser&, QListWidget& l) {
                     tabInto(l);
                     QTest::keyClick(&l, Qt::Key_Down);
                 },
                 "I:\\QX7Com\\", "I:\\QX7Com\\"},
        StepCase{"EnterOnAFolder",
                 [](FolderBrowser&, QListWidget& l) {
                     tabInto(l);
                     QTest::keyClick(&l, Qt::Key_Down);
                     QTest::keyClick(&l, Qt::Key_Return);
                 },
                 "I:\\QX7Com\\Out", "I:\\QX7Com\\Out\\"},
        StepCase{"Click", [](FolderBrowser&, QListWidget& l) { clickItem(l, u"Out"_s, false); },
                 "I:\\QX7Com\\Out", "I:\\QX7Com\\"},
        StepCase{"ClickThenDoubleClick", [](FolderBrowser&, QListWidget& l) { clickItem(l, u"Out"_s, true); },
                 "I:\\QX7Com\\Out", "I:\\QX7Com\\Out\\"},
        StepCase{"UpOneLevel",
                 [](FolderBrowser& b, QListWidget&) { b.findChild<QToolButton*>(u"btnUp1Level"_s)->click(); },
                 "I:\\", "I:\\"},
        StepCase{"ChangeDrive",
                 [](FolderBrowser& b, QListWidget&) {
                     auto* drives = b.findChild<QComboBox*>(u"dlbDrives"_s);
                     drives->setCurrentIndex(drives->findText(u"/"_s));
                 },
                 "/", "/"},
        StepCase{"Cancel",
                 [](FolderBrowser& b, QListWidget&) { b.findChild<QPushButton*>(u"btnCancel"_s)->click(); },
                 "Cancelled", "I:\\QX7Com\\"},
        StepCase{"CloseBox", [](FolderBrowser& b, QListWidget&) { b.close(); }, "Cancelled", "I:\\QX7Com\\"},
        StepCase{"Escape", [](FolderBrowser& b, QListWidget&) { QTest::keyClick(&b, Qt::Key_Escape); },
                 "Cancelled", "I:\\QX7Com\\"}),
    RowName());

} // namespace
} // namespace vrq::test
