#include "ui/config/FolderBrowser.h"

#include "context/AppContext.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vrq {

namespace {

// A picture from the program folder, or the platform's own when the file is missing or unreadable.
QIcon folderPicture(const QString& file, QStyle::StandardPixmap fallback, const QStyle* style) {
    const QString path = QDir::current().filePath(file);
    if (QFileInfo::exists(path)) {
        QIcon icon(path);
        if (!icon.pixmap(16, 16).isNull())
            return icon;
    }
    return style->standardIcon(fallback);
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

} // namespace

const QString& FolderBrowser::cancelled() {
    static const QString text = QStringLiteral("Cancelled");
    return text;
}

FolderBrowser::FolderBrowser(Kind kind, const QString& startText, const AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx) {
    const bool dataBin = kind == Kind::DataBinDirectory;
    setObjectName(dataBin ? QStringLiteral("frmBrowse2") : QStringLiteral("frmBrowse"));
    setWindowTitle(dataBin ? QStringLiteral("DataBin Directory") : QStringLiteral("QX7 Directory"));
    setModal(true);

    auto* lookInLabel = new QLabel(QStringLiteral("Look in:"), this);
    lookInLabel->setObjectName(QStringLiteral("Label2"));
    m_driveCombo = new QComboBox(this);
    m_driveCombo->setObjectName(QStringLiteral("dlbDrives"));
    m_driveCombo->setAccessibleName(QStringLiteral("Look in:"));
    lookInLabel->setBuddy(m_driveCombo);
    m_upOneLevelButton = new QToolButton(this);
    m_upOneLevelButton->setObjectName(QStringLiteral("btnUp1Level"));
    m_upOneLevelButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    m_upOneLevelButton->setToolTip(QStringLiteral("Up One Level"));
    m_upOneLevelButton->setAccessibleName(QStringLiteral("Up One Level"));
    m_folderList = new QListWidget(this);
    m_folderList->setObjectName(QStringLiteral("lvFolders"));
    m_folderList->setAccessibleName(QStringLiteral("Folders"));
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("lblProblem"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->hide();
    auto* folderNameLabel = new QLabel(QStringLiteral("Folder name"), this);
    folderNameLabel->setObjectName(QStringLiteral("Label1"));
    m_folderNameEdit = new QLineEdit(this);
    m_folderNameEdit->setObjectName(QStringLiteral("txtFolderName"));
    m_folderNameEdit->setAccessibleName(QStringLiteral("Folder name"));
    folderNameLabel->setBuddy(m_folderNameEdit);
    QPushButton* okButton = button(QStringLiteral("btnOK"), QStringLiteral("OK"), this);
    okButton->setDefault(true);
    QPushButton* cancelButton = button(QStringLiteral("btnCancel"), QStringLiteral("Cancel"), this);

    auto* grid = new QGridLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(lookInLabel);
    top->addWidget(m_driveCombo, 1);
    top->addWidget(m_upOneLevelButton);
    grid->addLayout(top, 0, 0);
    grid->addWidget(m_folderList, 1, 0);
    grid->addWidget(m_problemLabel, 2, 0);
    grid->addWidget(folderNameLabel, 3, 0);
    grid->addWidget(m_folderNameEdit, 4, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 1, 5, 1);
    resize(420, 300);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &FolderBrowser::reject);
    connect(m_upOneLevelButton, &QToolButton::clicked, this, &FolderBrowser::onUpOneLevel);
    connect(m_driveCombo, &QComboBox::currentIndexChanged, this, &FolderBrowser::onDriveChanged);
    // Only a click, a double-click or Enter picks a folder: tabbing into the list or moving in it with the
    // arrow keys leaves the name box alone.
    connect(m_folderList, &QListWidget::itemClicked, this, &FolderBrowser::onFolderChosen);
    connect(m_folderList, &QListWidget::itemDoubleClicked, this, &FolderBrowser::openFolder);
    m_folderNameEdit->installEventFilter(this);
    m_folderList->installEventFilter(this);

    // Load: pictures, start text completed to a path with a drive, its drive, its subfolders.
    loadPictures();
    m_drives = FolderBrowsing::drives(ctx);
    for (const FolderBrowsing::Drive& drive : m_drives)
        m_driveCombo->addItem(drive.text);
    m_folderNameEdit->setText(FolderBrowsing::completeStartText(startText));
    selectDriveOf(m_folderNameEdit->text());
    m_currentFolder = FolderBrowsing::asFolder(m_folderNameEdit->text());
    listFolders(m_folderNameEdit->text());
    m_loading = false;
}

void FolderBrowser::loadPictures() {
    m_closedFolder = folderPicture(QStringLiteral("ClsdFold.ico"), QStyle::SP_DirClosedIcon, style());
    m_openFolder = folderPicture(QStringLiteral("OpenFold.ico"), QStyle::SP_DirOpenIcon, style());
}

void FolderBrowser::selectDriveOf(const QString& path) {
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (m_drives[i].holds(path)) {
            m_driveCombo->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    // A drive letter the list does not know yet is added, so the list always shows where the box is.
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter()) {
        m_drives.push_back(FolderBrowsing::driveOfLetter(path.at(0), m_ctx));
        m_driveCombo->addItem(m_drives.back().text);
        m_driveCombo->setCurrentIndex(m_driveCombo->count() - 1);
    }
}

QString FolderBrowser::rootOfSelectedDrive() const {
    const int index = m_driveCombo->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_drives.size()))
        return QStringLiteral("c:\\");
    return m_drives[static_cast<std::size_t>(index)].root;
}

void FolderBrowser::listFolders(const QString& path) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const FolderBrowsing::Listing listing = FolderBrowsing::listFolders(path, m_ctx);
    m_folderList->clear();
    for (const QString& name : listing.folders)
        new QListWidgetItem(m_closedFolder, name, m_folderList);
    m_problemLabel->setText(listing.problem);
    m_problemLabel->setVisible(!listing.problem.isEmpty());
    QGuiApplication::restoreOverrideCursor();
}

void FolderBrowser::onDriveChanged(int index) {
    if (m_loading || index < 0 || index >= static_cast<int>(m_drives.size()))
        return;
    const QString root = m_drives[static_cast<std::size_t>(index)].root;
    m_folderNameEdit->setText(root);
    m_currentFolder = root;
    listFolders(root);
}

void FolderBrowser::onFolderChosen(QListWidgetItem* item) {
    if (item)
        m_folderNameEdit->setText(m_currentFolder + item->text());
}

void FolderBrowser::openFolder(QListWidgetItem* item) {
    onFolderChosen(item);
    enterNamedFolder();
}

void FolderBrowser::enterNamedFolder() {
    m_currentFolder = FolderBrowsing::asFolder(m_folderNameEdit->text());
    listFolders(m_folderNameEdit->text());
}

void FolderBrowser::onUpOneLevel() {
    m_folderNameEdit->setText(FolderBrowsing::upOneLevel(m_folderNameEdit->text(), rootOfSelectedDrive()));
    enterNamedFolder();
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a folder of the list opens it, as a double-click does, and leaves the dialog open.
    if (watched == m_folderList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_folderList->currentItem()) {
            openFolder(m_folderList->currentItem());
            return true;
        }
    }
    // Leaving the name box lists the folder typed there.
    if (watched == m_folderNameEdit && event->type() == QEvent::FocusOut && !m_loading &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        enterNamedFolder();
    return QDialog::eventFilter(watched, event);
}

void FolderBrowser::reject() {
    m_folderNameEdit->setText(cancelled());
    QDialog::reject();
}

QString FolderBrowser::result() const {
    return m_folderNameEdit->text();
}

QString FolderBrowser::browse(Kind kind, const QString& startText, const AppContext& ctx, QWidget* parent) {
    FolderBrowser browser(kind, startText, ctx, parent);
    browser.exec();
    return browser.result();
}

} // namespace vrq
