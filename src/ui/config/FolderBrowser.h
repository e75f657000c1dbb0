#pragma once

#include "ui/config/FolderBrowsing.h"

#include <QDialog>
#include <QIcon>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace vrq {

struct AppContext;

// The folder browser, "QX7 Directory" (object name "frmBrowse") or "DataBin Directory" ("frmBrowse2"):
// pick a folder from a drive list and the subfolders of the current folder. The result is the name box's
// text, or "Cancelled" when the person cancelled or closed the window.
class FolderBrowser final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderBrowser)
public:
    enum class Kind { QX7Directory, DataBinDirectory };
    static const QString& cancelled();

    FolderBrowser(Kind kind, const QString& startText, const AppContext& ctx, QWidget* parent = nullptr);

    // The name box's text: the folder picked, or "Cancelled".
    QString result() const;
    // Opens the browser modally and gives its result.
    static QString browse(Kind kind, const QString& startText, const AppContext& ctx, QWidget* parent);

    const QString& currentFolder() const { return m_currentFolder; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadPictures();
    void selectDriveOf(const QString& path);
    void listFolders(const QString& path);
    void enterNamedFolder();
    void onDriveChanged(int index);
    void onFolderChosen(QListWidgetItem* item);
    // The item chosen and entered: its subfolders are listed.
    void openFolder(QListWidgetItem* item);
    void onUpOneLevel();
    QString rootOfSelectedDrive() const;

    const AppContext& m_ctx;
    std::vector<FolderBrowsing::Drive> m_drives;
    QString m_currentFolder;
    bool m_loading = true;
    QIcon m_closedFolder;
    QIcon m_openFolder;
    QComboBox* m_driveCombo = nullptr;
    QToolButton* m_upOneLevelButton = nullptr;
    QListWidget* m_folderList = nullptr;
    QLabel* m_problemLabel = nullptr;
    QLineEdit* m_folderNameEdit = nullptr;
};

} // namespace vrq
