#pragma once

// A throw-away PostgreSQL server of one test (tests/scripts/pg-server.sh), for tests that stop it as a crash
// would and start it again. The test program defines VRQ_PG_SERVER_SCRIPT.

#include "pg/PgTestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace vrq::test {

// A server of the test's own, so that stopping it disturbs no other test. Its folder sits directly in
// the temporary folder: under root the server runs as nobody, who must reach it.
class PgOwnServer {
public:
    PgOwnServer()
        : m_dir(QDir::temp().filePath(
              QStringLiteral("vrq-pg-%1-%2").arg(QCoreApplication::applicationPid()).arg(++s_servers))) {}
    ~PgOwnServer() { script(QStringLiteral("stop")); }
    PgOwnServer(const PgOwnServer&) = delete;
    PgOwnServer& operator=(const PgOwnServer&) = delete;

    bool start() { return script(QStringLiteral("start")); }
    bool halt() { return script(QStringLiteral("halt")); }
    bool resume() { return script(QStringLiteral("resume")); }
    QString conninfo() const { return pgConninfo(m_dir, QStringLiteral("postgres")); }
    QString socketPath() const { return m_dir + QStringLiteral("/.s.PGSQL.5432"); }

private:
    bool script(const QString& action) {
        QProcess process;
        process.start(QStringLiteral(VRQ_PG_SERVER_SCRIPT), {action, m_dir});
        const bool ended = process.waitForFinished(120000);
        if (!ended || process.exitCode() != 0)
            ADD_FAILURE() << "pg-server.sh " << action.toStdString() << ": "
                          << process.readAllStandardError().toStdString();
        return ended && process.exitCode() == 0;
    }

    static inline int s_servers = 0;
    QString m_dir;
};

} // namespace vrq::test
