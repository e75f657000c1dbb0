#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <initializer_list>
#include <vector>

namespace vrq::test {

// Thrown where a script stops the "process": nothing after that point runs, as after a kill. Tests
// catch it, roll back the store's open transaction and start again.
struct Stopped {};

// An open file is scripted by what it does: opened with Truncate as WriteFile, its writes as
// Overwrite and WriteDurably.
enum class FsOp { RemoveFile, Rename, MoveFile, WriteFile, WriteDurably, ReplaceDurably, Overwrite };

// One line of a script: which calls it strikes and what it does to them.
struct FsRule {
    enum class Then { Fail, StopBefore, StopAfter, StopTorn, RunFirst };

    FsOp op;
    QString pathSuffix; // the path (either path of a rename or move) ends with it; empty: any path
    int nth = 0;        // strikes the n-th call that matches; 0: every one
    Then then = Then::Fail;
    int error = 0;                 // errno of a failure
    std::function<void()> first{}; // of RunFirst
};

// Fails the matching calls with `error`, leaving the disk untouched.
FsRule failing(FsOp op, const QString& pathSuffix, int error, int nth = 0);
// Stops before the n-th matching call does anything.
FsRule stopBefore(FsOp op, const QString& pathSuffix = {}, int nth = 1);
// Stops right after the n-th matching call has done its work.
FsRule stopAfter(FsOp op, const QString& pathSuffix = {}, int nth = 1);
// Stops in the middle of the n-th matching write, as a kill between two pages of one write does: an
// overwrite in place has written its first page only; a replacement has changed nothing.
FsRule stopTorn(FsOp op, const QString& pathSuffix = {}, int nth = 1);
// Runs first (what another process does at that moment) before the n-th matching call, which then goes on.
FsRule runningFirst(FsOp op, const QString& pathSuffix, int nth, std::function<void()> first);

// The real file system with scripted failures and stops, for the disk faults and kills that cannot be
// brought about on a test machine.
class ScriptedFileSystem : public FileSystem {
public:
    ScriptedFileSystem() = default; // the real file system, unscripted
    ScriptedFileSystem(std::initializer_list<FsRule> rules) : m_rules(rules.begin(), rules.end()) {}
    explicit ScriptedFileSystem(const std::vector<FsRule>& rules) : m_rules(rules.begin(), rules.end()) {}

    void heal() { m_rules.clear(); } // from now on, the real file system

    Result removeFile(const QString& path) override;
    Result renameNoReplace(const QString& from, const QString& to) override;
    Result moveFile(const QString& from, const QString& to) override;
    Result writeFile(const QString& path, const QByteArray& bytes) override;
    Result writeFileDurably(const QString& path, const QByteArray& bytes) override;
    Result replaceFileDurably(const QString& path, const QByteArray& bytes) override;
    Result overwrite(const QString& path, const QByteArray& bytes) override;
    std::unique_ptr<OpenFile> openForWriting(const QString& path, OpenMode mode, Result* result) override;

private:
    class ScriptedOpenFile;
    struct Scripted {
        FsRule rule;
        int seen = 0;
    };
    template <typename Run> Result apply(FsOp op, const QString& path, const QString& other, Run run);
    // A write at offset, or what of it fits in its first page when a StopTorn rule strikes it.
    template <typename Write>
    Result applyWrite(const QString& path, qint64 offset, const QByteArray& bytes, Write write);

    std::vector<Scripted> m_rules;
};

} // namespace vrq::test
