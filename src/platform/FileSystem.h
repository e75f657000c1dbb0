#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vrq {

struct FileEntry {
    QString name; // file name without folder
    qint64 size = 0;
    QDateTime lastModified;
};

// What a folder entry is by its own type: a link is a link, whatever it points at.
enum class EntryKind { File, Folder, Link, Fifo, Socket, Device, Other };

// One entry of a folder as the file system holds it, described without opening or following it.
struct FolderEntry {
    QByteArray nativeName; // the name's bytes
    QString name;          // the name as text; empty when the bytes do not come back unchanged from it
    EntryKind kind = EntryKind::Other;
    qint64 size = 0;
    QDateTime lastModified;
};

// A file held open for writing, so that a file written more than once costs one open; closed when
// destroyed.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    // Writes the bytes over the file from offset on without truncating it, leaving the flush to the
    // operating system.
    virtual Result writeAt(qint64 offset, const QByteArray& bytes) = 0;
    // Writes the bytes over the start of the file and flushes them to the disk before returning.
    virtual Result writeDurably(const QByteArray& bytes) = 0;
    // The size of the file on the disk; -1 when it cannot be told.
    virtual qint64 size() const = 0;
    // Gives the file these permission bits (0644), whatever the umask made of them at its creation.
    virtual Result setPermissions(int mode) = 0;
};

// The file operations whose failure matters to the program (host folder, moves of input files, order
// files). Native paths only: drive paths are resolved by PathResolver before they get here. Tests
// replace it to simulate a full disk or a lost host folder.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool fileExists(const QString& path) const;
    virtual bool folderExists(const QString& path) const;
    // A file, folder, link (even one to nothing) or anything else by that name.
    virtual bool entryExists(const QString& path) const;
    // The whole file; nullopt when it cannot be opened or read.
    virtual std::optional<QByteArray> readFile(const QString& path) const;
    virtual qint64 fileSize(const QString& path) const;        // -1 when missing
    virtual QDateTime lastModified(const QString& path) const; // invalid when missing
    // The absolute path with links, "." and ".." resolved; empty when the path does not exist.
    virtual QString canonicalPath(const QString& path) const;
    virtual Result makePath(const QString& folder);
    virtual Result removeFile(const QString& path);
    // Renames without ever replacing an existing target: fails with EEXIST instead.
    virtual Result renameNoReplace(const QString& from, const QString& to);
    // Moves a file, never replacing the target; across file systems it copies, flushes and deletes.
    virtual Result moveFile(const QString& from, const QString& to);
    // Creates (truncates) the file and writes all bytes, leaving the flush to the operating system.
    virtual Result writeFile(const QString& path, const QByteArray& bytes);
    // Creates (truncates) the file, writes all bytes and flushes them to the disk before returning.
    virtual Result writeFileDurably(const QString& path, const QByteArray& bytes);
    // Replaces the file as a whole: the bytes go to a new file that is flushed and then renamed over
    // the old, so a stop at any moment leaves either the old or the new content, never a part.
    virtual Result replaceFileDurably(const QString& path, const QByteArray& bytes);
    // Writes the bytes over the start of the file (created when missing) without truncating it, leaving
    // the flush to the operating system.
    virtual Result overwrite(const QString& path, const QByteArray& bytes);
    // Opens the file for writing, created when missing; Truncate empties it first; CreateNew fails with
    // EEXIST when anything has the name already (never another writer's file). A symbolic link under the
    // name is never followed and a FIFO never waited on: what a share user put there is refused, named by
    // what it is. Null, with what stopped it in *result, when it cannot be opened.
    enum class OpenMode { Truncate, KeepContent, CreateNew };
    virtual std::unique_ptr<OpenFile> openForWriting(const QString& path, OpenMode mode, Result* result);
    // Files (not folders) of a folder in ascending name order.
    virtual std::vector<FileEntry> listFiles(const QString& folder) const;
    // Every entry of a folder but "." and "..", hidden ones included, in ascending name order (entries
    // without a text name first), each by its own type: nothing is opened or followed. Empty when the
    // folder cannot be read.
    virtual std::vector<FolderEntry> listEntries(const QString& folder) const;
    // The names of a folder's subfolders in the order the file system gives them, without hidden ones
    // and without "." and "..". A folder that cannot be read fails with what stopped it.
    virtual Result listFolders(const QString& folder, QStringList* names) const;
    // The names of everything in a folder, hidden ones included, without "." and ".."; empty when the
    // folder cannot be read.
    virtual QStringList entryNames(const QString& folder) const;
};

// Opens a regular file only, for reading or for reading and writing, without following a link at the
// end of the path and without waiting on a FIFO or a device: the type is checked on the descriptor
// opened, so it cannot change after the check. The descriptor (blocking, close-on-exec), or -1 with the
// failure in *result, which names what the entry is ("it is a symbolic link, which is never followed").
// With LinkAtEnd::Follow a link at the end is followed to the file it names (a settings file may be one).
// Unix only.
enum class LinkAtEnd { Refuse, Follow };
int openRegularFile(const QString& path, bool write, Result* result, LinkAtEnd link = LinkAtEnd::Refuse);

// Where moveToFreeName put the file.
struct FreeNameMove {
    Result result;
    int index = -1; // the candidate used (or last tried): 0 is the name wanted
    QString path;
};

// Moves a file to the first free name of a row of candidates: candidate(0) is the name wanted,
// candidate(1), candidate(2)... the names tried after it, an empty text ends the row. A name that is
// taken, or is taken between the check and the move, is passed over, unless mayReplace(index, path)
// allows replacing the file there: that file is deleted first and the move then never replaces what
// may have come in its place. A folder is never replaced. beforeMove(index) runs before each move is
// tried, so the caller can store the number it is about to use first.
using ReplacePermission = std::function<bool(int index, const QString& path)>;
FreeNameMove moveToFreeName(FileSystem& fs, const QString& from, const std::function<QString(int)>& candidate,
                            const std::function<void(int)>& beforeMove = {},
                            const ReplacePermission& mayReplace = {});

// True when the file at path was last changed before the cut-off: a copy kept longer than that may go.
bool changedBefore(const FileSystem& fs, const QString& path, const QDateTime& cutoff);

// The real file system; one instance lives for the process.
FileSystem& realFileSystem();

} // namespace vrq
