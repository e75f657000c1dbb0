#include "ui/config/PropertiesDialog.h"

#include "context/AppContext.h"
#include "platform/NetworkDrive.h"
#include "ui/ProgramTitle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vrq {

namespace {

template <typename Widget> Widget* named(Widget* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QCheckBox* checkBox(const QString& name, const QString& caption, QWidget* parent) {
    return named(new QCheckBox(caption, parent), name);
}

QPushButton* pushButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return button;
}

QLabel* label(const QString& name, const QString& caption, QWidget* parent) {
    return named(new QLabel(caption, parent), name);
}

// A text box named by its label, for the keyboard (the label's buddy) and for screen readers.
QLineEdit* textBox(const QString& name, QLabel* caption, QWidget* parent) {
    auto* box = named(new QLineEdit(parent), name);
    box->setAccessibleName(caption->text());
    caption->setBuddy(box);
    return box;
}

// Part of the tab order or not, as a switched-off group's inputs are not.
void setTabStop(QWidget* widget, bool on) {
    widget->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

} // namespace

PropertiesDialog::PropertiesDialog(AppContext& ctx, std::function<void()> purgeNow, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_purgeNow(std::move(purgeNow)) {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    setModal(true);
    buildSystemInfo();
    buildCalls();
    buildFiles();
    buildAS400();
    QPushButton* cmdOK = pushButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    QPushButton* cmdCancel = pushButton(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(fraSystemInfo);
    left->addWidget(fraCalls);
    left->addWidget(fraFiles);
    auto* right = new QVBoxLayout;
    right->addWidget(fraAS400);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(chkEnableCalls, &QCheckBox::toggled, this, &PropertiesDialog::switchCallsGroup);
    connect(chkEnableFiles, &QCheckBox::toggled, this, &PropertiesDialog::switchFilesGroup);
    connect(cmdBrowse, &QPushButton::clicked, this,
            [this] { browseInto(FolderBrowser::Kind::QX7Directory, txtQX7Directory, txtQX7Directory); });
    connect(cmdBrowse2, &QPushButton::clicked, this, [this] {
        browseInto(FolderBrowser::Kind::DataBinDirectory, txtDataBinDirectory, txtDataBinDirectory);
    });
    connect(cmdFileBrowse, &QPushButton::clicked, this,
            [this] { browseInto(FolderBrowser::Kind::QX7Directory, txtQX7Directory, txtScannedFolder); });
    connect(cmdOK, &QPushButton::clicked, this, &PropertiesDialog::onOK);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtLocalDrive->installEventFilter(this);

    load(propertiesFromSettings(ctx.settings));
}

void PropertiesDialog::buildSystemInfo() {
    fraSystemInfo =
        named(new QGroupBox(QStringLiteral("System Info"), this), QStringLiteral("fraSystemInfo"));
    chkEnableCalls = checkBox(QStringLiteral("chkEnableCalls"),
                              QStringLiteral("Enable monitoring of orders received in calls"), fraSystemInfo);
    chkEnableFiles = checkBox(QStringLiteral("chkEnableFiles"),
                              QStringLiteral("Enable monitoring of orders received in files"), fraSystemInfo);
    QLabel* label9 =
        label(QStringLiteral("Label9"), QStringLiteral("Calls Program System ID"), fraSystemInfo);
    txtCallsProgramSystemID = textBox(QStringLiteral("txtCallsProgramSystemID"), label9, fraSystemInfo);
    txtCallsProgramSystemID->setFixedWidth(40);
    QLabel* label10 =
        label(QStringLiteral("Label10"), QStringLiteral("(Enter one digit from 0 to 9.)"), fraSystemInfo);
    QLabel* label3 = label(QStringLiteral("Label3"), QStringLiteral("Number of Days of Call History to keep"),
                           fraSystemInfo);
    txtDaysOfHistory = textBox(QStringLiteral("txtDaysOfHistory"), label3, fraSystemInfo);
    txtDaysOfHistory->setFixedWidth(40);
    QLabel* label11 = label(QStringLiteral("Label11"),
                            QStringLiteral("(14 is the default, can go up to 60.)"), fraSystemInfo);

    auto* grid = new QGridLayout(fraSystemInfo);
    grid->addWidget(chkEnableCalls, 0, 0, 1, 2);
    grid->addWidget(chkEnableFiles, 1, 0, 1, 2);
    grid->addWidget(label9, 2, 0);
    grid->addWidget(txtCallsProgramSystemID, 2, 1);
    grid->addWidget(label10, 3, 0, 1, 2);
    grid->addWidget(label3, 4, 0);
    grid->addWidget(txtDaysOfHistory, 4, 1);
    grid->addWidget(label11, 5, 0, 1, 2);
}

void PropertiesDialog::buildCalls() {
    fraCalls = named(new QGroupBox(QStringLiteral("Orders in Calls"), this), QStringLiteral("fraCalls"));
    lblDataBinDirectory =
        label(QStringLiteral("lblDataBinDirectory"), QStringLiteral("DataBin.Dat Folder"), fraCalls);
    txtDataBinDirectory = textBox(QStringLiteral("txtDataBinDirectory"), lblDataBinDirectory, fraCalls);
    cmdBrowse2 = pushButton(QStringLiteral("cmdBrowse2"), QStringLiteral("&Browse..."), fraCalls);
    lblFormat = label(QStringLiteral("lblFormat"), QStringLiteral("Databin Format"), fraCalls);
    cmbFormat = named(new QComboBox(fraCalls), QStringLiteral("cmbFormat"));
    cmbFormat->setAccessibleName(lblFormat->text());
    lblFormat->setBuddy(cmbFormat);

    auto* grid = new QGridLayout(fraCalls);
    grid->addWidget(lblDataBinDirectory, 0, 0, 1, 2);
    grid->addWidget(txtDataBinDirectory, 1, 0);
    grid->addWidget(cmdBrowse2, 1, 1);
    grid->addWidget(lblFormat, 2, 0, 1, 2);
    grid->addWidget(cmbFormat, 3, 0);
}

void PropertiesDialog::buildFiles() {
    fraFiles = named(new QGroupBox(QStringLiteral("Orders in Files"), this), QStringLiteral("fraFiles"));
    lblScannedFolder = label(QStringLiteral("lblScannedFolder"), QStringLiteral("Scanned Folder"), fraFiles);
    txtScannedFolder = textBox(QStringLiteral("txtScannedFolder"), lblScannedFolder, fraFiles);
    cmdFileBrowse = pushButton(QStringLiteral("cmdFileBrowse"), QStringLiteral("&Browse..."), fraFiles);
    lblFileScanMinutes = label(QStringLiteral("lblFileScanMinutes"),
                               QStringLiteral("Minutes between scans for new files"), fraFiles);
    txtFileScanMinutes = textBox(QStringLiteral("txtFileScanMinutes"), lblFileScanMinutes, fraFiles);
    txtFileScanMinutes->setFixedWidth(40);
    lblFileScanMinutesHelp =
        label(QStringLiteral("lblFileScanMinutesHelp"), QStringLiteral("(Range: 1 to 60 minutes)"), fraFiles);

    auto* grid = new QGridLayout(fraFiles);
    grid->addWidget(lblScannedFolder, 0, 0, 1, 2);
    grid->addWidget(txtScannedFolder, 1, 0);
    grid->addWidget(cmdFileBrowse, 1, 1);
    grid->addWidget(lblFileScanMinutes, 2, 0);
    // At the right edge, under the Browse button, as the number boxes of System Info above.
    grid->addWidget(txtFileScanMinutes, 2, 1, Qt::AlignRight);
    grid->addWidget(lblFileScanMinutesHelp, 3, 0, 1, 2);
}

void PropertiesDialog::buildAS400() {
    fraAS400 = named(new QGroupBox(QStringLiteral("Remote Order Folder on AS/400"), this),
                     QStringLiteral("fraAS400"));
    QLabel* label1 = label(QStringLiteral("Label1"), QStringLiteral("MXR Folder"), fraAS400);
    txtQX7Directory = textBox(QStringLiteral("txtQX7Directory"), label1, fraAS400);
    cmdBrowse = pushButton(QStringLiteral("cmdBrowse"), QStringLiteral("&Browse..."), fraAS400);
    QLabel* label4 = label(QStringLiteral("Label4"), QStringLiteral("MXR Name"), fraAS400);
    txtQX7Name = textBox(QStringLiteral("txtQX7Name"), label4, fraAS400);
    QLabel* label5 = label(QStringLiteral("Label5"), QStringLiteral("Local Drive"), fraAS400);
    txtLocalDrive = textBox(QStringLiteral("txtLocalDrive"), label5, fraAS400);
    txtLocalDrive->setFixedWidth(40);
    chkMonitorNetwork =
        checkBox(QStringLiteral("chkMonitorNetwork"), QStringLiteral("Monitor Network"), fraAS400);
    chkAutoConnect = checkBox(QStringLiteral("chkAutoConnect"),
                              QStringLiteral("Automatically Reconnect Network Drive"), fraAS400);
    lblMessage = label(QStringLiteral("lblMessage"), QString(), fraAS400);
    lblMessage->setAccessibleName(QStringLiteral("Connection"));

    auto* grid = new QGridLayout(fraAS400);
    grid->addWidget(label1, 0, 0, 1, 2);
    grid->addWidget(txtQX7Directory, 1, 0);
    grid->addWidget(cmdBrowse, 1, 1);
    grid->addWidget(label4, 2, 0, 1, 2);
    grid->addWidget(txtQX7Name, 3, 0, 1, 2);
    grid->addWidget(label5, 4, 0, 1, 2);
    grid->addWidget(txtLocalDrive, 5, 0);
    grid->addWidget(chkMonitorNetwork, 6, 0, 1, 2);
    grid->addWidget(chkAutoConnect, 7, 0, 1, 2);
    grid->addWidget(lblMessage, 8, 0, 1, 2);
}

void PropertiesDialog::load(const PropertiesEntries& e) {
    txtCallsProgramSystemID->setText(e.systemId);
    chkEnableCalls->setChecked(e.enableCalls);
    switchCallsGroup(e.enableCalls);
    chkEnableFiles->setChecked(e.enableFiles);
    switchFilesGroup(e.enableFiles);
    txtDaysOfHistory->setText(e.daysOfHistory);
    cmbFormat->addItems({QStringLiteral("Auto"), QStringLiteral("Quill"), QStringLiteral("Old WBZ")});
    cmbFormat->setCurrentIndex(e.formatIndex);
    txtDataBinDirectory->setText(e.dataBinFolder);
    txtScannedFolder->setText(e.scannedFolder);
    txtQX7Name->setText(e.qx7Name);
    txtQX7Directory->setText(e.qx7Folder);
    txtFileScanMinutes->setText(e.fileScanMinutes);
    txtLocalDrive->setText(e.localDrive);
    chkMonitorNetwork->setChecked(e.monitorNetwork);
    chkAutoConnect->setChecked(e.autoConnect);
}

PropertiesEntries PropertiesDialog::entries() const {
    PropertiesEntries e;
    e.enableCalls = chkEnableCalls->checkState() == Qt::Checked;
    e.enableFiles = chkEnableFiles->checkState() == Qt::Checked;
    e.systemId = txtCallsProgramSystemID->text();
    e.daysOfHistory = txtDaysOfHistory->text();
    e.dataBinFolder = txtDataBinDirectory->text();
    e.formatIndex = cmbFormat->currentIndex();
    e.scannedFolder = txtScannedFolder->text();
    e.fileScanMinutes = txtFileScanMinutes->text();
    e.qx7Folder = txtQX7Directory->text();
    e.qx7Name = txtQX7Name->text();
    e.localDrive = txtLocalDrive->text();
    e.monitorNetwork = chkMonitorNetwork->checkState() == Qt::Checked;
    e.autoConnect = chkAutoConnect->checkState() == Qt::Checked;
    return e;
}

void PropertiesDialog::switchCallsGroup(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(fraCalls), static_cast<QWidget*>(lblFormat),
                       static_cast<QWidget*>(cmbFormat), static_cast<QWidget*>(lblDataBinDirectory),
                       static_cast<QWidget*>(txtDataBinDirectory), static_cast<QWidget*>(cmdBrowse2)})
        w->setEnabled(on);
    for (QWidget* w : {static_cast<QWidget*>(cmbFormat), static_cast<QWidget*>(txtDataBinDirectory),
                       static_cast<QWidget*>(cmdBrowse2)})
        setTabStop(w, on);
}

void PropertiesDialog::switchFilesGroup(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(fraFiles), static_cast<QWidget*>(lblScannedFolder),
                       static_cast<QWidget*>(txtScannedFolder), static_cast<QWidget*>(cmdFileBrowse),
                       static_cast<QWidget*>(lblFileScanMinutes), static_cast<QWidget*>(txtFileScanMinutes),
                       static_cast<QWidget*>(lblFileScanMinutesHelp)})
        w->setEnabled(on);
    for (QWidget* w : {static_cast<QWidget*>(txtScannedFolder), static_cast<QWidget*>(cmdFileBrowse),
                       static_cast<QWidget*>(txtFileScanMinutes)})
        setTabStop(w, on);
}

void PropertiesDialog::browseInto(FolderBrowser::Kind kind, QLineEdit* startFrom, QLineEdit* target) {
    const QString picked = FolderBrowser::browse(kind, startFrom->text(), m_ctx, this);
    if (picked != FolderBrowser::cancelled())
        target->setText(picked);
}

bool PropertiesDialog::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the box by the keyboard or the mouse; not a message box or another window taking the focus.
    if (watched == txtLocalDrive && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        connectLocalDrive();
    return QDialog::eventFilter(watched, event);
}

void PropertiesDialog::connectLocalDrive() {
    if (!m_ctx.drives)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const DriveConnection connection = DriveConnection::of(txtLocalDrive->text(), txtQX7Name->text());
    lblMessage->setText(connection.messageText());
    const int result = connection.connect(*m_ctx.drives);
    QGuiApplication::restoreOverrideCursor();
    if (result != 0)
        QMessageBox::warning(
            this, programTitle(),
            QStringLiteral("Unable to connect the drive to the QX7 system.  There is either an "
                           "error in the specified data, or the QX7 system is unavailable at "
                           "this time."));
}

bool PropertiesDialog::keepFolders(const PropertiesEntries& e) {
    if (!m_ctx.paths)
        return true;
    const QStringList concerns = folderConcerns(e, *m_ctx.paths);
    if (concerns.isEmpty())
        return true;
    const QString text = concerns.join(QLatin1Char('\n')) +
                         QStringLiteral("\n\nA folder on a network drive may only be away for the moment. "
                                        "Keep these folders?");
    return QMessageBox::question(this, programTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void PropertiesDialog::onOK() {
    const PropertiesEntries e = entries();
    const QString refusal = firstRefusal(e);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, programTitle(), refusal);
        return;
    }
    if (!keepFolders(e))
        return;
    acceptProperties(m_ctx, e, m_purgeNow);
    accept();
}

} // namespace vrq
