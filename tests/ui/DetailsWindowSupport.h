#pragma once

#include "ViewerTestSupport.h"
#include "support/ProgramFixture.h"

#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/SelectedCall.h"

#include <QAccessible>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <SQLiteCpp/SQLiteCpp.h>

namespace vrq::test {

// A program folder with a store the details windows read, and the selected-call state they share.
class DetailsWindowTest : public ::testing::Test {
protected:
    // The application exists before the members below draw pictures.
    struct ApplicationFirst {
        ApplicationFirst() { ensureApplication(); }
    } applicationFirst;

    void addCall(int source, int number, int orders, bool good = true, bool extracted = false) {
        fx.addCall(source, number, orders, good, true, false, QDateTime(QDate(2010, 3, 7), QTime(14, 5)));
        if (extracted) {
            ASSERT_TRUE(fx.store
                            ->markExtracted(source, number, QStringLiteral("QX740001.Rcv  "),
                                            QDateTime(QDate(2010, 3, 8), QTime(9, 30)))
                            .ok());
        }
    }
    void addOrder(int source, int number, int seq, const QString& salesperson, const QString& customer,
                  const QString& message = QStringLiteral("MSG"), int items = 0) {
        OrderRow row;
        row.source = source;
        row.callNumber = number;
        row.orderSeqNumber = seq;
        row.salesperson = salesperson;
        row.customer = customer;
        row.shipTo = QStringLiteral("01");
        row.route = QStringLiteral("R7");
        row.message = message;
        row.numberOfItems = items;
        ASSERT_TRUE(fx.store->insertOrder(row).ok());
    }
    void addItem(int source, int number, int seq, int itemSeq, const QString& itemNumber, int quantity,
                 int price = 0) {
        ItemRow row;
        row.source = source;
        row.callNumber = number;
        row.orderSeqNumber = seq;
        row.itemSeqNumber = itemSeq;
        row.itemNumber = itemNumber;
        row.quantity = quantity;
        row.unit = 2;
        row.discountPercent = 5;
        row.priceOverride = price;
        ASSERT_TRUE(fx.store->insertItem(row).ok());
    }
    // Store columns set to Null, as rows written by an older program have them.
    void setNull(const char* table, const char* column) {
        fx.store->database().exec(std::string("UPDATE ") + table + " SET " + column + " = NULL");
    }

    void select(int source, int number, int order = 0) {
        selected.SelectedSource = static_cast<qint16>(source);
        selected.SelectedCallNumber = number;
        selected.SelectedOrderSeqNumber = order;
    }

    static QStringList lines(const QWidget& window, const char* list) {
        QStringList texts;
        const auto* box = window.findChild<QListWidget*>(QLatin1String(list));
        for (int i = 0; box && i < box->count(); ++i)
            texts << box->item(i)->text();
        return texts;
    }
    static QStringList column(const QWidget& window, const char* grid, int column) {
        QStringList texts;
        const QAbstractItemModel* model = window.findChild<QTableView*>(QLatin1String(grid))->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }
    static void clickRow(QWidget& window, const char* grid, int row) {
        auto* view = window.findChild<QTableView*>(QLatin1String(grid));
        const QRect cell = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Each control (by objectName) carries its accessible name and takes the keyboard focus with Tab.
    static void expectNamedAndReachable(QWidget& window,
                                        const std::vector<std::pair<const char*, const char*>>& controls) {
        for (const auto& [name, accessibleName] : controls) {
            SCOPED_TRACE(name);
            auto* control = window.findChild<QWidget*>(QLatin1String(name));
            ASSERT_NE(control, nullptr);
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->text(QAccessible::Name), QLatin1String(accessibleName));
            EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
        }
    }
    // A grid's column headers and first cells as the accessibility interface reads them.
    static QStringList accessibleColumns(QWidget& window, const char* grid) {
        QAccessibleInterface* iface =
            QAccessible::queryAccessibleInterface(window.findChild<QTableView*>(QLatin1String(grid)));
        QStringList names;
        for (int c = 0; iface && iface->tableInterface() && c < iface->tableInterface()->columnCount(); ++c)
            names << iface->tableInterface()->columnDescription(c);
        return names;
    }
    static QString accessibleCell(QWidget& window, const char* grid, int row, int column) {
        QAccessibleInterface* iface =
            QAccessible::queryAccessibleInterface(window.findChild<QTableView*>(QLatin1String(grid)));
        QAccessibleInterface* cell = iface->tableInterface()->cellAt(row, column);
        return cell ? cell->text(QAccessible::Name) : QString();
    }

    ProgramFixture fx;
    HeaderPictures pictures;
    SelectedCall selected;
};

} // namespace vrq::test
