#include "ui/NetworkErrorWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
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

QString NetworkErrorWindow::startTimeText(const QDateTime& since) {
    return QLocale::c().toString(since, QStringLiteral("hh:mm AP MM/dd/yyyy."));
}

NetworkErrorWindow::NetworkErrorWindow(const QDateTime& since, std::function<bool()> tryReconnect, QWidget* parent)
    : QDialog(parent), m_tryReconnect(std::move(tryReconnect)) {
    setWindowTitle(QStringLiteral("Network Error"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(
        QStringLiteral("The connection to the QX7 system has been lost and cannot be re-established at this time.  "
                       "This error condition started at "),
        this));
    txtTime = new QLineEdit(startTimeText(since), this);
    txtTime->setReadOnly(true);
    layout->addWidget(txtTime);
    layout->addWidget(wrappedLabel(
        QStringLiteral("The most likely cause of this error is that the QX7 system or some component of the network "
                       "between this system and QX7 has gone down.  If that is corrected, this condition will correct "
                       "itself.  In the meantime, orders will still be received, but will be kept on this system until "
                       "the QX7 system becomes available."),
        this));
    layout->addWidget(wrappedLabel(
        QStringLiteral("If this is a new system or the properties have recently been changed, then this error could be "
                       "caused by incorrectly specified properties.  To change the properties, click on the Properties "
                       "button."),
        this));
    layout->addWidget(wrappedLabel(QStringLiteral("This message will go away when the situation is corrected."), this));
    btnProperties = new QPushButton(QStringLiteral("Properties"), this);
    layout->addWidget(btnProperties, 0, Qt::AlignHCenter);
    connect(btnProperties, &QPushButton::clicked, this, &NetworkErrorWindow::propertiesRequested);
    setFixedWidth(460);

    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &NetworkErrorWindow::onRetryTick);
    Timer1.start();
}

void NetworkErrorWindow::onRetryTick() {
    if (m_tryReconnect && m_tryReconnect()) {
        Timer1.stop();
        accept();
    }
}

} // namespace vrq
