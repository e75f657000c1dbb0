#pragma once

#include "settings/PropertiesEntries.h"
#include "ui/config/FolderBrowser.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vrq {

struct AppContext;

// The Properties dialog (object name "frmProperties"): edits the settings record, on two tabs: General
// (calls, files and the host) and Store (where the calls are kept). OK checks the entries, stores them in the
// record, saves it, logs "Properties edited." and, when fewer days of history are kept, hands over to
// purgeNow. Cancel stores nothing. Leaving the Local Drive box maps the drive to the host's share at once.
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
    void buildStore();
    void load(const PropertiesEntries& entries);
    void switchCallsGroup(bool on);
    void switchFilesGroup(bool on);
    void switchStoreConnection(int backendIndex);
    void browseInto(FolderBrowser::Kind kind, QLineEdit* startFrom, QLineEdit* target);
    void connectLocalDrive();
    void onOK();
    bool keepFolders(const PropertiesEntries& entries);

    AppContext& m_ctx;
    std::function<void()> m_purgeNow;

    QGroupBox* m_systemInfoGroup = nullptr;
    QCheckBox* m_enableCallsBox = nullptr;
    QCheckBox* m_enableFilesBox = nullptr;
    QLineEdit* m_systemIdEdit = nullptr;
    QLineEdit* m_daysOfHistoryEdit = nullptr;

    QGroupBox* m_callsGroup = nullptr;
    QLabel* m_dataBinFolderLabel = nullptr;
    QLineEdit* m_dataBinFolderEdit = nullptr;
    QPushButton* m_dataBinBrowseButton = nullptr;
    QLabel* m_formatLabel = nullptr;
    QComboBox* m_formatCombo = nullptr;

    QGroupBox* m_filesGroup = nullptr;
    QLabel* m_scannedFolderLabel = nullptr;
    QLineEdit* m_scannedFolderEdit = nullptr;
    QPushButton* m_scannedFolderBrowseButton = nullptr;
    QLabel* m_scanMinutesLabel = nullptr;
    QLineEdit* m_scanMinutesEdit = nullptr;
    QLabel* m_scanMinutesHelp = nullptr;

    QGroupBox* m_hostGroup = nullptr;
    QLineEdit* m_hostFolderEdit = nullptr;
    QPushButton* m_hostFolderBrowseButton = nullptr;
    QLineEdit* m_hostNameEdit = nullptr;
    QLineEdit* m_localDriveEdit = nullptr;
    QCheckBox* m_monitorNetworkBox = nullptr;
    QCheckBox* m_autoConnectBox = nullptr;
    QLabel* m_connectionLabel = nullptr;

    QWidget* m_storeTab = nullptr;
    QComboBox* m_storeBackendCombo = nullptr;
    QLabel* m_storeConnectionLabel = nullptr;
    QLineEdit* m_storeConnectionEdit = nullptr;
    QLabel* m_storeConnectionHelp = nullptr;
    QSpinBox* m_workstationSpin = nullptr;
    QCheckBox* m_takeOverBox = nullptr;
};

} // namespace vrq
