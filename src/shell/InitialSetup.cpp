#include "shell/InitialSetup.h"

#include "context/AppContext.h"
#include "platform/CopyBinaryFile.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace vrq {

namespace {

const QByteArray kLauncher = QByteArrayLiteral("LNCHPD32.EXE");
const QByteArray kDataFileEnding = QByteArrayLiteral(".LPD");
const QString kOwnDataFile = QStringLiteral("VRQtoQX7.lpd");
constexpr int kSetAsideNames = 9999; // databin.sav, then databin.sav.1 ... databin.sav.9999

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

// One argument of an Exec line: quoted when it holds a character the line's syntax reserves, with the
// characters that stay special inside quotes escaped; a percent sign is doubled, as field codes use it.
QString execArgument(const QString& argument) {
    const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const QString escapedInQuotes = QStringLiteral("\"`$\\");
    const bool quoted = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                          [&](QChar c) { return reserved.contains(c); });
    QString text;
    for (QChar c : argument) {
        if (quoted && escapedInQuotes.contains(c))
            text += QLatin1Char('\\');
        text += c;
    }
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return quoted ? QLatin1Char('"') + text + QLatin1Char('"') : text;
}

// A value as a desktop entry holds it: backslashes doubled, line breaks and tabs as escapes.
QString desktopEntryValue(QString value) {
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return value;
}

QString withoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
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
    places.setAsideNote = QDir(ctx.programFolder).filePath(QStringLiteral("DataBinSetAside.txt"));
    if (!qEnvironmentVariableIsEmpty("VRQTOQX7_HOME"))
        places.autostartEnvironment << QStringLiteral("VRQTOQX7_HOME=") + ctx.programFolder;
    if (!qEnvironmentVariableIsEmpty("VRQTOQX7_SETTINGS") && ctx.settingsStore)
        places.autostartEnvironment
            << QStringLiteral("VRQTOQX7_SETTINGS=") +
                   QFileInfo(ctx.settingsStore->backend().location()).absoluteFilePath();
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
    // Only the first run finds calls from before the program: after it, the calls that reach
    // DataBin.Dat are this program's to take, also while the setup runs again at each start.
    if (m_ctx.fs->fileExists(m_places.setAsideNote)) {
        log(QStringLiteral("DataBin.Dat was set aside at the first setup; it is left for the intake."));
        return;
    }
    // An earlier set-aside file is kept: this one takes the first name not used yet.
    const FreeNameMove moved = moveToFreeName(*m_ctx.fs, m_places.dataBinFile, [&](int index) {
        if (index > kSetAsideNames)
            return QString();
        return index == 0 ? m_places.dataBinSaved
                          : m_places.dataBinSaved + QLatin1Char('.') + QString::number(index);
    });
    log(moved.result.ok() ? QStringLiteral("Rename of databin.dat successful.")
                          : QStringLiteral("Rename of databin.dat failed."));
    const QString kept = moved.result.ok() ? QDir::toNativeSeparators(moved.path) : QString();
    if (!kept.isEmpty())
        log(QStringLiteral("DataBin.Dat was set aside as %1; it is kept and its calls are not taken in.")
                .arg(kept));
    m_ctx.fs->writeFileDurably(m_places.setAsideNote,
                               (kept.isEmpty()
                                    ? QStringLiteral("No DataBin.Dat was set aside.\n")
                                    : QStringLiteral("DataBin.Dat was set aside as %1.\n").arg(kept))
                                   .toUtf8());
}

std::optional<QString> InitialSetup::launcherDataFile(const QByteArray& entry, int skip) {
    const qsizetype launcher = entry.toUpper().indexOf(kLauncher);
    if (launcher < 0)
        return std::nullopt;
    const QByteArray rest = entry.mid(launcher + skip);
    const qsizetype ending = rest.toUpper().indexOf(kDataFileEnding);
    const bool quoted = ending >= 0 && rest.size() > ending + 4 && rest.at(ending + 4) == '"';
    qsizetype start = ending - 1;
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
        // The setup runs at every start while the host is not set: a data file that already holds this
        // program's own data is no launcher data to keep, and must not replace the copy kept before.
        if (const auto current = m_ctx.fs->readFile(dataFile);
            current && current == m_ctx.fs->readFile(ownDataFile())) {
            log(QStringLiteral("Rename of ") + m_dataFilePath +
                QStringLiteral(" not needed: it holds this program's data; the launcher's are kept in ") +
                QDir::toNativeSeparators(saved) + QLatin1Char('.'));
            return;
        }
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

QString InitialSetup::ownDataFile() const {
    return QDir(m_places.programFolder).filePath(kOwnDataFile);
}

void InitialSetup::copyOwnDataFile() {
    const QString source = ownDataFile();
    if (!QFileInfo::exists(source))
        m_ctx.fs->writeFile(source, ownLauncherData(m_places.programExecutable));
    if (!m_dataFilePath.isEmpty())
        copyBinaryFile(source, m_ctx.paths->resolve(m_dataFilePath), true);
    log(QStringLiteral("Copied ") + QDir::toNativeSeparators(source) + QStringLiteral(" to ") +
        m_dataFilePath);
}

QString InitialSetup::autostartCommand(const QStringList& environment, const QString& programExecutable) {
    QStringList arguments;
    if (!environment.isEmpty())
        arguments << QStringLiteral("env") << environment;
    arguments << programExecutable;
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted << execArgument(argument);
    return desktopEntryValue(quoted.join(QLatin1Char(' ')));
}

void InitialSetup::offerAutostartEntry() {
    const QString entry = m_places.ownAutostartEntry;
    if (entry.isEmpty())
        return;
    if (QFileInfo::exists(entry)) {
        m_autostart = Autostart::AlreadyThere;
        return;
    }
    m_autostart = Autostart::NotWritten;
    if (!m_host.confirmAutostartEntry(entry))
        return;
    const QByteArray text =
        QByteArrayLiteral("[Desktop Entry]\nType=Application\nName=VRQToQX7\n"
                          "Comment=Sends the orders of the VRQ calls to QX7\nExec=") +
        autostartCommand(m_places.autostartEnvironment, m_places.programExecutable).toUtf8() +
        QByteArrayLiteral("\nX-GNOME-Autostart-enabled=true\n");
    Result written = m_ctx.fs->makePath(m_places.startupFolder);
    if (written.ok())
        written = m_ctx.fs->writeFile(entry, text);
    if (written.ok())
        m_autostart = Autostart::Written;
    log(written.ok()
            ? QStringLiteral("Autostart entry %1 added.").arg(entry)
            : QStringLiteral("Autostart entry %1 could not be written: %2").arg(entry, written.message));
}

QString InitialSetup::sessionStartText() const {
    const QString entry = m_places.ownAutostartEntry;
    const QString command = autostartCommand(m_places.autostartEnvironment, m_places.programExecutable);
    switch (m_autostart) {
    case Autostart::Written:
        return QStringLiteral("VRQToQX7 now starts with your session: the autostart entry %1 was added.")
            .arg(entry);
    case Autostart::AlreadyThere:
        return QStringLiteral("VRQToQX7 starts with your session from the autostart entry %1, which was "
                              "already there and is left as it is; it should run: %2")
            .arg(entry, command);
    case Autostart::NotWritten:
    case Autostart::NotOffered:
        break;
    }
    return QStringLiteral("To start VRQToQX7 with your session, add an autostart entry to %1 that runs: %2")
        .arg(QDir::toNativeSeparators(m_places.startupFolder), command);
}

void InitialSetup::showFinalMessage() {
    const QString configured = QStringLiteral("Your system is now configured.  ");
    // Off Windows the program starts with the session by its autostart entry, not from a Start menu.
    if (!m_places.ownAutostartEntry.isEmpty()) {
        QString text = configured + sessionStartText();
        if (!m_shortcutName.isEmpty())
            text += QStringLiteral("  The launcher of the start-up entry %1 now starts VRQToQX7 too.")
                        .arg(withoutExtension(m_shortcutName));
        m_host.showMessage(text);
        return;
    }
    if (m_shortcutName.isEmpty())
        return;
    m_host.showMessage(configured +
                       QStringLiteral("To finish bringing up the software, do the following:  Click Start - "
                                      "Programs - StartUp - ") +
                       withoutExtension(m_shortcutName));
}

} // namespace vrq
