#pragma once

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/NetworkDrive.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "settings/SettingsStore.h"
#include "store/AuditLog.h"
#include "store/Store.h"
#include "support/TestDoubles.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Lets GoogleTest print texts in its failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace vrq::test {

using namespace Qt::StringLiterals;

// Reports a row the fixture could not store. The test library adds a test failure; the fuzz harness,
// which has no GoogleTest, aborts.
void reportSetupFailure(const std::string& what);

// Records what the core showed to the person at the screen. The host-folder wait retries at most
// maxRetries times; beforeRetry runs before each retry (a test brings the folder back there).
class RecordingUserInterface : public UserInterface {
public:
    void updateCallDisplay(int callNumber, CallDisplay mode) override {
        displayed.push_back({-1, callNumber, mode});
    }
    void updateCallRow(int source, int callNumber, CallDisplay mode) override {
        displayed.push_back({source, callNumber, mode});
    }
    void showMessage(const QString& text) override { messages.append(text); }
    bool waitForHostFolder(const QDateTime& since, const std::function<bool()>& tryReconnect) override;
    void processEvents() override {}

    struct Display {
        int source; // -1 when the row was named by its number alone
        int callNumber;
        CallDisplay mode;
        friend bool operator==(const Display&, const Display&) = default;
    };
    std::vector<Display> displayed;
    QStringList messages;
    int waits = 0;
    int maxRetries = 3;
    std::function<void(int retry)> beforeRetry;
};

// Maps a drive as the test says: netConnect answers connectResult and, when it is 0, runs onConnected
// (a test restores the folder there). Every call is recorded as "connect I: \\HOST\Qdls" / "disconnect I:".
class ScriptedDriveMapper : public DriveMapper {
public:
    int netConnect(const QString& drive, const QString& share) override;
    void netDisconnect(const QString& drive) override;

    int connectResult = 0;
    std::function<void()> onConnected;
    QStringList calls;
};

// One installation in a temporary directory: the program folder with an opened and upgraded store, the
// settings file, the audit writer, a clock that stands still, a DataBin folder (<dir>/dcs/, DataBinPath)
// and a host folder: drive I is <dir>/host, so the default "I:\QX7Com\" is <dir>/host/QX7Com. The
// AppContext is wired to all of them. Each test makes its own.
class ProgramFixture {
public:
    static inline const QDateTime kDefaultNow{QDate(2026, 3, 10), QTime(14, 7, 30)};

    explicit ProgramFixture(QDateTime now = kDefaultNow);
    // The same installation with its store in the PostgreSQL database the connection text names (a
    // test's own, empty), as workstation 1, instead of the SQLite file in the program folder.
    ProgramFixture(QDateTime now, const QString& pgConnection);
    ~ProgramFixture();

    // An absolute path inside the temporary directory (not the program folder).
    QString path(const QString& relative) const { return dir.filePath(relative); }
    QString programFolder() const { return path(u"program"_s); }
    QString iniPath() const { return path(u"VRQToQX7.ini"_s); }
    // A folder inside the temporary directory (created), with a trailing "/", fit for a folder setting.
    QString makeFolder(const QString& relative) const {
        QDir().mkpath(path(relative));
        return path(relative) + u'/';
    }
    // A file of the DataBin folder, DataBin.Dat unless named.
    QString dataBinFile(const QString& name = u"DataBin.Dat"_s) const { return path(u"dcs/"_s + name); }

    QString hostFolder() const { return path(u"host/QX7Com"_s); } // native
    QString hostFile(const QString& name) const { return QDir(hostFolder()).filePath(name); }
    QStringList hostFiles() const { return QDir(hostFolder()).entryList(QDir::Files, QDir::Name); }
    QByteArray hostFileBytes(const QString& name) const { return readFile(hostFile(name)); }
    void loseHostFolder() { QDir(dir.path()).rename(u"host/QX7Com"_s, u"host-away"_s); }
    void restoreHostFolder() { QDir(dir.path()).rename(u"host-away"_s, u"host/QX7Com"_s); }

    // The run mode of the context and of the audit entries written from now on.
    void setRunMode(QChar runMode);
    // Closes and opens the store as a crash and a restart would: uncommitted work is lost.
    void reopenStore();

    // "type|message" of every audit entry, in write order.
    QStringList auditTexts() const;
    // The messages of the entries of one type, in write order.
    QStringList auditMessages(const QString& type) const;
    // A setting as the settings file holds it after the last save.
    QString savedSetting(const QString& section, const QString& key) const;

    void addCall(int source, int callNumber, int numberOfOrders, bool good = true, bool complete = true,
                 bool extracted = false, QDateTime callDnt = QDateTime());
    void addOrder(int source, int callNumber, int orderSeq, const QString& customer = u"C1"_s,
                  std::optional<QString> shipTo = u"01"_s);
    void addItem(int source, int callNumber, int orderSeq, int itemSeq, int quantity = 1,
                 const QString& itemNumber = u"ITEM"_s);
    // A good, complete call waiting to be extracted, with one order of `items` items.
    void addPendingCall(int source, int callNumber, int items = 0) {
        addCall(source, callNumber, 1);
        addOrder(source, callNumber, 1);
        for (int itemSeq = 1; itemSeq <= items; ++itemSeq)
            addItem(source, callNumber, 1, itemSeq);
    }
    // Stores a row as given; a refused row fails the test.
    void add(const CallRow& row);
    void add(const OrderRow& row);
    void add(const ItemRow& row);
    std::optional<CallRow> call(int source, int callNumber) const {
        return store->calls().findCall(source, callNumber);
    }
    // From here on, the store refuses every audit entry whose message is LIKE the pattern (as a full
    // disk or a lock held too long would); an empty pattern accepts them all again.
    void failAuditEntries(const QString& likePattern);

    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

    QString pgConnection; // empty: the SQLite store
    QTemporaryDir dir;
    ManualClock clock;
    FileSystem* fs = &realFileSystem();
    std::unique_ptr<SettingsBackend> backend;
    std::unique_ptr<SettingsStore> settingsStore;
    std::unique_ptr<PathResolver> paths;
    std::unique_ptr<Store> store;
    std::unique_ptr<AuditLog> audit;
    RecordingUserInterface ui;
    ScriptedDriveMapper drives;
    AppContext ctx;
};

} // namespace vrq::test
