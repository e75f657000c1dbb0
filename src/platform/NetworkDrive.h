#pragma once

#include <QString>
#include <memory>

namespace vrq {

class PathResolver;

// Maps a drive letter to a host share. netConnect returns 0 when the mapping was made, anything else
// when it failed; netDisconnect may be called on a letter that is not mapped.
class DriveMapper {
public:
    virtual ~DriveMapper() = default;
    virtual int netConnect(const QString& drive, const QString& share) = 0;
    virtual void netDisconnect(const QString& drive) = 0;
};

// The mapper of this platform: the operating system's network connections on Windows; elsewhere the
// share \\host\Qdls is the folder <shareRoot>/host/Qdls and the drive's folder becomes a link to it.
std::unique_ptr<DriveMapper> makeSystemDriveMapper(const PathResolver& paths, const QString& shareRoot);

} // namespace vrq
