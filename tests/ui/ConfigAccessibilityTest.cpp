#include "ViewerTestSupport.h"
#include "support/ProgramFixture.h"
#include "ui/config/AboutBox.h"
#include "ui/config/FolderBrowser.h"
#include "ui/config/PropertiesDialog.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace vrq::test {
namespace {

// What a screen reader hears of each control a person can reach with the keyboard.
struct WindowCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>(AppContext&)> open;
};

class ConfigAccessibility : public ::testing::TestWithParam<WindowCase> {};

TEST_P(ConfigAccessibility, EveryReachableControlHasAName) {
    ensureApplication();
    ProgramFixture f;
    f.ctx.settings.EnableFiles = true;
    std::unique_ptr<QDialog> window = GetParam().open(f.ctx);
    int controls = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w);
        if (!input || w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty())
            continue;
        ++controls;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(accessible, nullptr) << w->objectName().toStdString();
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
        EXPECT_FALSE(accessible->text(QAccessible::Name).contains(QLatin1Char('&')))
            << w->objectName().toStdString();
    }
    EXPECT_GT(controls, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, ConfigAccessibility,
                         ::testing::Values(WindowCase{"frmProperties",
                                                      [](AppContext& ctx) -> std::unique_ptr<QDialog> {
                                                          return std::make_unique<PropertiesDialog>(
                                                              ctx, std::function<void()>());
                                                      }},
                                           WindowCase{"frmBrowse",
                                                      [](AppContext& ctx) -> std::unique_ptr<QDialog> {
                                                          return std::make_unique<FolderBrowser>(
                                                              FolderBrowser::Kind::QX7Directory,
                                                              QStringLiteral("I:\\"), ctx);
                                                      }},
                                           WindowCase{"frmAbout",
                                                      [](AppContext& ctx) -> std::unique_ptr<QDialog> {
                                                          return std::make_unique<AboutBox>(ctx);
                                                      }}),
                         RowName());

} // namespace
} // namespace vrq::test
