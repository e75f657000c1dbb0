#pragma once

// Tests that run once on each engine behind the store: SQLite in a temporary folder, and PostgreSQL in a
// database of the test server made for the one test (skipped when no server runs, unless
// VRQ_REQUIRE_PG=1). The engine ends the test's name: .../SQLite, .../PostgreSQL.

#include "pg/PgTestDatabase.h"
#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vrq::test {

inline std::string backendName(StoreBackend backend) {
    return backend == StoreBackend::PostgreSQL ? "PostgreSQL" : "SQLite";
}

// What a test on one engine needs: program fixtures and bare stores over that engine, each in a place
// of its own (a file of the temporary folder, a database of the server).
class BackendStores {
public:
    explicit BackendStores(StoreBackend backend) : m_backend(backend) {}

    StoreBackend backend() const { return m_backend; }
    bool postgres() const { return m_backend == StoreBackend::PostgreSQL; }

    // Call first, with ASSERT_NO_FATAL_FAILURE: skips the test when the engine's server is missing.
    void setUp() {
        if (postgres()) {
            VRQ_NEED_PG_SERVER();
        }
    }

    // A program fixture whose store is on this engine.
    std::unique_ptr<ProgramFixture> fixture(QDateTime now = ProgramFixture::kDefaultNow) {
        if (!postgres())
            return std::make_unique<ProgramFixture>(std::move(now));
        return std::make_unique<ProgramFixture>(std::move(now), newDatabase());
    }

    // A new, empty store on this engine; nullptr (and a test failure) when it cannot be made.
    std::unique_ptr<Store> store() {
        StoreLocation location;
        location.backend = m_backend;
        if (postgres())
            location.connection = newDatabase();
        else
            location.path = m_dir.filePath(QStringLiteral("store%1.db").arg(++m_files));
        Result opened;
        std::unique_ptr<Store> made = openStore(location, StoreAccess::ReadWrite, &opened);
        EXPECT_TRUE(made) << opened.message.toStdString();
        if (made)
            made->schema().dataConversions();
        return made;
    }

    // The connection text of a new, empty database of the test server (PostgreSQL only).
    QString newDatabase() {
        m_databases.push_back(std::make_unique<PgTestDatabase>());
        EXPECT_TRUE(m_databases.back()->created()) << m_databases.back()->error().toStdString();
        return m_databases.back()->conninfo();
    }

private:
    StoreBackend m_backend;
    QTemporaryDir m_dir;
    int m_files = 0;
    // Dropped after the stores over them are closed: the tests declare their stores after this object.
    std::vector<std::unique_ptr<PgTestDatabase>> m_databases;
};

// A test whose only parameter is the engine.
class BackendTest : public ::testing::TestWithParam<StoreBackend> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(backends.setUp()); }
    bool postgres() const { return backends.postgres(); }
    BackendStores backends{GetParam()};
};

inline std::string backendParamName(const ::testing::TestParamInfo<StoreBackend>& info) {
    return backendName(info.param);
}

// A table-driven test on each engine: the parameter is a row of the table and the engine.
template <typename Case>
class BackendCaseTest : public ::testing::TestWithParam<std::tuple<Case, StoreBackend>> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(backends.setUp()); }
    const Case& row() const { return std::get<0>(this->GetParam()); }
    bool postgres() const { return backends.postgres(); }
    BackendStores backends{std::get<1>(this->GetParam())};
};

// "<row name>_<engine>": the row's name field, then the engine.
struct BackendRowName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<std::tuple<Case, StoreBackend>>& info) const {
        return std::string(std::get<0>(info.param).name) + "_" + backendName(std::get<1>(info.param));
    }
};

inline auto bothBackends() {
    return ::testing::Values(StoreBackend::SQLite, StoreBackend::PostgreSQL);
}

// Every row of the table on each engine.
template <typename Case, std::size_t N> auto onBothBackends(const Case (&rows)[N]) {
    return ::testing::Combine(::testing::ValuesIn(rows), bothBackends());
}

// Every row of the table on one engine only (what the engines do differently).
template <typename Case, std::size_t N> auto onBackend(const Case (&rows)[N], StoreBackend backend) {
    return ::testing::Combine(::testing::ValuesIn(rows), ::testing::Values(backend));
}

} // namespace vrq::test
