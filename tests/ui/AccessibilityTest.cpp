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

namespace vrq::test {
namespace {

// What a screen reader hears of each control a person can reach with the keyboard, in every window.
struct WindowCase {
    const char* name; // the window open() makes
};

class Accessibility : public WindowTest, public ::testing::WithParamInterface<WindowCase> {
protected:
    // The window, over a call with one order of one item, selected; the test owns it.
    QWidget* open(const QString& name) {
        addCall(0, 4, true, true);
        addOrder(0, 4, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"), 1);
        addItem(0, 4, 1, 1, QStringLiteral("4711"), 1);
        select(0, 4, 1);
        AppContext& ctx = fx.ctx;
        if (name == QLatin1String("frmCalls"))
            return new CallsWindow(ctx);
        if (name == QLatin1String("frmProperties"))
            return new PropertiesDialog(ctx, {});
        if (name == QLatin1String("frmBrowse"))
            return new FolderBrowser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\"), ctx);
        if (name == QLatin1String("frmAbout"))
            return new AboutBox(ctx);
        if (name == QLatin1String("frmCallDetails"))
            return new CallDetailsWindow(ctx, selected, pictures);
        if (name == QLatin1String("frmOrderDetails"))
            return new OrderDetailsWindow(*ctx.store->findCall(0, 4), ctx.store->ordersOfCall(0, 4)[0],
                                          ctx.store->itemsOfOrder(0, 4, 1), pictures);
        if (name == QLatin1String("frmRptListCalls"))
            return new ListCallsDialog(ctx);
        const OrderViewKind kind = name == QLatin1String("frmSPCalls")     ? OrderViewKind::BySalesperson
                                   : name == QLatin1String("frmCustCalls") ? OrderViewKind::ByCustomer
                                                                           : OrderViewKind::ByDate;
        auto* view = new OrdersViewWindow(kind, ctx, pictures, selected);
        if (view->textInput())
            view->textInput()->setText(QStringLiteral("1"));
        view->findOrders();
        return view;
    }
};

TEST_P(Accessibility, EveryReachableControlHasAName) {
    fx.ctx.settings.EnableFiles = true;
    const std::unique_ptr<QWidget> window(open(QLatin1String(GetParam().name)));
    window->show();
    int controls = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<HeaderButton*>(w);
        const bool qtPart = w->objectName().startsWith(QLatin1String("qt_")); // inside a date box
        if (!input || qtPart || !w->isVisible() || w->focusPolicy() == Qt::NoFocus ||
            w->objectName().isEmpty())
            continue;
        ++controls;
        const QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(w);
        EXPECT_TRUE(reader && !reader->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_GT(controls, 1);
}

INSTANTIATE_TEST_SUITE_P(Windows, Accessibility,
                         ::testing::Values(WindowCase{"frmCalls"}, WindowCase{"frmProperties"},
                                           WindowCase{"frmBrowse"}, WindowCase{"frmAbout"},
                                           WindowCase{"frmCallDetails"}, WindowCase{"frmOrderDetails"},
                                           WindowCase{"frmSPCalls"}, WindowCase{"frmCustCalls"},
                                           WindowCase{"frmDateCalls"}, WindowCase{"frmRptListCalls"}),
                         RowName());

} // namespace
} // namespace vrq::test
