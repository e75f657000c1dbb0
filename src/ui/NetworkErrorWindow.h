#pragma once

#include <QDateTime>
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vrq {

// The network error window (object name "frmNetworkErrorMsg"): tells that the host folder is lost, since
// when, and which folder the program is trying to reach, so the person knows what to check. It holds nobody:
// the other windows stay usable, and closing it (close box, Escape) only hides it. The retries are the
// processing cycle's; the owner hides the window when the folder is back.
class NetworkErrorWindow : public QDialog {
    Q_OBJECT
public:
    NetworkErrorWindow(const QDateTime& since, const QString& folder, QWidget* parent = nullptr);

    // The texts of another outage, or of the same one with a changed folder setting.
    void showOutage(const QDateTime& since, const QString& folder);
    QString shownStartTime() const;
    QString shownFolder() const;

signals:
    // The Properties button; the owner opens the Properties dialog over this window.
    void propertiesRequested();

private:
    QLineEdit* m_startTimeEdit = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    QPushButton* m_propertiesButton = nullptr;
};

} // namespace vrq
