#include "ui/config/PropertiesDialog.h"

#include "context/AppContext.h"
#include "platform/NetworkDrive.h"
#include "settings/SettingsStore.h"
#include "shell/AcceptProperties.h"
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
#include <QSpinBox>
#include <QTabWidget>
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
    buildStore();
    QPushButton* okButton = pushButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    okButton->setDefault(true);
    QPushButton* cancelButton = pushButton(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(m_systemInfoGroup);
    left->addWidget(m_callsGroup);
    left->addWidget(m_filesGroup);
    auto* right = new QVBoxLayout;
    right->addWidget(m_hostGroup);
    right->addStretch();
    auto* generalTab = named(new QWidget(this), QStringLiteral("tabGeneral"));
    auto* columns = new QHBoxLayout(generalTab);
    columns->addLayout(left);
    columns->addLayout(right);
    auto* tabs = named(new QTabWidget(this), QStringLiteral("tabProperties"));
    tabs->addTab(generalTab, QStringLiteral("General"));
    tabs->addTab(m_storeTab, QStringLiteral("Store"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_enableCallsBox, &QCheckBox::toggled, this, &PropertiesDialog::switchCallsGroup);
    connect(m_enableFilesBox, &QCheckBox::toggled, this, &PropertiesDialog::switchFilesGroup);
    connect(m_storeBackendCombo, &QComboBox::currentIndexChanged, this,
            &PropertiesDialog::switchStoreConnection);
    connect(m_hostFolderBrowseButton, &QPushButton::clicked, this,
            [this] { browseInto(FolderBrowser::Kind::QX7Directory, m_hostFolderEdit, m_hostFolderEdit); });
    connect(m_dataBinBrowseButton, &QPushButton::clicked, this, [this] {
        browseInto(FolderBrowser::Kind::DataBinDirectory, m_dataBinFolderEdit, m_dataBinFolderEdit);
    });
    connect(m_scannedFolderBrowseButton, &QPushButton::clicked, this,
            [this] { browseInto(FolderBrowser::Kind::QX7Directory, m_hostFolderEdit, m_scannedFolderEdit); });
    connect(okButton, &QPushButton::clicked, this, &PropertiesDialog::onOK);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    m_localDriveEdit->installEventFilter(this);

    load(propertiesFromSettings(ctx.settings));
}

void PropertiesDialog::buildSystemInfo() {
    m_systemInfoGroup =
        named(new QGroupBox(QStringLiteral("System Info"), this), QStringLiteral("fraSystemInfo"));
    m_enableCallsBox =
        checkBox(QStringLiteral("chkEnableCalls"),
                 QStringLiteral("Enable monitoring of orders received in calls"), m_systemInfoGroup);
    m_enableFilesBox =
        checkBox(QStringLiteral("chkEnableFiles"),
                 QStringLiteral("Enable monitoring of orders received in files"), m_systemInfoGroup);
    QLabel* systemIdLabel =
        label(QStringLiteral("Label9"), QStringLiteral("Calls Program System ID"), m_systemInfoGroup);
    m_systemIdEdit = textBox(QStringLiteral("txtCallsProgramSystemID"), systemIdLabel, m_systemInfoGroup);
    m_systemIdEdit->setFixedWidth(40);
    QLabel* systemIdHelp =
        label(QStringLiteral("Label10"), QStringLiteral("(Enter one digit from 0 to 9.)"), m_systemInfoGroup);
    QLabel* daysOfHistoryLabel =
        label(QStringLiteral("Label3"), QStringLiteral("Number of Days of Call History to keep"),
              m_systemInfoGroup);
    m_daysOfHistoryEdit = textBox(QStringLiteral("txtDaysOfHistory"), daysOfHistoryLabel, m_systemInfoGroup);
    m_daysOfHistoryEdit->setFixedWidth(40);
    QLabel* daysOfHistoryHelp =
        label(QStringLiteral("Label11"), QStringLiteral("(14 is the default, can go up to 60.)"),
              m_systemInfoGroup);

    auto* grid = new QGridLayout(m_systemInfoGroup);
    grid->addWidget(m_enableCallsBox, 0, 0, 1, 2);
    grid->addWidget(m_enableFilesBox, 1, 0, 1, 2);
    grid->addWidget(systemIdLabel, 2, 0);
    grid->addWidget(m_systemIdEdit, 2, 1);
    grid->addWidget(systemIdHelp, 3, 0, 1, 2);
    grid->addWidget(daysOfHistoryLabel, 4, 0);
    grid->addWidget(m_daysOfHistoryEdit, 4, 1);
    grid->addWidget(daysOfHistoryHelp, 5, 0, 1, 2);
}

void PropertiesDialog::buildCalls() {
    m_callsGroup = named(new QGroupBox(QStringLiteral("Orders in Calls"), this), QStringLiteral("fraCalls"));
    m_dataBinFolderLabel =
        label(QStringLiteral("lblDataBinDirectory"), QStringLiteral("DataBin.Dat Folder"), m_callsGroup);
    m_dataBinFolderEdit = textBox(QStringLiteral("txtDataBinDirectory"), m_dataBinFolderLabel, m_callsGroup);
    m_dataBinBrowseButton =
        pushButton(QStringLiteral("cmdBrowse2"), QStringLiteral("&Browse..."), m_callsGroup);
    m_formatLabel = label(QStringLiteral("lblFormat"), QStringLiteral("Databin Format"), m_callsGroup);
    m_formatCombo = named(new QComboBox(m_callsGroup), QStringLiteral("cmbFormat"));
    m_formatCombo->setAccessibleName(m_formatLabel->text());
    m_formatLabel->setBuddy(m_formatCombo);

    auto* grid = new QGridLayout(m_callsGroup);
    grid->addWidget(m_dataBinFolderLabel, 0, 0, 1, 2);
    grid->addWidget(m_dataBinFolderEdit, 1, 0);
    grid->addWidget(m_dataBinBrowseButton, 1, 1);
    grid->addWidget(m_formatLabel, 2, 0, 1, 2);
    grid->addWidget(m_formatCombo, 3, 0);
}

void PropertiesDialog::buildFiles() {
    m_filesGroup = named(new QGroupBox(QStringLiteral("Orders in Files"), this), QStringLiteral("fraFiles"));
    m_scannedFolderLabel =
        label(QStringLiteral("lblScannedFolder"), QStringLiteral("Scanned Folder"), m_filesGroup);
    m_scannedFolderEdit = textBox(QStringLiteral("txtScannedFolder"), m_scannedFolderLabel, m_filesGroup);
    m_scannedFolderBrowseButton =
        pushButton(QStringLiteral("cmdFileBrowse"), QStringLiteral("&Browse..."), m_filesGroup);
    m_scanMinutesLabel = label(QStringLiteral("lblFileScanMinutes"),
                               QStringLiteral("Minutes between scans for new files"), m_filesGroup);
    m_scanMinutesEdit = textBox(QStringLiteral("txtFileScanMinutes"), m_scanMinutesLabel, m_filesGroup);
    m_scanMinutesEdit->setFixedWidth(40);
    m_scanMinutesHelp = label(QStringLiteral("lblFileScanMinutesHelp"),
                              QStringLiteral("(Range: 1 to 60 minutes)"), m_filesGroup);

    auto* grid = new QGridLayout(m_filesGroup);
    grid->addWidget(m_scannedFolderLabel, 0, 0, 1, 2);
    grid->addWidget(m_scannedFolderEdit, 1, 0);
    grid->addWidget(m_scannedFolderBrowseButton, 1, 1);
    grid->addWidget(m_scanMinutesLabel, 2, 0);
    // At the right edge, under the Browse button, as the number boxes of System Info above.
    grid->addWidget(m_scanMinutesEdit, 2, 1, Qt::AlignRight);
    grid->addWidget(m_scanMinutesHelp, 3, 0, 1, 2);
}

void PropertiesDialog::buildAS400() {
    m_hostGroup = named(new QGroupBox(QStringLiteral("Remote Order Folder on AS/400"), this),
                        QStringLiteral("fraAS400"));
    QLabel* hostFolderLabel = label(QStringLiteral("Label1"), QStringLiteral("MXR Folder"), m_hostGroup);
    m_hostFolderEdit = textBox(QStringLiteral("txtQX7Directory"), hostFolderLabel, m_hostGroup);
    m_hostFolderBrowseButton =
        pushButton(QStringLiteral("cmdBrowse"), QStringLiteral("&Browse..."), m_hostGroup);
    QLabel* hostNameLabel = label(QStringLiteral("Label4"), QStringLiteral("MXR Name"), m_hostGroup);
    m_hostNameEdit = textBox(QStringLiteral("txtQX7Name"), hostNameLabel, m_hostGroup);
    QLabel* localDriveLabel = label(QStringLiteral("Label5"), QStringLiteral("Local Drive"), m_hostGroup);
    m_localDriveEdit = textBox(QStringLiteral("txtLocalDrive"), localDriveLabel, m_hostGroup);
    m_localDriveEdit->setFixedWidth(40);
    m_monitorNetworkBox =
        checkBox(QStringLiteral("chkMonitorNetwork"), QStringLiteral("Monitor Network"), m_hostGroup);
    m_autoConnectBox = checkBox(QStringLiteral("chkAutoConnect"),
                                QStringLiteral("Automatically Reconnect Network Drive"), m_hostGroup);
    m_connectionLabel = label(QStringLiteral("lblMessage"), QString(), m_hostGroup);
    m_connectionLabel->setAccessibleName(QStringLiteral("Connection"));

    auto* grid = new QGridLayout(m_hostGroup);
    grid->addWidget(hostFolderLabel, 0, 0, 1, 2);
    grid->addWidget(m_hostFolderEdit, 1, 0);
    grid->addWidget(m_hostFolderBrowseButton, 1, 1);
    grid->addWidget(hostNameLabel, 2, 0, 1, 2);
    grid->addWidget(m_hostNameEdit, 3, 0, 1, 2);
    grid->addWidget(localDriveLabel, 4, 0, 1, 2);
    grid->addWidget(m_localDriveEdit, 5, 0);
    grid->addWidget(m_monitorNetworkBox, 6, 0, 1, 2);
    grid->addWidget(m_autoConnectBox, 7, 0, 1, 2);
    grid->addWidget(m_connectionLabel, 8, 0, 1, 2);
}

void PropertiesDialog::buildStore() {
    m_storeTab = named(new QWidget(this), QStringLiteral("tabStore"));
    QLabel* backendLabel =
        label(QStringLiteral("lblStoreBackend"), QStringLiteral("Store backend"), m_storeTab);
    m_storeBackendCombo = named(new QComboBox(m_storeTab), QStringLiteral("cmbStoreBackend"));
    for (const StoreBackend backend : {StoreBackend::SQLite, StoreBackend::PostgreSQL})
        m_storeBackendCombo->addItem(SettingText::fromStoreBackend(backend));
    m_storeBackendCombo->setAccessibleName(backendLabel->text());
    backendLabel->setBuddy(m_storeBackendCombo);
    m_storeConnectionLabel =
        label(QStringLiteral("lblStoreConnection"), QStringLiteral("Store connection"), m_storeTab);
    m_storeConnectionEdit = textBox(QStringLiteral("txtStoreConnection"), m_storeConnectionLabel, m_storeTab);
    m_storeConnectionHelp =
        label(QStringLiteral("lblStoreConnectionHelp"),
              QStringLiteral("(host=... dbname=... user=...; the password goes in ~/.pgpass.)"), m_storeTab);
    QLabel* workstationLabel =
        label(QStringLiteral("lblWorkstation"), QStringLiteral("Workstation"), m_storeTab);
    m_workstationSpin = named(new QSpinBox(m_storeTab), QStringLiteral("spnWorkstation"));
    m_workstationSpin->setRange(1, 99);
    m_workstationSpin->setAccessibleName(workstationLabel->text());
    workstationLabel->setBuddy(m_workstationSpin);
    QLabel* workstationHelp =
        label(QStringLiteral("lblWorkstationHelp"),
              QStringLiteral("(1 to 99, a number of its own for each workstation.)"), m_storeTab);
    m_takeOverBox = checkBox(QStringLiteral("chkTakeOver"),
                             QStringLiteral("Send the calls of a workstation that has stopped"), m_storeTab);

    auto* grid = new QGridLayout(m_storeTab);
    grid->addWidget(backendLabel, 0, 0);
    grid->addWidget(m_storeBackendCombo, 0, 1, Qt::AlignLeft);
    grid->addWidget(m_storeConnectionLabel, 1, 0, 1, 2);
    grid->addWidget(m_storeConnectionEdit, 2, 0, 1, 2);
    grid->addWidget(m_storeConnectionHelp, 3, 0, 1, 2);
    grid->addWidget(workstationLabel, 4, 0);
    grid->addWidget(m_workstationSpin, 4, 1, Qt::AlignLeft);
    grid->addWidget(workstationHelp, 5, 0, 1, 2);
    grid->addWidget(m_takeOverBox, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
}

void PropertiesDialog::load(const PropertiesEntries& e) {
    m_systemIdEdit->setText(e.systemId);
    m_enableCallsBox->setChecked(e.enableCalls);
    switchCallsGroup(e.enableCalls);
    m_enableFilesBox->setChecked(e.enableFiles);
    switchFilesGroup(e.enableFiles);
    m_daysOfHistoryEdit->setText(e.daysOfHistory);
    m_formatCombo->addItems({QStringLiteral("Auto"), QStringLiteral("Quill"), QStringLiteral("Old WBZ")});
    m_formatCombo->setCurrentIndex(e.formatIndex);
    m_dataBinFolderEdit->setText(e.dataBinFolder);
    m_scannedFolderEdit->setText(e.scannedFolder);
    m_hostNameEdit->setText(e.qx7Name);
    m_hostFolderEdit->setText(e.qx7Folder);
    m_scanMinutesEdit->setText(e.fileScanMinutes);
    m_localDriveEdit->setText(e.localDrive);
    m_monitorNetworkBox->setChecked(e.monitorNetwork);
    m_autoConnectBox->setChecked(e.autoConnect);
    m_storeBackendCombo->setCurrentIndex(static_cast<int>(e.storeBackend));
    switchStoreConnection(m_storeBackendCombo->currentIndex());
    m_storeConnectionEdit->setText(e.storeConnection);
    m_workstationSpin->setValue(e.workstation);
    m_takeOverBox->setChecked(e.takeOver);
}

PropertiesEntries PropertiesDialog::entries() const {
    PropertiesEntries e;
    e.enableCalls = m_enableCallsBox->checkState() == Qt::Checked;
    e.enableFiles = m_enableFilesBox->checkState() == Qt::Checked;
    e.systemId = m_systemIdEdit->text();
    e.daysOfHistory = m_daysOfHistoryEdit->text();
    e.dataBinFolder = m_dataBinFolderEdit->text();
    e.formatIndex = m_formatCombo->currentIndex();
    e.scannedFolder = m_scannedFolderEdit->text();
    e.fileScanMinutes = m_scanMinutesEdit->text();
    e.qx7Folder = m_hostFolderEdit->text();
    e.qx7Name = m_hostNameEdit->text();
    e.localDrive = m_localDriveEdit->text();
    e.monitorNetwork = m_monitorNetworkBox->checkState() == Qt::Checked;
    e.autoConnect = m_autoConnectBox->checkState() == Qt::Checked;
    e.storeBackend = static_cast<StoreBackend>(m_storeBackendCombo->currentIndex());
    e.storeConnection = m_storeConnectionEdit->text();
    e.workstation = m_workstationSpin->value();
    e.takeOver = m_takeOverBox->checkState() == Qt::Checked;
    return e;
}

void PropertiesDialog::switchCallsGroup(bool on) {
    for (QWidget* w :
         {static_cast<QWidget*>(m_callsGroup), static_cast<QWidget*>(m_formatLabel),
          static_cast<QWidget*>(m_formatCombo), static_cast<QWidget*>(m_dataBinFolderLabel),
          static_cast<QWidget*>(m_dataBinFolderEdit), static_cast<QWidget*>(m_dataBinBrowseButton)})
        w->setEnabled(on);
    for (QWidget* w : {static_cast<QWidget*>(m_formatCombo), static_cast<QWidget*>(m_dataBinFolderEdit),
                       static_cast<QWidget*>(m_dataBinBrowseButton)})
        setTabStop(w, on);
}

void PropertiesDialog::switchFilesGroup(bool on) {
    for (QWidget* w :
         {static_cast<QWidget*>(m_filesGroup), static_cast<QWidget*>(m_scannedFolderLabel),
          static_cast<QWidget*>(m_scannedFolderEdit), static_cast<QWidget*>(m_scannedFolderBrowseButton),
          static_cast<QWidget*>(m_scanMinutesLabel), static_cast<QWidget*>(m_scanMinutesEdit),
          static_cast<QWidget*>(m_scanMinutesHelp)})
        w->setEnabled(on);
    for (QWidget* w :
         {static_cast<QWidget*>(m_scannedFolderEdit), static_cast<QWidget*>(m_scannedFolderBrowseButton),
          static_cast<QWidget*>(m_scanMinutesEdit)})
        setTabStop(w, on);
}

// The connection is used only by a PostgreSQL store.
void PropertiesDialog::switchStoreConnection(int backendIndex) {
    const bool on = static_cast<StoreBackend>(backendIndex) == StoreBackend::PostgreSQL;
    for (QWidget* w :
         {static_cast<QWidget*>(m_storeConnectionLabel), static_cast<QWidget*>(m_storeConnectionEdit),
          static_cast<QWidget*>(m_storeConnectionHelp)})
        w->setEnabled(on);
    setTabStop(m_storeConnectionEdit, on);
}

void PropertiesDialog::browseInto(FolderBrowser::Kind kind, QLineEdit* startFrom, QLineEdit* target) {
    const QString picked = FolderBrowser::browse(kind, startFrom->text(), m_ctx, this);
    if (picked != FolderBrowser::cancelled())
        target->setText(picked);
}

bool PropertiesDialog::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the box by the keyboard or the mouse; not a message box or another window taking the focus.
    if (watched == m_localDriveEdit && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        connectLocalDrive();
    return QDialog::eventFilter(watched, event);
}

void PropertiesDialog::connectLocalDrive() {
    if (!m_ctx.drives)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const DriveConnection connection = DriveConnection::of(m_localDriveEdit->text(), m_hostNameEdit->text());
    m_connectionLabel->setText(connection.messageText());
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
