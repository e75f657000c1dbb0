#include "ui/config/PropertiesDialog.h"
#include "ViewerTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace vrq::test {
namespace {

class PropertiesDialogTest : public WindowTest {
protected:
    template <typename W = QWidget> W* control(PropertiesDialog& dialog, const char* name) {
        auto* w = dialog.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void type(PropertiesDialog& dialog, const char* box, const QString& text) {
        control<QLineEdit>(dialog, box)->setText(text);
    }
    // Clicks OK; the message box it may show is answered with `answer` and returned.
    std::shared_ptr<MessageBoxSeen> clickOK(PropertiesDialog& dialog,
                                            QMessageBox::StandardButton answer = QMessageBox::Ok) {
        auto seen = answerNextMessageBox(answer);
        control<QPushButton>(dialog, "cmdOK")->click();
        return seen;
    }
};

// OK stores the entries and closes; its save and audit entry are read back by window mode's first run.
TEST_F(PropertiesDialogTest, OkStoresTheEntriesAndCloses) {
    PropertiesDialog dialog(fx.ctx, {});
    EXPECT_EQ(control<QLineEdit>(dialog, "txtQX7Name")->text(), u"HOST"_s);
    type(dialog, "txtCallsProgramSystemID", u"3"_s);
    type(dialog, "txtQX7Name", u"AS400B"_s);
    control<QComboBox>(dialog, "cmbFormat")->setCurrentIndex(2);
    control<QCheckBox>(dialog, "chkAutoConnect")->setChecked(false);
    EXPECT_EQ(clickOK(dialog)->text, QString());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(fx.ctx.settings.systemId, 3);
    EXPECT_EQ(fx.ctx.settings.qx7Name, u"AS400B"_s);
    EXPECT_EQ(fx.ctx.settings.dataBinFormat, 2);
    EXPECT_FALSE(fx.ctx.settings.autoConnect);
}

// A refused entry keeps the dialog open with the entries as typed; Cancel closes it. Neither stores anything.
TEST_F(PropertiesDialogTest, ARefusedEntryOrCancelStoresNothing) {
    for (const QString& days : {u"61"_s, u"fourteen"_s, u"7"_s}) { // the last one cancelled
        PropertiesDialog dialog(fx.ctx, {});
        type(dialog, "txtDaysOfHistory", days);
        type(dialog, "txtQX7Name", u"CHANGED"_s);
        if (days == u"7"_s) {
            control<QPushButton>(dialog, "cmdCancel")->click();
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            continue;
        }
        EXPECT_FALSE(clickOK(dialog)->text.isEmpty()) << days.toStdString();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(control<QLineEdit>(dialog, "txtDaysOfHistory")->text(), days) << "entries stay as typed";
    }
    EXPECT_EQ(fx.ctx.settings.daysOfHistory, 14);
    EXPECT_EQ(fx.ctx.settings.qx7Name, u"HOST"_s);
    EXPECT_TRUE(fx.auditMessages(u"P"_s).isEmpty());
}

TEST_F(PropertiesDialogTest, AMissingFolderIsStoredOnlyWhenThePersonKeepsIt) {
    const QString away = u"I:\\Away\\"_s;
    for (const bool keep : {false, true}) {
        PropertiesDialog dialog(fx.ctx, {});
        type(dialog, "txtQX7Directory", away);
        auto seen = clickOK(dialog, keep ? QMessageBox::Yes : QMessageBox::No);
        EXPECT_TRUE(seen->text.startsWith(u"MXR Folder \"I:\\Away\\\" does not exist."_s))
            << seen->text.toStdString();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, keep);
        EXPECT_EQ(fx.ctx.settings.qx7Path == away, keep);
    }
}

TEST_F(PropertiesDialogTest, LeavingTheLocalDriveBoxWithNoMachineNameReportsTheFailedConnection) {
    fx.ctx.settings.qx7Name.clear();
    fx.drives.connectResult = 67;
    PropertiesDialog dialog(fx.ctx, {});
    auto seen = answerNextMessageBox(QMessageBox::Ok);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(control(dialog, "txtLocalDrive"), &leave);
    EXPECT_EQ(fx.drives.calls, (QStringList{u"disconnect I:"_s, u"connect I: \\\\\\Qdls"_s}));
    EXPECT_EQ(control<QLabel>(dialog, "lblMessage")->text(), u"\\\\\\Qdls  =>  I:"_s);
    EXPECT_EQ(seen->text,
              QStringLiteral("Unable to connect the drive to the QX7 system.  There is either an error "
                             "in the specified data, or the QX7 system is unavailable at this time."));
}

// The Store tab: the connection box is in use only for PostgreSQL; OK stores the four store settings.
TEST_F(PropertiesDialogTest, TheStoreTabStoresWhereTheCallsAreKept) {
    PropertiesDialog dialog(fx.ctx, {});
    auto* tabs = control<QTabWidget>(dialog, "tabProperties");
    tabs->setCurrentWidget(control(dialog, "tabStore"));
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), u"Store"_s);
    auto* backend = control<QComboBox>(dialog, "cmbStoreBackend");
    auto* connection = control<QLineEdit>(dialog, "txtStoreConnection");
    auto* workstation = control<QSpinBox>(dialog, "spnWorkstation");
    EXPECT_EQ(backend->currentText(), u"SQLite"_s);
    EXPECT_FALSE(connection->isEnabled());
    EXPECT_EQ(workstation->value(), 1);
    EXPECT_EQ(connection->accessibleName(), u"Store connection"_s);
    EXPECT_EQ(workstation->accessibleName(), u"Workstation"_s);

    backend->setCurrentIndex(1);
    EXPECT_TRUE(connection->isEnabled()) << "switched on as the backend changes, by any means";
    type(dialog, "txtStoreConnection", u"host=db1 dbname=vrq user=desk1 "_s);
    workstation->setValue(120);
    EXPECT_EQ(workstation->value(), 99) << "the box takes 1 to 99";
    workstation->setValue(7);
    control<QCheckBox>(dialog, "chkTakeOver")->setChecked(false);
    EXPECT_EQ(clickOK(dialog)->text, QString());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(fx.ctx.settings.storeBackend, StoreBackend::PostgreSQL);
    EXPECT_EQ(fx.ctx.settings.storeConnection, u"host=db1 dbname=vrq user=desk1"_s);
    EXPECT_EQ(fx.ctx.settings.workstation, 7);
    EXPECT_FALSE(fx.ctx.settings.takeOver);
    EXPECT_EQ(fx.savedSetting(u"Store"_s, u"Backend"_s), u"PostgreSQL"_s);
    EXPECT_EQ(fx.savedSetting(u"Store"_s, u"Workstation"_s), u"7"_s);
}

// A connection that holds a password is refused while PostgreSQL is chosen; nothing is stored.
TEST_F(PropertiesDialogTest, AStoreConnectionWithAPasswordIsRefused) {
    for (const QString& connection : {u"host=db1 password=x"_s, u"postgresql://desk1:pw@db1/vrq"_s}) {
        PropertiesDialog dialog(fx.ctx, {});
        control<QComboBox>(dialog, "cmbStoreBackend")->setCurrentIndex(1);
        type(dialog, "txtStoreConnection", connection);
        EXPECT_EQ(clickOK(dialog)->text, u"The store connection in the settings holds a password; keep it in "
                                         "~/.pgpass or a service file instead."_s)
            << connection.toStdString();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(control<QLineEdit>(dialog, "txtStoreConnection")->text(), connection);
    }
    EXPECT_EQ(fx.ctx.settings.storeBackend, StoreBackend::SQLite);
    EXPECT_TRUE(fx.ctx.settings.storeConnection.isEmpty());
    EXPECT_TRUE(fx.auditMessages(u"P"_s).isEmpty());
}

// The number boxes of both groups stand in one column.
TEST_F(PropertiesDialogTest, TheNumberBoxesLineUp) {
    PropertiesDialog dialog(fx.ctx, {});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QStringList columns; // "left-right" of each box within the dialog
    for (const char* name : {"txtCallsProgramSystemID", "txtDaysOfHistory", "txtFileScanMinutes"}) {
        const QWidget* box = control(dialog, name);
        const QRect r(box->mapTo(&dialog, QPoint()), box->size());
        columns << u"%1-%2"_s.arg(r.left()).arg(r.right());
    }
    EXPECT_EQ(columns, QStringList(3, columns.first()));
}

} // namespace
} // namespace vrq::test
