#pragma once

#include "shell/PropertiesEntries.h"
#include "ui/config/FolderBrowser.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vrq {

struct AppContext;

// frmProperties: edits the settings record. OK checks the entries, stores them in the record, saves
// it, logs "Properties edited." and, when fewer days of history are kept, hands over to purgeNow.
// Cancel stores nothing. Leaving the Local Drive box maps the drive to the host's share at once.
class PropertiesDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PropertiesDialog)
public:
    PropertiesDialog(AppContext& ctx, std::function<void()> purgeNow, QWidget* parent = nullptr);

    // The boxes as the person has filled them.
    PropertiesEntries entries() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSystemInfo();
    void buildCalls();
    void buildFiles();
    void buildAS400();
    void load(const PropertiesEntries& entries);
    void switchCallsGroup(bool on);
    void switchFilesGroup(bool on);
    void browseInto(FolderBrowser::Kind kind, QLineEdit* startFrom, QLineEdit* target);
    void connectLocalDrive();
    void onOK();
    bool keepFolders(const PropertiesEntries& entries);

    AppContext& m_ctx;
    std::function<void()> m_purgeNow;

    QGroupBox* fraSystemInfo = nullptr;
    QCheckBox* chkEnableCalls = nullptr;
    QCheckBox* chkEnableFiles = nullptr;
    QLineEdit* txtCallsProgramSystemID = nullptr;
    QLineEdit* txtDaysOfHistory = nullptr;

    QGroupBox* fraCalls = nullptr;
    QLabel* lblDataBinDirectory = nullptr;
    QLineEdit* txtDataBinDirectory = nullptr;
    QPushButton* cmdBrowse2 = nullptr;
    QLabel* lblFormat = nullptr;
    QComboBox* cmbFormat = nullptr;

    QGroupBox* fraFiles = nullptr;
    QLabel* lblScannedFolder = nullptr;
    QLineEdit* txtScannedFolder = nullptr;
    QPushButton* cmdFileBrowse = nullptr;
    QLabel* lblFileScanMinutes = nullptr;
    QLineEdit* txtFileScanMinutes = nullptr;
    QLabel* lblFileScanMinutesHelp = nullptr;

    QGroupBox* fraAS400 = nullptr;
    QLineEdit* txtQX7Directory = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLineEdit* txtQX7Name = nullptr;
    QLineEdit* txtLocalDrive = nullptr;
    QCheckBox* chkMonitorNetwork = nullptr;
    QCheckBox* chkAutoConnect = nullptr;
    QLabel* lblMessage = nullptr;
};

} // namespace vrq
