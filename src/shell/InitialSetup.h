#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace vrq {

struct AppContext;

// Where the first-run setup looks and what it writes: native paths.
struct InitialSetupPlaces {
    QString dataBinFile;  // the upstream call file that is set aside
    QString dataBinSaved; // its set-aside name
    QString startupFolder;
    QString programFolder; // holds the program's own launcher data file, VRQtoQX7.lpd
    // Off Windows: the program's own autostart entry, offered when missing, and what it starts.
    QString ownAutostartEntry;
    QString programExecutable;
    // "NAME=value" for each variable that chose this start's program folder or settings file: the
    // autostart entry sets them too, so the next session runs against the same folder and settings.
    QStringList autostartEnvironment;
    // Noted in the program folder once the setup has set DataBin.Dat aside: a later run leaves it alone.
    QString setAsideNote;

    // This platform's places: on Windows the old fixed folders; elsewhere the DataBin.Dat of the drive
    // map's C:\ZIR32\DCS\ and the session's autostart folder ($XDG_CONFIG_HOME/autostart).
    static InitialSetupPlaces forThisPlatform(const AppContext& ctx);
};

// What the setup asks of the window layer.
class InitialSetupHost {
public:
    virtual ~InitialSetupHost() = default;
    // Loads the main form when it has not loaded yet, then shows the Properties dialog and waits for it.
    virtual void openProperties() = 0;
    // Whether to add the program's own autostart entry at this path.
    virtual bool confirmAutostartEntry(const QString& entryPath) = 0;
    virtual void showMessage(const QString& text) = 0;
};

// The first run of window mode: sets the old DataBin.Dat aside, finds the launcher's start-up entry and
// its data file, replaces that data file by VRQtoQX7.lpd (keeping the old one as ".sav"), opens the
// Properties dialog and tells the person how the program starts. Every step is logged with type "I";
// no failure stops the setup. The setup runs again at every start while the host is not set; only its
// first run in a program folder sets DataBin.Dat aside (under a name never used before, never deleted),
// later ones leave the calls that came since to the intake.
class InitialSetup {
public:
    InitialSetup(AppContext& ctx, InitialSetupPlaces places, InitialSetupHost& host);

    void run();

    // What the search of the start-up folder found (empty when nothing).
    const QString& shortcutName() const { return m_shortcutName; }
    const QString& dataFilePath() const { return m_dataFilePath; }

    // The data file a launcher entry names after the launcher: the text ending in ".LPD" that follows
    // the launcher's name (skipping `skip` characters after the name's start), back to the blank or NUL
    // before it, or to the opening quote when it is quoted. Nothing when the entry does not name the
    // launcher; an empty text when it does but names no data file that way.
    static std::optional<QString> launcherDataFile(const QByteArray& entry, int skip);
    // The launcher data file the program ships; written into the program folder when missing.
    static QByteArray ownLauncherData(const QString& programExecutable);
    // The Exec value of the autostart entry: the program, through env when variables are to be set,
    // each argument quoted and escaped as desktop entries require.
    static QString autostartCommand(const QStringList& environment, const QString& programExecutable);

private:
    enum class Autostart { NotOffered, Written, AlreadyThere, NotWritten };

    void setDataBinAside();
    void findLauncherEntry();
    void keepOldDataFile();
    // VRQtoQX7.lpd in the program folder: the launcher data that start this program.
    QString ownDataFile() const;
    void copyOwnDataFile();
    void offerAutostartEntry();
    void showFinalMessage();
    // What the final message says off Windows: how the program starts with the session.
    QString sessionStartText() const;
    void log(const QString& text);

    AppContext& m_ctx;
    InitialSetupPlaces m_places;
    InitialSetupHost& m_host;
    QString m_shortcutName;
    QString m_dataFilePath;
    Autostart m_autostart = Autostart::NotOffered;
};

} // namespace vrq
