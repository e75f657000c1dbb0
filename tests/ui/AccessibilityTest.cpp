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

class Accessibility;

// What a screen reader hears of each control a person can reach with the keyboard, in every window.
struct WindowCase {
    const char* name;
    std::function<QWidget*(Accessibility&)> open; // the test owns the window
};

class Accessibility : public WindowTest, public ::testing::WithParamInterface<WindowCase> {
public:
    // A call with one order of one item, selected.
    void fillOneCall() {
        addCall(0, 4, true, true);
        addOrder(0, 4, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"), 1);
        addItem(0, 4, 1, 1, QStringLiteral("4711"), 1);
        select(0, 4, 1);
    }
    QWidget* ordersView(OrderViewKind kind) {
        auto* view = new OrdersViewWindow(kind, fx.ctx, pictures, selected);
        if (view->textInput())
            view->textInput()->setText(QStringLiteral("1"));
        view->findOrders();
        return view;
    }
    AppContext& ctx() { return fx.ctx; }
    HeaderPictures& headerPictures() { return pictures; }
    SelectedCall& selectedCall() { return selected; }
};

TEST_P(Accessibility, EveryReachableControlHasAName) {
    fx.ctx.settings.EnableFiles = true;
    fillOneCall();
    const std::unique_ptr<QWidget> window(GetParam().open(*this));
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
        const QString name = accessibleName(w);
        EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_GT(controls, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, Accessibility,
    ::testing::Values(
        WindowCase{"frmCalls", [](Accessibility& t) -> QWidget* { return new CallsWindow(t.ctx()); }},
        WindowCase{"frmProperties",
                   [](Accessibility& t) -> QWidget* { return new PropertiesDialog(t.ctx(), {}); }},
        WindowCase{"frmBrowse",
                   [](Accessibility& t) -> QWidget* {
                       return new FolderBrowser(FolderBrowser::Kind::QX7Directory, QStringLiteral("I:\\"),
                                                t.ctx());
                   }},
        WindowCase{"frmAbout", [](Accessibility& t) -> QWidget* { return new AboutBox(t.ctx()); }},
        WindowCase{"frmCallDetails",
                   [](Accessibility& t) -> QWidget* {
                       return new CallDetailsWindow(t.ctx(), t.selectedCall(), t.headerPictures());
                   }},
        WindowCase{"frmOrderDetails",
                   [](Accessibility& t) -> QWidget* {
                       CallStore& store = *t.ctx().store;
                       return new OrderDetailsWindow(*store.findCall(0, 4), store.ordersOfCall(0, 4)[0],
                                                     store.itemsOfOrder(0, 4, 1), t.headerPictures());
                   }},
        WindowCase{"frmSPCalls", [](Accessibility& t) { return t.ordersView(OrderViewKind::BySalesperson); }},
        WindowCase{"frmCustCalls", [](Accessibility& t) { return t.ordersView(OrderViewKind::ByCustomer); }},
        WindowCase{"frmDateCalls", [](Accessibility& t) { return t.ordersView(OrderViewKind::ByDate); }},
        WindowCase{"frmRptListCalls",
                   [](Accessibility& t) -> QWidget* { return new ListCallsDialog(t.ctx()); }}),
    RowName());

} // namespace
} // namespace vrq::test
