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

    auto* label2 = new QLabel(QStringLiteral("Look in:"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    dlbDrives = new QComboBox(this);
    dlbDrives->setObjectName(QStringLiteral("dlbDrives"));
    dlbDrives->setAccessibleName(QStringLiteral("Look in:"));
    label2->setBuddy(dlbDrives);
    btnUp1Level = new QToolButton(this);
    btnUp1Level->setObjectName(QStringLiteral("btnUp1Level"));
    btnUp1Level->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    btnUp1Level->setToolTip(QStringLiteral("Up One Level"));
    btnUp1Level->setAccessibleName(QStringLiteral("Up One Level"));
    lvFolders = new QListWidget(this);
    lvFolders->setObjectName(QStringLiteral("lvFolders"));
    lvFolders->setAccessibleName(QStringLiteral("Folders"));
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->hide();
    auto* label1 = new QLabel(QStringLiteral("Folder name"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    txtFolderName = new QLineEdit(this);
    txtFolderName->setObjectName(QStringLiteral("txtFolderName"));
    txtFolderName->setAccessibleName(QStringLiteral("Folder name"));
    label1->setBuddy(txtFolderName);
    QPushButton* btnOK = button(QStringLiteral("btnOK"), QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    QPushButton* btnCancel = button(QStringLiteral("btnCancel"), QStringLiteral("Cancel"), this);

    auto* grid = new QGridLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(label2);
    top->addWidget(dlbDrives, 1);
    top->addWidget(btnUp1Level);
    grid->addLayout(top, 0, 0);
    grid->addWidget(lvFolders, 1, 0);
    grid->addWidget(lblProblem, 2, 0);
    grid->addWidget(label1, 3, 0);
    grid->addWidget(txtFolderName, 4, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 1, 5, 1);
    resize(420, 300);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &FolderBrowser::reject);
    connect(btnUp1Level, &QToolButton::clicked, this, &FolderBrowser::onUpOneLevel);
    connect(dlbDrives, &QComboBox::currentIndexChanged, this, &FolderBrowser::onDriveChanged);
    // Only a click, a double-click or Enter picks a folder: tabbing into the list or moving in it with the
    // arrow keys leaves the name box alone.
    connect(lvFolders, &QListWidget::itemClicked, this, &FolderBrowser::onFolderChosen);
    connect(lvFolders, &QListWidget::itemDoubleClicked, this, &FolderBrowser::openFolder);
    txtFolderName->installEventFilter(this);
    lvFolders->installEventFilter(this);

    // Load: pictures, start text completed to a path with a drive, its drive, its subfolders.
    loadPictures();
    m_drives = FolderBrowsing::drives(ctx);
    for (const FolderBrowsing::Drive& drive : m_drives)
        dlbDrives->addItem(drive.text);
    txtFolderName->setText(FolderBrowsing::completeStartText(startText));
    selectDriveOf(txtFolderName->text());
    m_currentFolder = FolderBrowsing::asFolder(txtFolderName->text());
    listFolders(txtFolderName->text());
    m_loading = false;
}

void FolderBrowser::loadPictures() {
    m_closedFolder = folderPicture(QStringLiteral("ClsdFold.ico"), QStyle::SP_DirClosedIcon, style());
    m_openFolder = folderPicture(QStringLiteral("OpenFold.ico"), QStyle::SP_DirOpenIcon, style());
}

void FolderBrowser::selectDriveOf(const QString& path) {
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (m_drives[i].holds(path)) {
            dlbDrives->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    // A drive letter the list does not know yet is added, so the list always shows where the box is.
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter()) {
        m_drives.push_back(FolderBrowsing::driveOfLetter(path.at(0), m_ctx));
        dlbDrives->addItem(m_drives.back().text);
        dlbDrives->setCurrentIndex(dlbDrives->count() - 1);
    }
}

QString FolderBrowser::rootOfSelectedDrive() const {
    const int index = dlbDrives->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_drives.size()))
        return QStringLiteral("c:\\");
    return m_drives[static_cast<std::size_t>(index)].root;
}

void FolderBrowser::listFolders(const QString& path) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const FolderBrowsing::Listing listing = FolderBrowsing::listFolders(path, m_ctx);
    lvFolders->clear();
    for (const QString& name : listing.folders)
        new QListWidgetItem(m_closedFolder, name, lvFolders);
    lblProblem->setText(listing.problem);
    lblProblem->setVisible(!listing.problem.isEmpty());
    QGuiApplication::restoreOverrideCursor();
}

void FolderBrowser::onDriveChanged(int index) {
    if (m_loading || index < 0 || index >= static_cast<int>(m_drives.size()))
        return;
    const QString root = m_drives[static_cast<std::size_t>(index)].root;
    txtFolderName->setText(root);
    m_currentFolder = root;
    listFolders(root);
}

void FolderBrowser::onFolderChosen(QListWidgetItem* item) {
    if (item)
        txtFolderName->setText(m_currentFolder + item->text());
}

void FolderBrowser::openFolder(QListWidgetItem* item) {
    onFolderChosen(item);
    enterNamedFolder();
}

void FolderBrowser::enterNamedFolder() {
    m_currentFolder = FolderBrowsing::asFolder(txtFolderName->text());
    listFolders(txtFolderName->text());
}

void FolderBrowser::onUpOneLevel() {
    txtFolderName->setText(FolderBrowsing::upOneLevel(txtFolderName->text(), rootOfSelectedDrive()));
    enterNamedFolder();
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a folder of the list opens it, as a double-click does, and leaves the dialog open.
    if (watched == lvFolders && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && lvFolders->currentItem()) {
            openFolder(lvFolders->currentItem());
            return true;
        }
    }
    // Leaving the name box lists the folder typed there.
    if (watched == txtFolderName && event->type() == QEvent::FocusOut && !m_loading &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        enterNamedFolder();
    return QDialog::eventFilter(watched, event);
}

void FolderBrowser::reject() {
    txtFolderName->setText(cancelled());
    QDialog::reject();
}

QString FolderBrowser::result() const {
    return txtFolderName->text();
}

QString FolderBrowser::browse(Kind kind, const QString& startText, const AppContext& ctx, QWidget* parent) {
    FolderBrowser browser(kind, startText, ctx, parent);
    browser.exec();
    return browser.result();
}

} // namespace vrq
