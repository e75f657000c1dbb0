#include "settings/PropertiesEntries.h"

#include "platform/NetworkDrive.h"
#include "platform/Paths.h"
#include "settings/SettingsStore.h"
#include "settings/StoreConnection.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

namespace vrq {

namespace {

constexpr int kTextWidth = 80;

// The whole text (outer blanks aside) as a number: digits with an optional sign and fraction.
std::optional<double> numberOf(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    return trimmed.toDouble();
}

// The number the text begins with (after blanks), 0 when it begins with none.
double leadingNumberOf(const QString& text) {
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?(\\d+(\\.\\d*)?|\\.\\d+))"));
    const QRegularExpressionMatch match = leading.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

QString notANumber(const QString& box, const QString& text, const QString& range) {
    return QStringLiteral("%1: \"%2\" is not a number. Enter %3.").arg(box, text, range);
}

QString settingText(const QString& text) {
    return PathResolver::trimRight(SettingText::cutToWidth(text, kTextWidth));
}

qint16 wholeInt16(const QString& text) {
    return static_cast<qint16>(wholeNumberOf(numberOf(text).value_or(0.0)));
}

QString concernOf(const QString& box, const QString& folder, const PathResolver& paths) {
    const QString text = PathResolver::trimRight(folder);
    if (text.isEmpty())
        return {};
    const QFileInfo info(paths.resolve(text));
    if (!info.isDir())
        return QStringLiteral("%1 \"%2\" does not exist.").arg(box, text);
    if (!info.isWritable())
        return QStringLiteral("%1 \"%2\" cannot be written.").arg(box, text);
    return {};
}

} // namespace

qint64 wholeNumberOf(double value) {
    const double rounded = std::round(value);
    if (std::abs(value - std::trunc(value)) == 0.5)
        return static_cast<qint64>(2.0 * std::round(value / 2.0));
    return static_cast<qint64>(rounded);
}

PropertiesEntries propertiesFromSettings(const Settings& s) {
    PropertiesEntries e;
    e.systemId = QString::number(s.systemId);
    e.enableCalls = s.enableCalls;
    e.enableFiles = s.enableFiles;
    e.daysOfHistory = QString::number(s.daysOfHistory);
    e.formatIndex = s.dataBinFormat;
    e.dataBinFolder = PathResolver::trimRight(s.dataBinPath);
    e.scannedFolder = PathResolver::trimRight(s.scannedFolder);
    e.qx7Name = PathResolver::trimRight(s.qx7Name);
    e.qx7Folder = PathResolver::trimRight(s.qx7Path);
    e.fileScanMinutes = QString::number(s.fileScanMinutes);
    e.localDrive = s.localDrive;
    e.monitorNetwork = s.monitorNetwork;
    e.autoConnect = s.autoConnect;
    e.storeBackend = s.storeBackend;
    e.storeConnection = s.storeConnection;
    e.workstation = s.workstation;
    e.takeOver = s.takeOver;
    return e;
}

QString firstRefusal(const PropertiesEntries& e) {
    const std::optional<double> days = numberOf(e.daysOfHistory);
    if (!days)
        return notANumber(QStringLiteral("Number of Days of Call History to keep"), e.daysOfHistory,
                          QStringLiteral("a number of days from 2 to 60"));
    if (*days > 60)
        return QStringLiteral("Maximum of 60 days of history.");
    if (*days < 2)
        return QStringLiteral("Minimum of 2 days of history.");
    const double systemId = leadingNumberOf(e.systemId);
    if (systemId < 0 || systemId > 9)
        return QStringLiteral("System ID must be 1 digit between 0 and 9.");
    if (!numberOf(e.systemId))
        return notANumber(QStringLiteral("Calls Program System ID"), e.systemId,
                          QStringLiteral("one digit from 0 to 9"));
    const std::optional<double> minutes = numberOf(e.fileScanMinutes);
    if (!minutes)
        return notANumber(QStringLiteral("Minutes between scans for new files"), e.fileScanMinutes,
                          QStringLiteral("a number of minutes from 1 to 60"));
    if (*minutes < 1 || *minutes > 60)
        return QStringLiteral("Minutes between scans for new files must be between 1 and 60.");
    if (e.storeBackend == StoreBackend::PostgreSQL)
        return StoreConnection::passwordRefusal(e.storeConnection);
    return {};
}

QStringList folderConcerns(const PropertiesEntries& e, const PathResolver& paths) {
    QStringList concerns;
    auto note = [&](const QString& concern) {
        if (!concern.isEmpty())
            concerns << concern;
    };
    if (e.enableCalls)
        note(concernOf(QStringLiteral("DataBin.Dat Folder"), e.dataBinFolder, paths));
    if (e.enableFiles)
        note(concernOf(QStringLiteral("Scanned Folder"), e.scannedFolder, paths));
    // A blank host folder sends nothing at all: every call waits until it is set.
    if (PathResolver::trimRight(e.qx7Folder).isEmpty())
        note(QStringLiteral("MXR Folder is empty: no order is sent until it is set."));
    else
        note(concernOf(QStringLiteral("MXR Folder"), e.qx7Folder, paths));
    return concerns;
}

bool storeProperties(const PropertiesEntries& e, Settings& s) {
    s.systemId = wholeInt16(e.systemId);
    s.enableCalls = e.enableCalls;
    s.enableFiles = e.enableFiles;
    const qint16 days = wholeInt16(e.daysOfHistory);
    const bool shortened = days < s.daysOfHistory;
    s.daysOfHistory = days;
    s.qx7Name = settingText(e.qx7Name);
    s.localDrive = e.localDrive.left(1);
    s.qx7Path = settingText(e.qx7Folder);
    s.monitorNetwork = e.monitorNetwork;
    s.autoConnect = e.autoConnect;
    s.dataBinPath = settingText(e.dataBinFolder);
    s.dataBinFormat = static_cast<qint16>(e.formatIndex);
    s.scannedFolder = settingText(e.scannedFolder);
    s.fileScanMinutes = wholeInt16(e.fileScanMinutes);
    s.storeBackend = e.storeBackend;
    s.storeConnection = e.storeConnection.trimmed();
    s.workstation = static_cast<qint16>(std::clamp(e.workstation, 1, 99));
    s.takeOver = e.takeOver;
    return shortened;
}

DriveConnection DriveConnection::of(const QString& localDrive, const QString& qx7Name) {
    return {localDrive + QLatin1Char(':'), QStringLiteral("\\\\") + qx7Name + QStringLiteral("\\Qdls")};
}

QString DriveConnection::messageText() const {
    return remote + QStringLiteral("  =>  ") + drive;
}

int DriveConnection::connect(DriveMapper& drives) const {
    drives.netDisconnect(drive);
    return drives.netConnect(drive, remote);
}

} // namespace vrq
