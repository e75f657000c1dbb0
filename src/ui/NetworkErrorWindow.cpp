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

NetworkErrorWindow::NetworkErrorWindow(const QDateTime& since, const QString& folder,
                                       std::function<bool()> tryReconnect, QWidget* parent)
    : QDialog(parent), m_tryReconnect(std::move(tryReconnect)) {
    setWindowTitle(NetworkErrorMessage::caption());
    setObjectName(QStringLiteral("frmNetworkErrorMsg"));
    setModal(true);
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

    Timer1.setInterval(NetworkErrorMessage::kRetryIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &NetworkErrorWindow::onRetryTick);
    Timer1.start();
}

QString NetworkErrorWindow::shownStartTime() const {
    return txtTime->text();
}

QString NetworkErrorWindow::shownFolder() const {
    return txtFolder->text();
}

void NetworkErrorWindow::onRetryTick() {
    if (m_tryReconnect && m_tryReconnect()) {
        Timer1.stop();
        accept();
    }
}

} // namespace vrq
