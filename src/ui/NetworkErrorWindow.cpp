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
    txtTime = new QLineEdit(NetworkErrorMessage::startTimeText(since), this);
    txtTime->setReadOnly(true);
    txtTime->setObjectName(QStringLiteral("txtTime"));
    txtTime->setAccessibleName(QStringLiteral("This error condition started at"));
    layout->addWidget(txtTime);
    auto* folderLabel = new QLabel(QStringLiteral("Trying to reach the host folder:"), this);
    layout->addWidget(folderLabel);
    txtFolder = new QLineEdit(folder, this);
    txtFolder->setReadOnly(true);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setAccessibleName(folderLabel->text());
    folderLabel->setBuddy(txtFolder);
    layout->addWidget(txtFolder);
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label2(), this));
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label3(), this));
    layout->addWidget(wrappedLabel(NetworkErrorMessage::label4(), this));
    btnProperties = new QPushButton(NetworkErrorMessage::propertiesButton(), this);
    layout->addWidget(btnProperties, 0, Qt::AlignHCenter);
    connect(btnProperties, &QPushButton::clicked, this, &NetworkErrorWindow::propertiesRequested);
    setFixedWidth(460);
}

void NetworkErrorWindow::showOutage(const QDateTime& since, const QString& folder) {
    txtTime->setText(NetworkErrorMessage::startTimeText(since));
    txtFolder->setText(folder);
}

QString NetworkErrorWindow::shownStartTime() const {
    return txtTime->text();
}

QString NetworkErrorWindow::shownFolder() const {
    return txtFolder->text();
}

} // namespace vrq
