#pragma once

#include "store/pg/PgConnection.h"

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace vrq::test {

// The socket folder of the test server the pg_server fixture started, or empty when there is none.
inline QString pgSocketFolder() {
    return QString::fromLocal8Bit(qgetenv("VRQ_TEST_PG_SOCKET"));
}

inline bool pgRequired() {
    return qgetenv("VRQ_REQUIRE_PG") == "1";
}

inline QString pgConninfo(const QString& socket, const QString& database) {
    return QStringLiteral("host=%1 user=vrq dbname=%2").arg(socket, database);
}

// Skips the test when no server runs, unless VRQ_REQUIRE_PG=1 asks for a failure instead.
#define VRQ_NEED_PG_SERVER()                                                                                 \
    do {                                                                                                     \
        const QString socket_ = ::vrq::test::pgSocketFolder();                                               \
        if (socket_.isEmpty() || access((socket_ + QStringLiteral("/.s.PGSQL.5432")).toLocal8Bit(), F_OK)) { \
            if (::vrq::test::pgRequired()) {                                                                 \
                FAIL() << "VRQ_REQUIRE_PG=1 but no PostgreSQL test server runs (server programs missing?)";  \
            }                                                                                                \
            GTEST_SKIP() << "no PostgreSQL test server (server programs missing)";                           \
        }                                                                                                    \
    } while (false)

// A fresh database for one test, made from template0 and dropped at the end.
class PgTestDatabase {
public:
    PgTestDatabase() {
        static std::atomic<int> counter{0};
        m_name = QStringLiteral("t_%1_%2").arg(getpid()).arg(counter++);
        Result r = m_admin.open(pgConninfo(pgSocketFolder(), QStringLiteral("postgres")));
        if (r) {
            r = m_admin.exec(
                QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(m_name));
        }
        m_created = r.ok();
        m_error = r.message;
    }
    ~PgTestDatabase() {
        if (m_created && qEnvironmentVariableIsSet("VRQ_KEEP_SANDBOX")) { // for looking into a failure
            std::fprintf(stdout, "database kept: %s\n", qPrintable(m_name));
            return;
        }
        if (m_created) {
            m_admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        }
    }
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    bool created() const { return m_created; }
    const QString& error() const { return m_error; }
    const QString& name() const { return m_name; }
    QString conninfo() const { return pgConninfo(pgSocketFolder(), m_name); }

    // Ends every session on the database, as a server that goes away does; waits until they are gone.
    bool endSessions() {
        return m_admin
            .query(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                  "WHERE datname = $1 AND pid <> pg_backend_pid()"),
                   {m_name})
            .ok();
    }
    // Whether the server lets new sessions onto the database.
    bool allowConnections(bool allow) {
        return m_admin
            .exec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2")
                      .arg(m_name, allow ? QStringLiteral("true") : QStringLiteral("false")))
            .ok();
    }

private:
    pg::Connection m_admin;
    QString m_name;
    QString m_error;
    bool m_created = false;
};

// A test on a fresh database of the test server, with one connection open to it.
class PgDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        VRQ_NEED_PG_SERVER();
        m_db = std::make_unique<PgTestDatabase>();
        ASSERT_TRUE(m_db->created()) << m_db->error().toStdString();
        const Result r = m_conn.open(m_db->conninfo());
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
    }
    // Whether SetUp stopped short (no server, or a failure): a derived SetUp then adds nothing.
    bool setUpStopped() const { return IsSkipped() || HasFatalFailure(); }

    std::unique_ptr<PgTestDatabase> m_db;
    pg::Connection m_conn;
};

} // namespace vrq::test
