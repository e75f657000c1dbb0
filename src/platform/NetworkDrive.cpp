#include "platform/NetworkDrive.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <windows.h>
#include <winnetwk.h>
#endif

namespace vrq {

namespace {

#ifdef Q_OS_WIN

// The operating system's own network connections, without user name or password.
class WindowsDriveMapper : public DriveMapper {
public:
    int netConnect(const QString& drive, const QString& share) override {
        NETRESOURCEW resource{};
        resource.dwType = RESOURCETYPE_DISK;
        std::wstring local = drive.toStdWString();
        std::wstring remote = share.toStdWString();
        resource.lpLocalName = local.data();
        resource.lpRemoteName = remote.data();
        return static_cast<int>(WNetAddConnection2W(&resource, nullptr, nullptr, 0));
    }
    void netDisconnect(const QString& drive) override {
        std::wstring local = drive.toStdWString();
        WNetCancelConnection2W(local.c_str(), 0, TRUE);
    }
};

#else

// A share \\host\Qdls is the folder <shareRoot>/host/Qdls; mapping a drive makes the drive's folder
// a symbolic link to it. A drive folder that is a real folder is never replaced.
class LinkDriveMapper : public DriveMapper {
public:
    LinkDriveMapper(const PathResolver& paths, QString shareRoot)
        : m_paths(paths), m_shareRoot(std::move(shareRoot)) {}

    int netConnect(const QString& drive, const QString& share) override {
        const QString link = driveFolder(drive);
        const QString target = shareFolder(share);
        if (link.isEmpty() || target.isEmpty() || !QFileInfo(target).isDir())
            return 67; // the network name cannot be found
        QFileInfo linkInfo(link);
        if (linkInfo.isSymLink())
            QFile::remove(link);
        else if (linkInfo.exists())
            return 85; // the local device name is already in use
        QDir().mkpath(QFileInfo(link).path());
        return QFile::link(target, link) ? 0 : 1200;
    }

    void netDisconnect(const QString& drive) override {
        const QString link = driveFolder(drive);
        if (!link.isEmpty() && QFileInfo(link).isSymLink())
            QFile::remove(link);
    }

private:
    QString driveFolder(const QString& drive) const {
        if (drive.isEmpty())
            return {};
        return m_paths.driveFolder(drive.at(0));
    }

    QString shareFolder(const QString& share) const {
        QString rest = share;
        while (rest.startsWith(QLatin1Char('\\')) || rest.startsWith(QLatin1Char('/')))
            rest.remove(0, 1);
        const QStringList parts =
            rest.split(QRegularExpression(QStringLiteral(R"([\\/])")), Qt::SkipEmptyParts);
        if (parts.size() < 2 || parts.contains(QStringLiteral("..")))
            return {};
        return QDir(m_shareRoot).filePath(parts.join(QLatin1Char('/')));
    }

    const PathResolver& m_paths;
    QString m_shareRoot;
};

#endif

} // namespace

std::unique_ptr<DriveMapper> makeSystemDriveMapper(const PathResolver& paths, const QString& shareRoot) {
#ifdef Q_OS_WIN
    Q_UNUSED(paths);
    Q_UNUSED(shareRoot);
    return std::make_unique<WindowsDriveMapper>();
#else
    return std::make_unique<LinkDriveMapper>(paths, shareRoot);
#endif
}

} // namespace vrq
