#pragma once

#include <QString>

namespace vrq {

// One resident copy per program folder, whatever its mode: an exclusive lock on a file in the folder
// that the operating system drops with the process, so a copy that was killed never blocks the next.
// The holder writes its mode and process id into the file, so a refused start can say who runs.
class FolderLock {
public:
    // The name of the lock file inside the program folder.
    static constexpr const char* kFileName = "VRQToQX7.lock";

    explicit FolderLock(const QString& programFolder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock for a copy running in the given mode ("window", "service", "once"). False when
    // another copy holds it or the lock file cannot be made (error() says which).
    bool tryLock(const QString& mode);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }

    // After a refused tryLock: the mode the holder wrote ("" when unknown) and a sentence for the person.
    QString holderMode() const { return m_holderMode; }
    QString error() const { return m_error; }
    // After a refused tryLock: true when another copy holds the lock, false when the lock file could not
    // be made or locked at all (a program folder this user cannot write, for one).
    bool heldByAnotherCopy() const { return m_heldByAnother; }

private:
    void readHolder();

    QString m_path;
    QString m_holderMode;
    QString m_error;
    bool m_heldByAnother = false;
    int m_fd = -1;
};

} // namespace vrq
