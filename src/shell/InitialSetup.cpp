#include "shell/InitialSetup.h"

#include "context/AppContext.h"
#include "platform/CopyBinaryFile.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "store/AuditLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vrq {

namespace {

const QByteArray kLauncher = QByteArrayLiteral("LNCHPD32.EXE");
const QByteArray kDataFileEnding = QByteArrayLiteral(".LPD");
const QString kOwnDataFile = QStringLiteral("VRQtoQX7.lpd");

#ifdef Q_OS_WIN
// A shortcut keeps the launcher's path and its arguments apart by some bytes of its own.
constexpr int kSkipAfterLauncher = 50;
#else
constexpr int kSkipAfterLauncher = 12; // the launcher's name itself
#endif

// A quoted name (a .desktop command quotes a path with blanks) runs back to its opening quote, any
// other back to the blank or NUL before it.
bool endsName(char c, bool quoted) {
    return quoted ? c == '"' : (c == ' ' || c == '\0' || c == '"');
}

// The text of a start-up entry the launcher search reads: a shortcut whole; a .desktop entry only
// its Exec lines, the command it starts.
std::optional<QByteArray> searchableText(const QString& name, const QByteArray& bytes) {
#ifdef Q_OS_WIN
    Q_UNUSED(name);
    return bytes;
#else
    if (!name.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive))
        return std::nullopt;
    QByteArray commands;
    for (const QByteArray& line : bytes.split('\n'))
        if (line.trimmed().startsWith("Exec="))
            commands += line.trimmed().mid(5) + '\n';
    return commands;
#endif
}

QString withoutExtension(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

InitialSetupPlaces InitialSetupPlaces::forThisPlatform(const AppContext& ctx) {
    InitialSetupPlaces places;
    places.programFolder = ctx.programFolder;
    places.programExecutable = QCoreApplication::applicationFilePath();
#ifdef Q_OS_WIN
    places.dataBinFile = QStringLiteral("c:\\zir32\\dcs\\databin.dat");
    places.dataBinSaved = QStringLiteral("c:\\zir32\\dcs\\databin.sav");
    places.startupFolder =
        QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QStringLiteral("/Startup");
#else
    places.dataBinFile = ctx.paths->resolve(QStringLiteral("c:\\zir32\\dcs\\databin.dat"));
    places.dataBinSaved = ctx.paths->resolve(QStringLiteral("c:\\zir32\\dcs\\databin.sav"));
    places.startupFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/autostart");
    places.ownAutostartEntry = places.startupFolder + QStringLiteral("/vrqtoqx7.desktop");
#endif
    return places;
}

InitialSetup::InitialSetup(AppContext& ctx, InitialSetupPlaces places, InitialSetupHost& host)
    : m_ctx(ctx), m_places(std::move(places)), m_host(host) {}

void InitialSetup::run() {
    setDataBinAside();
    findLauncherEntry();
    log(m_dataFilePath.isEmpty() ? QStringLiteral("Launchpad data file not found.")
                                 : QStringLiteral("Launchpad data file found = ") + m_dataFilePath);
    keepOldDataFile();
    copyOwnDataFile();
    m_host.openProperties();
    offerAutostartEntry();
    showFinalMessage();
}

void InitialSetup::log(const QString& text) {
    if (m_ctx.audit)
        m_ctx.audit->write(AuditType::Info, text);
}

void InitialSetup::setDataBinAside() {
    m_ctx.fs->removeFile(m_places.dataBinSaved); // there may be none
    const bool moved = m_ctx.fs->renameNoReplace(m_places.dataBinFile, m_places.dataBinSaved).ok();
    log(moved ? QStringLiteral("Rename of databin.dat successful.")
              : QStringLiteral("Rename of databin.dat failed."));
}

std::optional<QString> InitialSetup::launcherDataFile(const QByteArray& entry, int skip) {
    const int launcher = entry.toUpper().indexOf(kLauncher);
    if (launcher < 0)
        return std::nullopt;
    const QByteArray rest = entry.mid(launcher + skip);
    const int ending = rest.toUpper().indexOf(kDataFileEnding);
    const bool quoted = ending >= 0 && rest.size() > ending + 4 && rest.at(ending + 4) == '"';
    int start = ending - 1;
    while (start >= 0 && !endsName(rest.at(start), quoted))
        --start;
    // No data file after the launcher, or none set off from what comes before it.
    if (ending < 0 || start < 0)
        return QString();
    return QString::fromUtf8(rest.mid(start + 1, ending - start + 3));
}

void InitialSetup::findLauncherEntry() {
    for (const FileEntry& entry : m_ctx.fs->listFiles(m_places.startupFolder)) {
        if (entry.name.trimmed().isEmpty())
            break;
        if (entry.name.startsWith(QLatin1Char('.')))
            continue;
        QFile file(QDir(m_places.startupFolder).filePath(entry.name));
        if (!file.open(QIODevice::ReadOnly)) // an unreadable entry ends the search
            break;
        const std::optional<QByteArray> text = searchableText(entry.name, file.readAll());
        const std::optional<QString> dataFile =
            text ? launcherDataFile(*text, kSkipAfterLauncher) : std::nullopt;
        if (!dataFile)
            continue;
        m_shortcutName = entry.name;
        log(QStringLiteral("Launchpad shortcut file found = ") + entry.name);
        // An entry that names the launcher ends the search, with or without a data file.
        m_dataFilePath = *dataFile;
        break;
    }
}

void InitialSetup::keepOldDataFile() {
    bool moved = false;
    if (m_dataFilePath.size() >= 3) {
        const QString dataFile = m_ctx.paths->resolve(m_dataFilePath);
        const QString saved = m_ctx.paths->resolve(m_dataFilePath.chopped(3) + QStringLiteral("sav"));
        m_ctx.fs->removeFile(saved); // there may be none
        moved = m_ctx.fs->renameNoReplace(dataFile, saved).ok();
    }
    log(QStringLiteral("Rename of ") + m_dataFilePath +
        (moved ? QStringLiteral(" successful.") : QStringLiteral(" failed.")));
}

QByteArray InitialSetup::ownLauncherData(const QString& programExecutable) {
    return QByteArrayLiteral("[Launchpad]\nTitle=VRQToQX7\nProgram=") + programExecutable.toUtf8() +
           QByteArrayLiteral("\nStartup=Yes\n");
}

void InitialSetup::copyOwnDataFile() {
    const QString source = QDir(m_places.programFolder).filePath(kOwnDataFile);
    if (!QFileInfo::exists(source))
        m_ctx.fs->writeFile(source, ownLauncherData(m_places.programExecutable));
    if (!m_dataFilePath.isEmpty())
        copyBinaryFile(source, m_ctx.paths->resolve(m_dataFilePath), true);
    log(QStringLiteral("Copied ") + QDir::toNativeSeparators(source) + QStringLiteral(" to ") +
        m_dataFilePath);
}

void InitialSetup::offerAutostartEntry() {
    const QString entry = m_places.ownAutostartEntry;
    if (entry.isEmpty() || QFileInfo::exists(entry) || !m_host.confirmAutostartEntry(entry))
        return;
    const QByteArray text = QByteArrayLiteral("[Desktop Entry]\nType=Application\nName=VRQToQX7\n"
                                              "Comment=Sends the orders of the VRQ calls to QX7\nExec=") +
                            m_places.programExecutable.toUtf8() +
                            QByteArrayLiteral("\nX-GNOME-Autostart-enabled=true\n");
    Result written = m_ctx.fs->makePath(m_places.startupFolder);
    if (written.ok())
        written = m_ctx.fs->writeFile(entry, text);
    log(written.ok()
            ? QStringLiteral("Autostart entry %1 added.").arg(entry)
            : QStringLiteral("Autostart entry %1 could not be written: %2").arg(entry, written.message));
}

void InitialSetup::showFinalMessage() {
    if (m_shortcutName.isEmpty())
        return;
    m_host.showMessage(
        QStringLiteral("Your system is now configured.  To finish bringing up the software, do "
                       "the following:  Click Start - Programs - StartUp - ") +
        withoutExtension(m_shortcutName));
}

} // namespace vrq
