#include "context/NetworkConnection.h"

#include "context/AppContext.h"
#include "context/StatusUpdates.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/NetworkDrive.h"
#include "platform/Paths.h"
#include "store/AuditLog.h"

#include <QLocale>

namespace vrq {

NetworkConnection::NetworkConnection(AppContext& ctx) : m_ctx(ctx) {}

bool NetworkConnection::folderExists(const QString& path) const {
    if (PathResolver::trimRight(path).isEmpty())
        return false;
    return m_ctx.fs->folderExists(m_ctx.paths->resolve(path));
}

bool NetworkConnection::hostFolderExists() {
    const QString folder = folderToTest();
    const bool exists = folderExists(folder);
    if (exists) {
        m_outageLogged = false;
        runstatus::hostFolderReached(m_ctx, folder);
    } else
        runstatus::hostFolderLost(m_ctx, folder);
    return exists;
}

bool NetworkConnection::hostFolderReachable() {
    if (!folderExists(folderToTest()) && m_ctx.settings.monitorNetwork && m_ctx.settings.autoConnect)
        remap();
    return hostFolderExists();
}

QString NetworkConnection::driveName() const {
    return PathResolver::trimRight(m_ctx.settings.localDrive) + QLatin1Char(':');
}

QString NetworkConnection::shareName() const {
    return QStringLiteral("\\\\") + PathResolver::trimRight(m_ctx.settings.qx7Name) +
           QStringLiteral("\\Qdls");
}

QString NetworkConnection::folderToTest() const {
    const QString path = PathResolver::trimRight(m_ctx.settings.qx7Path);
    return PathResolver::endsWithSeparator(path) ? path.chopped(1) : path;
}

int NetworkConnection::remap() {
    const QString drive = driveName();
    m_ctx.drives->netDisconnect(drive);
    return m_ctx.drives->netConnect(drive, shareName());
}

bool NetworkConnection::connectNetworkDrive(Result& logged) {
    logged = Result::success();
    runstatus::hostFolderLost(m_ctx, folderToTest());
    if (!m_ctx.settings.autoConnect) {
        // Asked once an outage: a box at every pass would keep the person at the desk from the windows.
        if (m_reconnectAskedFor != m_ctx.status.hostAwaySince) {
            m_reconnectAskedFor = m_ctx.status.hostAwaySince;
            m_ctx.ui->showNotice(NetworkErrorMessage::reconnectByHand(),
                                 NetworkErrorMessage::reconnectByHandOnConsole());
        }
        return false;
    }
    if (remap() != 0) {
        // The start of the outage, as the network-error window shows it; its end is the entry below.
        if (!m_outageLogged)
            m_ctx.audit->write(AuditType::Error, NetworkErrorMessage::lostEntry());
        m_outageLogged = true;
        m_ctx.ui->waitForHostFolder(m_ctx.clock->now(), [this] { return tryReconnect(); });
        if (!folderExists(folderToTest())) {
            // Nothing holds the caller until the folder is back: the cycle retries it from now on.
            runstatus::waitingForHost(m_ctx, true);
            return false;
        }
    }
    return reached(logged);
}

bool NetworkConnection::reached(Result& logged) {
    m_outageLogged = false;
    runstatus::waitingForHost(m_ctx, false);
    runstatus::hostFolderReached(m_ctx, folderToTest());
    logged = m_ctx.audit->write(AuditType::Error, NetworkErrorMessage::establishedEntry());
    return logged.ok();
}

bool NetworkConnection::tryReconnect() {
    if (folderExists(folderToTest()))
        return true;
    return remap() == 0;
}

bool NetworkConnection::retryHostFolder() {
    if (!m_ctx.status.waitingForHost)
        return true;
    if (PathResolver::trimRight(m_ctx.settings.qx7Path).isEmpty()) {
        // No folder to wait for: the export says what is missing.
        runstatus::waitingForHost(m_ctx, false);
        return true;
    }
    const bool mapped = !m_ctx.settings.autoConnect || tryReconnect();
    if (!mapped || !folderExists(folderToTest()))
        return false;
    Result logged;
    reached(logged);
    return true;
}

const QString& NetworkErrorMessage::lostEntry() {
    static const QString text = QStringLiteral("Network connection cannot be re-established at this time.");
    return text;
}

const QString& NetworkErrorMessage::establishedEntry() {
    static const QString text = QStringLiteral("Network connection established.");
    return text;
}

const QString& NetworkErrorMessage::reconnectByHand() {
    static const QString text = QStringLiteral(
        "The network connection has been broken.  Manually re-establish the connection and then click OK.");
    return text;
}

const QString& NetworkErrorMessage::reconnectByHandOnConsole() {
    static const QString text = QStringLiteral(
        "The network connection has been broken and AutoConnect is off: re-establish the connection to "
        "the host folder by hand.  Orders are kept on this system until it is back.");
    return text;
}

const QString& NetworkErrorMessage::caption() {
    static const QString text = QStringLiteral("Network Error");
    return text;
}

const QString& NetworkErrorMessage::label1() {
    static const QString text = QStringLiteral(
        "The connection to the QX7 system has been lost and cannot be re-established at this time.  "
        "This error condition started at ");
    return text;
}

const QString& NetworkErrorMessage::label2() {
    static const QString text = QStringLiteral(
        "The most likely cause of this error is that the QX7 system or some component of the network "
        "between this system and QX7 has gone down.  If that is corrected, this condition will correct "
        "itself.  In the meantime, orders will still be received, but will be kept on this system until "
        "the QX7 system becomes available.");
    return text;
}

const QString& NetworkErrorMessage::label3() {
    static const QString text = QStringLiteral(
        "If this is a new system or the properties have recently been changed, then this error could be "
        "caused by incorrectly specified properties.  To change the properties, click on the Properties "
        "button.");
    return text;
}

const QString& NetworkErrorMessage::label4() {
    static const QString text = QStringLiteral("This message will go away when the situation is corrected.");
    return text;
}

const QString& NetworkErrorMessage::propertiesButton() {
    static const QString text = QStringLiteral("Properties");
    return text;
}

QString NetworkErrorMessage::startTimeText(const QDateTime& since) {
    return QLocale::c().toString(since, QStringLiteral("hh:mm AP MM/dd/yyyy."));
}

} // namespace vrq
