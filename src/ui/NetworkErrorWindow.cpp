#include "ui/NetworkErrorWindow.h"

#include "context/NetworkConnection.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vrq {

namespace {

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

NetworkErrorWindow::NetworkErrorWindow(const QDateTime& since, const QString& folder, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(NetworkErrorMessage::caption());
    setObjectName(QStringLiteral("frmNetworkErrorMsg"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label1(), this));
    m_startTimeEdit = new QLineEdit(NetworkErrorMessage::startTimeText(since), this);
    m_startTimeEdit->setReadOnly(true);
    m_startTimeEdit->setObjectName(QStringLiteral("txtTime"));
    m_startTimeEdit->setAccessibleName(QStringLiteral("This error condition started at"));
    layout->addWidget(m_startTimeEdit);
    auto* folderLabel = new QLabel(QStringLiteral("Trying to reach the host folder:"), this);
    layout->addWidget(folderLabel);
    m_folderEdit = new QLineEdit(folder, this);
    m_folderEdit->setReadOnly(true);
    m_folderEdit->setObjectName(QStringLiteral("txtFolder"));
    m_folderEdit->setAccessibleName(folderLabel->text());
    folderLabel->setBuddy(m_folderEdit);
    layout->addWidget(m_folderEdit);
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label2(), this));
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label3(), this));
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label4(), this));
    m_propertiesButton = new QPushButton(NetworkErrorMessage::propertiesButton(), this);
    layout->addWidget(m_propertiesButton, 0, Qt::AlignHCenter);
    connect(m_propertiesButton, &QPushButton::clicked, this, &NetworkErrorWindow::propertiesRequested);
    setFixedWidth(460);
}

void NetworkErrorWindow::showOutage(const QDateTime& since, const QString& folder) {
    m_startTimeEdit->setText(NetworkErrorMessage::startTimeText(since));
    m_folderEdit->setText(folder);
}

QString NetworkErrorWindow::shownStartTime() const {
    return m_startTimeEdit->text();
}

QString NetworkErrorWindow::shownFolder() const {
    return m_folderEdit->text();
}

} // namespace vrq
