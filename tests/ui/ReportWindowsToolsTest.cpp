#include "ViewerTestSupport.h"

#include "ui/viewers/ListCallsDialog.h"
#include "ui/viewers/OrdersViewWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

namespace vrq::test {
namespace {

// Saves pictures of the order views and the list-of-calls dialog into $VRQ_SCREENSHOT_DIR, over a store
// of sample calls; run by scripts/screenshot.sh.
class ReportWindowsTools : public StoreFixture {
protected:
    void fillSamples() {
        const QDateTime start(QDate(2010, 3, 8), QTime(8, 15));
        for (int n = 1; n <= 6; ++n) {
            addCall(n % 4 == 3 ? 1 : 0, 1000 + n, true, n <= 3, true, start.addSecs(n * 1260));
            for (int o = 0; o < (n % 3) + 1; ++o) {
                int seq = 0;
                ASSERT_TRUE(m_store->raiseNumberOfOrders(n % 4 == 3 ? 1 : 0, 1000 + n, &seq).ok());
                OrderRow order;
                order.source = n % 4 == 3 ? 1 : 0;
                order.callNumber = 1000 + n;
                order.orderSeqNumber = seq;
                order.salesperson = n % 2 ? QStringLiteral("112") : QStringLiteral("407");
                order.customer = QString::number(20300 + n * 11 + o);
                ASSERT_TRUE(m_store->insertOrder(order).ok());
            }
        }
    }
    void save(QWidget& window, const QString& file) {
        window.move(40, 40);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(200);
        const QString path =
            QDir(qEnvironmentVariable("VRQ_SCREENSHOT_DIR", QStringLiteral("."))).filePath(file);
        ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
        std::printf("saved %s\n", qPrintable(path));
    }
};

TEST_F(ReportWindowsTools, DISABLED_SaveScreenshots) {
    fillSamples();
    HeaderPictures pictures;
    SelectedCall selected;
    struct View {
        OrderViewKind kind;
        const char* typed;
        const char* file;
    };
    for (const View& v : {View{OrderViewKind::BySalesperson, "112", "orders-by-salesperson.png"},
                          View{OrderViewKind::ByCustomer, "20333", "orders-by-customer.png"},
                          View{OrderViewKind::ByDate, "", "orders-by-date.png"}}) {
        OrdersViewWindow window(v.kind, m_ctx, pictures, selected);
        if (window.textInput())
            window.textInput()->setText(QString::fromLatin1(v.typed));
        else
            window.dateInput()->setDate(QDate(2010, 3, 8));
        window.findOrders();
        save(window, QString::fromLatin1(v.file));
    }
    ListCallsDialog dialog(m_ctx);
    save(dialog, QStringLiteral("list-calls-dialog.png"));
}

} // namespace
} // namespace vrq::test
