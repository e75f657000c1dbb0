#pragma once

#include "support/ProgramFixture.h"
#include "support/TestNames.h"
#include "ui/viewers/HeaderPictures.h"
#include "ui/viewers/SelectedCall.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace vrq::test {

using namespace Qt::StringLiterals;

// The widget tests share one QApplication for the whole test program.
inline void ensureApplication() {
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tests_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the process ends
}

// What the next message box showed (empty while none appeared).
struct MessageBoxSeen {
    QString text;
    QTimer poll;
};

// Answers the next modal message box with `button`, polling for it from the event loop it runs in.
// Polling stops once the box is answered or when the caller drops the result.
inline std::shared_ptr<MessageBoxSeen> answerNextMessageBox(QMessageBox::StandardButton button) {
    auto seen = std::make_shared<MessageBoxSeen>();
    MessageBoxSeen* result = seen.get();
    QObject::connect(&result->poll, &QTimer::timeout, [result, button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            result->poll.stop();
            result->text = box->text();
            box->button(button)->click();
        }
    });
    result->poll.start(20);
    return seen;
}

// Looks at the next modal window named objectName when it opens (see) and closes it. Polling stops once
// it is closed or when the caller drops the handle.
[[nodiscard]] inline std::shared_ptr<void> closeNextModalWindow(const QString& objectName,
                                                                std::function<void(QWidget*)> see) {
    auto poll = std::make_shared<QTimer>();
    QTimer* timer = poll.get();
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, see] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != objectName)
            return;
        timer->stop();
        see(modal);
        modal->close();
    });
    timer->start(20);
    return poll;
}

inline QStringList strings(const std::vector<const char*>& texts) {
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

// What vrqtoqx7-report printed over a program folder, and its exit code (-1 when it did not end).
struct ReportRun {
    int exitCode = -1;
    QString out;
    QString errors;
};

// Runs vrqtoqx7-report over the program folder home with the arguments, split on blanks, and extra ones;
// with the settings file given, or the user's own.
inline ReportRun runReport(const QString& home, const QString& arguments, const QStringList& extra = {},
                           const QString& settingsFile = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VRQTOQX7_HOME"_s, home);
    if (!settingsFile.isEmpty())
        environment.insert(u"VRQTOQX7_SETTINGS"_s, settingsFile);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VRQ_REPORT_EXECUTABLE), arguments.split(u' ') + extra);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The window tests' program folder (ProgramFixture) with the application made first, a clock stopped at
// 03/08/2010 09:00, and the header pictures and selected call the viewers share.
class WindowTest : public ::testing::Test {
protected:
    struct ApplicationFirst {
        ApplicationFirst() { ensureApplication(); }
    } m_applicationFirst;

    // One call, made on 03/07/2010 at 14:05 unless told. An extracted call
    // went to QX740001.Rcv on 03/08/2010 09:30.
    void addCall(int source, int number, bool good = true, bool extracted = false, bool complete = true,
                 QDateTime when = {}, int orders = 0) {
        fx.addCall(source, number, orders, good, complete, false,
                   when.isValid() ? when : QDateTime(QDate(2010, 3, 7), QTime(14, 5)));
        if (extracted) {
            ASSERT_TRUE(fx.store->calls()
                            .markExtracted(source, number, u"QX740001.Rcv  "_s,
                                           QDateTime(QDate(2010, 3, 8), QTime(9, 30)))
                            .ok());
        }
    }
    // The next order of a call (its order count raised), as the intake stores it.
    void addOrder(int source, int number, const QString& salesperson, const QString& customer,
                  const QString& message = u"MSG"_s, int items = 0) {
        int seq = 0;
        ASSERT_TRUE(fx.store->calls().raiseNumberOfOrders(source, number, &seq).ok()) << number;
        fx.add(OrderRow{source, number, seq, salesperson, customer, u"01"_s, u"R7"_s, message, items, {}});
    }
    void addItem(int source, int number, int seq, int itemSeq, const QString& itemNumber, int quantity,
                 int price = 0) {
        fx.add(
            ItemRow{source, number, seq, itemSeq, itemNumber, quantity, 2, 5, price, {}}); // unit 2, 5 % off
    }
    void select(int source, int number, int order = 0) {
        selected.selectedSource = static_cast<qint16>(source);
        selected.selectedCallNumber = number;
        selected.selectedOrderSeqNumber = order;
    }

    // The texts of a list box, and of one column of a grid, top to bottom.
    static QStringList lines(const QWidget& window, const char* list) {
        QStringList texts;
        const auto* box = window.findChild<QListWidget*>(QLatin1String(list));
        for (int i = 0; box && i < box->count(); ++i)
            texts << box->item(i)->text();
        return texts;
    }
    static QStringList column(const QAbstractItemModel& model, int column) {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, column).data().toString();
        return texts;
    }
    static QStringList column(const QWidget& window, const char* grid, int c) {
        return column(*window.findChild<QTableView*>(QLatin1String(grid))->model(), c);
    }
    static void clickRow(QTableView& view, int row, int column = 1) {
        const QRect cell = view.visualRect(view.model()->index(row, column));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Keeps the window until the test ends, shown unless told, with the model of its grid checked after
    // every change.
    template <typename W> W& keep(std::unique_ptr<W> window, bool show = true) {
        closeWindow();
        m_kept = std::move(window);
        m_gridTester = std::make_unique<QAbstractItemModelTester>(
            m_kept->findChild<QTableView*>()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        if (show) {
            m_kept->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_kept.get()));
        }
        return static_cast<W&>(*m_kept);
    }
    void closeWindow() {
        m_gridTester.reset();
        m_kept.reset();
    }
    void TearDown() override { closeWindow(); }

    ProgramFixture fx{QDateTime(QDate(2010, 3, 8), QTime(9, 0))};
    HeaderPictures pictures;
    SelectedCall selected;

private:
    std::unique_ptr<QWidget> m_kept;
    std::unique_ptr<QAbstractItemModelTester> m_gridTester;
};

} // namespace vrq::test
