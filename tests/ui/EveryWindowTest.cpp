#include "ViewerTestSupport.h"

#include "store/StoreProbe.h"
#include "support/ResultChecks.h"
#include "ui/ProgramIcon.h"
#include "ui/config/AboutBox.h"
#include "ui/config/FolderBrowser.h"
#include "ui/config/PropertiesDialog.h"
#include "ui/viewers/CallDetailsWindow.h"
#include "ui/viewers/CallsWindow.h"
#include "ui/viewers/HeaderButton.h"
#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrderDetailsWindow.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// Every window over one sent call holding the widest values each field can hold, with one order of one
// item, selected; the order views found it.
class EveryWindow : public WindowTest {
protected:
    void SetUp() override {
        fx.ctx.settings.enableFiles = true;
        const QDateTime made(QDate(2000, 12, 28), QTime(20, 58));
        addCall(0, 99999, true, true, true, made);
        addOrder(0, 99999, u"999999"_s, u"99999999"_s, u"MSG"_s, 1);
        ASSERT_TRUE(succeeded(StoreProbe(*fx.store).exec(u"UPDATE Orders SET Route = '999999'"_s)));
        addItem(0, 99999, 1, 1, u"9999999999999"_s, -999, 99999);
        select(0, 99999, 1);
        AppContext& ctx = fx.ctx;
        windows.emplace_back(new CallsWindow(ctx));
        windows.emplace_back(new PropertiesDialog(ctx, {}));
        windows.emplace_back(new FolderBrowser(FolderBrowser::Kind::QX7Directory, u"I:\\"_s, ctx));
        windows.emplace_back(new AboutBox(ctx));
        windows.emplace_back(new CallDetailsWindow(ctx, selected, pictures));
        windows.emplace_back(new OrderDetailsWindow(*ctx.store->calls().findCall(0, 99999),
                                                    ctx.store->calls().ordersOfCall(0, 99999)[0],
                                                    ctx.store->calls().itemsOfOrder(0, 99999, 1), pictures));
        windows.emplace_back(new ListCallsDialog(ctx));
        for (const auto& [kind, find] : {std::pair{OrderViewKind::BySalesperson, u"999999"_s},
                                         std::pair{OrderViewKind::ByCustomer, u"99999999"_s},
                                         std::pair{OrderViewKind::ByDate, QString()}}) {
            auto* view = new OrdersViewWindow(kind, ctx, pictures, selected);
            if (view->textInput())
                view->textInput()->setText(find);
            else
                view->dateInput()->setDate(made.date());
            view->findOrders();
            windows.emplace_back(view);
        }
    }

    std::vector<std::unique_ptr<QWidget>> windows;
};

// What a screen reader hears of each control a person can reach with the keyboard.
TEST_F(EveryWindow, EveryReachableControlHasAName) {
    for (const std::unique_ptr<QWidget>& window : windows) {
        window->show();
        int controls = 0;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const bool input = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                               qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                               qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<HeaderButton*>(w);
            const bool qtPart = w->objectName().startsWith("qt_"_L1); // inside a date box
            if (!input || qtPart || !w->isVisible() || w->focusPolicy() == Qt::NoFocus ||
                w->objectName().isEmpty())
                continue;
            ++controls;
            const QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(w);
            EXPECT_TRUE(reader && !reader->text(QAccessible::Name).isEmpty())
                << window->objectName().toStdString() << ": " << w->objectName().toStdString();
        }
        EXPECT_GT(controls, 1) << window->objectName().toStdString();
        window->hide();
    }
}

// The grids show the widest values whole, not cut short with "...": a cell's text and the delegate's
// margins fit its column.
TEST_F(EveryWindow, EveryGridShowsTheWidestValuesWhole) {
    int grids = 0;
    for (const std::unique_ptr<QWidget>& window : windows)
        for (const QTableView* grid : window->findChildren<QTableView*>()) {
            ++grids;
            const std::string name = grid->objectName().toStdString();
            ASSERT_EQ(grid->model()->rowCount(), 1) << name;
            const int margins =
                2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
            for (int column = 0; column < grid->model()->columnCount(); ++column) {
                const QString text = grid->model()->index(0, column).data().toString();
                EXPECT_TRUE(grid->isColumnHidden(column) ||
                            QFontMetrics(grid->font()).horizontalAdvance(text) + margins <=
                                grid->columnWidth(column))
                    << name << " column " << column << ": " << text.toStdString();
            }
        }
    EXPECT_EQ(grids, 6);
}

// The program's own icon is built in, in every window's title (the program sets it for all of them) and
// in the About box, not a generic computer.
TEST_F(EveryWindow, EveryWindowAndTheAboutBoxShowTheProgramIcon) {
    const QImage icon = programIcon().pixmap(QSize(32, 32)).toImage();
    ASSERT_FALSE(icon.isNull()) << "the icon's resource is missing";
    EXPECT_EQ(icon.pixelColor(16, 2), QColor(0x1f, 0x5f, 0x99)) << "the icon's blue face";

    const QIcon before = QApplication::windowIcon();
    QApplication::setWindowIcon(programIcon()); // as the program does when it opens its windows
    for (const std::unique_ptr<QWidget>& window : windows)
        EXPECT_EQ(window->windowIcon().pixmap(QSize(32, 32)).toImage(), icon)
            << window->objectName().toStdString();
    QApplication::setWindowIcon(before);

    const auto* about = windows[3]->findChild<QLabel*>(u"picIcon"_s);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->pixmap().toImage().convertToFormat(icon.format()), icon);
}

} // namespace
} // namespace vrq::test
