#include "support/ScriptedFileSystem.h"

#include <cstring>

namespace vrq::test {

namespace {
struct TornWrite {};
} // namespace

FsRule failing(FsOp op, const QString& pathSuffix, int error, int nth) {
    return {op, pathSuffix, nth, FsRule::Then::Fail, error};
}

FsRule stopBefore(FsOp op, const QString& pathSuffix, int nth) {
    return {op, pathSuffix, nth, FsRule::Then::StopBefore};
}

FsRule stopAfter(FsOp op, const QString& pathSuffix, int nth) {
    return {op, pathSuffix, nth, FsRule::Then::StopAfter};
}

FsRule stopTorn(FsOp op, const QString& pathSuffix, int nth) {
    return {op, pathSuffix, nth, FsRule::Then::StopTorn};
}

FsRule runningFirst(FsOp op, const QString& pathSuffix, int nth, std::function<void()> first) {
    return {op, pathSuffix, nth, FsRule::Then::RunFirst, 0, std::move(first)};
}

// Every rule counts the calls it matches; the first rule whose count is its n-th (or that strikes every
// call) decides what happens to this one.
template <typename Run>
Result ScriptedFileSystem::apply(FsOp op, const QString& path, const QString& other, Run run) {
    const FsRule* struck = nullptr;
    for (Scripted& s : m_rules) {
        const QString& suffix = s.rule.pathSuffix;
        if (s.rule.op != op ||
            !(suffix.isEmpty() || path.endsWith(suffix) || (!other.isEmpty() && other.endsWith(suffix))))
            continue;
        ++s.seen;
        if (!struck && (s.rule.nth == 0 || s.seen == s.rule.nth))
            struck = &s.rule;
    }
    if (!struck)
        return run();
    switch (struck->then) {
    case FsRule::Then::Fail:
        return Result::failure(struck->error, QString::fromLocal8Bit(std::strerror(struck->error)));
    case FsRule::Then::StopBefore:
        throw Stopped{};
    case FsRule::Then::StopAfter:
        run();
        throw Stopped{};
    case FsRule::Then::RunFirst:
        struck->first();
        return run();
    case FsRule::Then::StopTorn:
        if (op == FsOp::Overwrite)
            throw TornWrite{}; // applyWrite writes the first page
        throw Stopped{};
    }
    return run();
}

template <typename Write>
Result ScriptedFileSystem::applyWrite(const QString& path, qint64 offset, const QByteArray& bytes,
                                      Write write) {
    constexpr qsizetype kPageSize = 4096;
    try {
        return apply(FsOp::Overwrite, path, {}, [&] { return write(bytes); });
    } catch (const TornWrite&) {
        write(bytes.left(kPageSize - qsizetype(offset % kPageSize))); // up to the end of the file's page
        throw Stopped{};
    }
}

Result ScriptedFileSystem::removeFile(const QString& path) {
    return apply(FsOp::RemoveFile, path, {}, [&] { return FileSystem::removeFile(path); });
}

Result ScriptedFileSystem::renameNoReplace(const QString& from, const QString& to) {
    return apply(FsOp::Rename, from, to, [&] { return FileSystem::renameNoReplace(from, to); });
}

Result ScriptedFileSystem::moveFile(const QString& from, const QString& to) {
    return apply(FsOp::MoveFile, from, to, [&] { return FileSystem::moveFile(from, to); });
}

Result ScriptedFileSystem::writeFile(const QString& path, const QByteArray& bytes) {
    return apply(FsOp::WriteFile, path, {}, [&] { return FileSystem::writeFile(path, bytes); });
}

Result ScriptedFileSystem::writeFileDurably(const QString& path, const QByteArray& bytes) {
    return apply(FsOp::WriteDurably, path, {}, [&] { return FileSystem::writeFileDurably(path, bytes); });
}

Result ScriptedFileSystem::replaceFileDurably(const QString& path, const QByteArray& bytes) {
    return apply(FsOp::ReplaceDurably, path, {}, [&] { return FileSystem::replaceFileDurably(path, bytes); });
}

Result ScriptedFileSystem::overwrite(const QString& path, const QByteArray& bytes) {
    return applyWrite(path, 0, bytes,
                      [&](const QByteArray& written) { return FileSystem::overwrite(path, written); });
}

class ScriptedFileSystem::ScriptedOpenFile : public OpenFile {
public:
    ScriptedOpenFile(ScriptedFileSystem& fs, QString path, std::unique_ptr<OpenFile> file)
        : m_fs(fs), m_path(std::move(path)), m_file(std::move(file)) {}
    Result writeAt(qint64 offset, const QByteArray& bytes) override {
        return m_fs.applyWrite(m_path, offset, bytes,
                               [&](const QByteArray& written) { return m_file->writeAt(offset, written); });
    }
    Result writeDurably(const QByteArray& bytes) override {
        return m_fs.apply(FsOp::WriteDurably, m_path, {}, [&] { return m_file->writeDurably(bytes); });
    }
    qint64 size() const override { return m_file->size(); }
    Result setPermissions(int mode) override { return m_file->setPermissions(mode); }

private:
    ScriptedFileSystem& m_fs;
    QString m_path;
    std::unique_ptr<OpenFile> m_file;
};

std::unique_ptr<OpenFile> ScriptedFileSystem::openForWriting(const QString& path, OpenMode mode,
                                                             Result* result) {
    std::unique_ptr<OpenFile> file;
    auto open = [&] {
        Result opened;
        file = FileSystem::openForWriting(path, mode, &opened);
        return opened;
    };
    *result = mode != OpenMode::KeepContent ? apply(FsOp::WriteFile, path, {}, open) : open();
    if (!result->ok())
        return nullptr;
    return std::make_unique<ScriptedOpenFile>(*this, path, std::move(file));
}

} // namespace vrq::test
