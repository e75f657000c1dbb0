// Settings texts and folder paths. The input is read three ways: as one setting text (each conversion
// and its round trip through the stored form), as a whole settings file (loaded, saved and loaded
// again must give the same record), and as a folder setting for the path resolver.
#include "FuzzHarness.h"

#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"

#include <QHash>
#include <QSet>

using namespace vrq;

namespace {

void checkConversions(const QString& text) {
    if (const auto v = SettingText::toInt16(text); v && SettingText::toInt16(SettingText::fromInt16(*v)) != v)
        fuzz::fail("a whole number does not read back as written");
    if (const auto b = SettingText::toBool(text); b && SettingText::toBool(SettingText::fromBool(*b)) != b)
        fuzz::fail("a yes/no value does not read back as written");
    if (const auto d = SettingText::toDate(text)) {
        if (!d->isValid())
            fuzz::fail("a date converted to an invalid date-time");
        if (SettingText::toDate(SettingText::fromDate(*d)) != d)
            fuzz::fail("a date does not read back as written");
    }
    for (int width : {0, 1, 6, 80}) {
        const QString cut = SettingText::cutToWidth(text, width);
        if (cut.size() > width || cut.endsWith(QLatin1Char(' ')))
            fuzz::fail("a text is not cut to its width");
    }
}

bool sameRecord(const Settings& a, const Settings& b) {
    return a.detailsTop == b.detailsTop && a.detailsLeft == b.detailsLeft && a.systemId == b.systemId &&
           a.enableCalls == b.enableCalls && a.enableFiles == b.enableFiles && a.qx7Name == b.qx7Name &&
           a.localDrive == b.localDrive && a.qx7Path == b.qx7Path && a.dataBinPath == b.dataBinPath &&
           a.scannedFolder == b.scannedFolder && a.fileScanMinutes == b.fileScanMinutes &&
           a.dataBinFormat == b.dataBinFormat && a.lastSeqNum == b.lastSeqNum &&
           a.lastDateRun == b.lastDateRun && a.lastDatePurged == b.lastDatePurged &&
           a.daysOfHistory == b.daysOfHistory && a.monitorNetwork == b.monitorNetwork &&
           a.autoConnect == b.autoConnect && a.dataBinAudit == b.dataBinAudit &&
           a.nextDataBinNum == b.nextDataBinNum;
}

// The settings files and the folders the path resolver looks into, in memory: the target checks what
// the settings code and the resolver make of their input, and a disk behind them bounded the rate (and
// let a drive mapped by the input send the resolver through the machine's real folders).
class MemoryFileSystem : public FileSystem {
public:
    // A small tree as an installation has it: the program folder with its drive folders and a data file.
    explicit MemoryFileSystem(const QString& programFolder) {
        for (const QString& folder :
             {programFolder + QStringLiteral("/drives/C/ZIR32/DCS"),
              programFolder + QStringLiteral("/drives/I/QX7Com"), QStringLiteral("/srv/vrq/Data")})
            addFolder(folder);
        addEntry(programFolder + QStringLiteral("/drives/C/ZIR32/DCS/DataBin.Dat"));
    }

    std::optional<QByteArray> readFile(const QString& path) const override {
        const auto found = m_files.constFind(path);
        return found == m_files.constEnd() ? std::nullopt : std::optional<QByteArray>(*found);
    }
    Result writeFile(const QString& path, const QByteArray& bytes) override {
        m_files.insert(path, bytes);
        return Result::success();
    }
    Result replaceFileDurably(const QString& path, const QByteArray& bytes) override {
        return writeFile(path, bytes);
    }
    Result removeFile(const QString& path) override {
        m_files.remove(path);
        return Result::success();
    }
    bool fileExists(const QString& path) const override { return m_files.contains(path); }
    bool folderExists(const QString& path) const override {
        return m_children.contains(withoutEndSlash(path));
    }
    bool entryExists(const QString& path) const override {
        return m_entries.contains(withoutEndSlash(path)) || fileExists(path);
    }
    QStringList entryNames(const QString& folder) const override {
        return m_children.value(withoutEndSlash(folder));
    }

private:
    static QString withoutEndSlash(const QString& path) {
        return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
    }
    void addFolder(const QString& path) {
        addEntry(path);
        m_children[path]; // listed, if empty
    }
    // The entry and every folder above it, each listed in its parent.
    void addEntry(const QString& path) {
        if (path == QLatin1String("/") || m_entries.contains(path))
            return;
        m_entries.insert(path);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString parent = slash > 0 ? path.left(slash) : QStringLiteral("/");
        m_children[parent].append(path.mid(slash + 1));
        if (parent != QLatin1String("/"))
            addFolder(parent);
        else
            m_children[parent]; // listed, if empty
    }

    QHash<QString, QByteArray> m_files;
    QSet<QString> m_entries;
    QHash<QString, QStringList> m_children;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::ProgramFixture& env = fuzz::environment();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkConversions(text);

    static MemoryFileSystem files(env.programFolder());
    static const QString loadedPath = env.path(QStringLiteral("loaded.ini"));
    static const QString savedPath = env.path(QStringLiteral("saved.ini"));
    files.writeFile(loadedPath, QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                        static_cast<qsizetype>(size)));
    QHash<QChar, QString> drives;
    {
        std::unique_ptr<SettingsBackend> backend = SettingsBackend::openIniFile(loadedPath, files);
        drives = backend->driveMap();
        SettingsStore store(*backend, env.clock);
        Settings loaded;
        const QList<SettingProblem> problems = store.load(loaded);
        for (const SettingProblem& problem : problems) {
            if (problem.section.isEmpty() || problem.key.isEmpty() || problem.describe().isEmpty())
                fuzz::fail("a setting problem without its key");
        }

        std::unique_ptr<SettingsBackend> savedBackend = SettingsBackend::openIniFile(savedPath, files);
        SettingsStore saved(*savedBackend, env.clock);
        saved.save(loaded);
        Settings reloaded;
        if (!saved.load(reloaded).isEmpty())
            fuzz::fail("a saved record does not load without problems");
        if (!sameRecord(loaded, reloaded))
            fuzz::fail("a saved record loads back different");
    }
    // The next input's save starts from no file, as the first save of a new installation does.
    files.removeFile(savedPath);
    files.removeFile(loadedPath);

    // Paths: the input as a folder setting, and as a setting plus a file name, with the input's drives.
    const PathResolver resolver(env.programFolder(), drives, files);
    const QString folder = PathResolver::trimRight(text.left(256));
    resolver.resolve(folder);
    resolver.resolve(PathResolver::withTrailingSeparator(folder) + QStringLiteral("DataBin.Dat"));
    return 0;
}
