#pragma once

#include "context/AppContext.h"
#include "context/UserInterface.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SettingsBackend.h"
#include "store/AuditLog.h"
#include "store/CallStore.h"
#include "store/SettingsStore.h"
#include "support/TestDoubles.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace vrq::test {

// Counts the chances the core gave the window system to run.
class CountingUserInterface : public SilentUserInterface {
public:
    void processEvents() override { ++eventRuns; }
    int eventRuns = 0;
};

// A program folder in a temporary directory with its settings file, a clock that stands still, an
// opened and upgraded store, the audit writer and an AppContext wired to all of them. Each test makes
// its own.
class TestEnvironment {
public:
    explicit TestEnvironment(QChar runMode = QLatin1Char('F'),
                             const QDateTime& now = QDateTime(QDate(2026, 12, 5), QTime(9, 0, 0)));
    ~TestEnvironment();

    // An absolute path inside the temporary directory (not the program folder).
    QString path(const QString& relative) const;
    const QString& programFolder() const { return m_programFolder; }
    // A native folder path with a trailing "/" (created), fit for a folder setting.
    QString makeFolder(const QString& relative) const;

    CallStore& store() { return *m_store; }
    // Closes and opens the store as a crash and a restart would: uncommitted work is lost.
    void reopenStore();

    // Every audit entry as "Type|Msg", in writing order.
    QStringList auditLines();
    // The messages of one type.
    QStringList auditMessages(const QString& type);

    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

    ManualClock clock;
    CountingUserInterface ui;
    AppContext ctx;
    QString iniPath;

private:
    QTemporaryDir m_dir;
    QString m_programFolder;
    std::unique_ptr<SettingsBackend> m_backend;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<PathResolver> m_paths;
    std::unique_ptr<CallStore> m_store;
    std::unique_ptr<AuditLog> m_audit;
};

} // namespace vrq::test
