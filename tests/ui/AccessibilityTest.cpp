#include "ViewerTestSupport.h"

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
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

// What a screen reader hears of each control a person can reach with the keyboard, in every window, over a
// call with one order of one item, selected.
using Accessibility = WindowTest;

TEST_F(Accessibility, EveryReachableControlOfEveryWindowHasAName) {
    fx.ctx.settings.EnableFiles = true;
    addCall(0, 4, true, true);
    addOrder(0, 4, u"1"_s, u"2"_s, u"M"_s, 1);
    addItem(0, 4, 1, 1, u"4711"_s, 1);
    select(0, 4, 1);
    AppContext& ctx = fx.ctx;
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new CallsWindow(ctx));
    windows.emplace_back(new PropertiesDialog(ctx, {}));
    windows.emplace_back(new FolderBrowser(FolderBrowser::Kind::QX7Directory, u"I:\\"_s, ctx));
    windows.emplace_back(new AboutBox(ctx));
    windows.emplace_back(new CallDetailsWindow(ctx, selected, pictures));
    windows.emplace_back(new OrderDetailsWindow(*ctx.store->findCall(0, 4), ctx.store->ordersOfCall(0, 4)[0],
                                                ctx.store->itemsOfOrder(0, 4, 1), pictures));
    windows.emplace_back(new ListCallsDialog(ctx));
    for (const OrderViewKind kind :
         {OrderViewKind::BySalesperson, OrderViewKind::ByCustomer, OrderViewKind::ByDate}) {
        auto* view = new OrdersViewWindow(kind, ctx, pictures, selected);
        if (view->textInput())
            view->textInput()->setText(u"1"_s);
        view->findOrders();
        windows.emplace_back(view);
    }
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

} // namespace
} // namespace vrq::test
