// The PostgreSQL store: opening the database, the tables' form and whether writes are kept.
#include "store/pg/PgStore.h"

#include "store/pg/PgParts.h"
#include "store/pg/PgSchema.h"

namespace vrq {

namespace pg {

namespace {

// The old program's start-up statements: the tables here are made in their final form, so on them each
// would fail, as on a SQLite store the upgrade has finished.
constexpr std::size_t kUpgradeStatements = 14;

// The columns as the SQLite store names them, for the names the server gives in lower case. Id and
// Workstation, which only this store has, are left out of the lists.
const char* const kColumnNames[] = {
    "Source",
    "CallNumber",
    "CallDNT",
    "GoodCall",
    "Complete",
    "ExtractedCall",
    "ExtractedFileName",
    "ExtractedDNT",
    "NumberOfOrders",
    "Displayed",
    "LineNumber",
    "Hour",
    "BadReason",
    "BadData",
    "NumBytes",
    "Salesperson",
    "Customer",
    "OrderSeqNumber",
    "Route",
    "Message",
    "NumberOfItems",
    "ShipTo",
    "ItemSeqNumber",
    "ItemNumber",
    "Quantity",
    "Unit",
    "DiscountPercent",
    "PriceOverride",
    "AuditDNT",
    "EventDNT",
    "Type",
    "Msg",
    "Seq",
    "Instance",
};

QStringList storeNames(const Rows& rows) {
    QStringList names;
    for (const auto& row : rows.values) {
        const QString name = textOf(row[0]);
        if (name == QLatin1String("id") || name == QLatin1String("workstation"))
            continue;
        QString known = name;
        for (const char* column : kColumnNames) {
            if (name.compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
                known = QString::fromLatin1(column);
        }
        names.append(known);
    }
    return names;
}

const Statement kColumnsOf{"schema_columns",
                           "SELECT column_name FROM information_schema.columns WHERE table_schema = "
                           "current_schema() AND table_name = lower($1) ORDER BY ordinal_position"};
const Statement kPrimaryKeyOf{
    "schema_primary_key", "SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                          "AND a.attnum = ANY (i.indkey) WHERE i.indrelid = to_regclass(lower($1)) AND "
                          "i.indisprimary ORDER BY array_position(i.indkey::smallint[], a.attnum)"};
const Statement kBeginTrial{"trial_begin", "BEGIN"};
const Statement kTrialWrite{"trial_write", "UPDATE Calls SET Source = Source WHERE false"};
const Statement kEndTrial{"trial_end", "ROLLBACK"};

} // namespace

// --- the tables -----------------------------------------------------------------------------------------

std::vector<bool> PgStoreSchema::dataConversions() {
    return std::vector<bool>(kUpgradeStatements, false);
}

int PgStoreSchema::schemaVersion() const {
    // The server's tables are this store's final form from their first version on.
    int version = 0;
    if (!readSchemaVersion(m_s.connection(), &version))
        return 0;
    return version >= kSchemaVersion ? StoreSchema::kFinalSchemaVersion : 0;
}

Result PgStoreSchema::executeJetDdl(const QString& jetSql) {
    Q_UNUSED(jetSql);
    return Result::failure(
        QStringLiteral("The PostgreSQL store's tables are made in their final form; the old "
                       "engine's table statements are not run on them."));
}

QStringList PgStoreSchema::columnsOf(const QString& table) const {
    Rows rows;
    if (!m_s.run(kColumnsOf, {table}, &rows))
        return {};
    return storeNames(rows);
}

QStringList PgStoreSchema::primaryKeyOf(const QString& table) const {
    Rows rows;
    if (!m_s.run(kPrimaryKeyOf, {table}, &rows))
        return {};
    return storeNames(rows);
}

// --- whether writes are kept ----------------------------------------------------------------------------

Result PgStoreUnits::writable(WriteTrial trial) {
    if (!m_s.refusal().isEmpty())
        return m_s.refused();
    if (m_s.readOnly())
        return Result::failure(
            QStringLiteral("%1 is opened for reading only: nothing is written to it").arg(m_s.where()));
    if (!m_s.connection().isOpen())
        return Result::unreachable(static_cast<int>(Failure::ConnectionLost),
                                   QStringLiteral("the connection to %1 is lost").arg(m_s.where()));
    if (trial == WriteTrial::None || m_s.inTransaction())
        return Result::success();
    // A write that touches no row, undone at once: what refuses it would refuse a call.
    Result tried = m_s.run(kBeginTrial, {});
    if (tried) {
        tried = m_s.run(kTrialWrite, {});
        m_s.run(kEndTrial, {});
    }
    if (tried || failureOf(tried) == Failure::Retry)
        return Result::success();
    if (tried.isUnreachable())
        return Result::unreachable(
            tried.code, QStringLiteral("the connection to %1 is lost (%2)").arg(m_s.where(), tried.message));
    return Result::failure(tried.code,
                           QStringLiteral("%1 cannot be written (%2)").arg(m_s.where(), tried.message));
}

Result PgStoreUnits::saveCopy(const QString& path) {
    return Result::failure(QStringLiteral("A PostgreSQL store is not copied into a file (%1); its server "
                                          "keeps it, and its backups are the server's.")
                               .arg(path));
}

} // namespace pg

// --- the store ------------------------------------------------------------------------------------------

struct PgStore::Parts {
    explicit Parts(pg::Session& s)
        : calls(s), audit(s), viewers(s), summary(s), schema(s), units(s), site(s), ledger(s) {}
    pg::PgCallRecords calls;
    pg::PgAuditRecords audit;
    pg::PgViewerQueries viewers;
    pg::PgSummaryQueries summary;
    pg::PgStoreSchema schema;
    pg::PgStoreUnits units;
    pg::PgSiteJobs site;
    pg::PgOrderLedger ledger;
};

std::unique_ptr<PgStore> PgStore::open(const QString& connection, int workstation, StoreAccess access,
                                       Result* result) {
    const bool readOnly = access == StoreAccess::ReadOnly;
    auto session = std::make_unique<pg::Session>(workstation, readOnly);
    session->setWhere(QStringLiteral("The PostgreSQL store (%1)").arg(connection.trimmed()));
    auto fail = [&](const Result& failure) -> std::unique_ptr<PgStore> {
        if (result)
            *result = failure;
        return nullptr;
    };
    pg::Connection& conn = session->connection();
    if (Result r = conn.open(connection); !r)
        return fail(r);
    if (Result r = session->configure(); !r)
        return fail(r);
    if (readOnly) {
        int version = 0;
        if (Result r = pg::readSchemaVersion(conn, &version); !r)
            return fail(r);
        if (version == 0)
            return fail(Result::failure(
                QStringLiteral("There is no call store in the database (%1).").arg(connection.trimmed())));
        if (version > pg::kSchemaVersion)
            return fail(Result::failure(QStringLiteral("The store's tables are of a newer version (%1) than "
                                                       "this program reads (%2); install the newer VRQToQX7.")
                                            .arg(version)
                                            .arg(pg::kSchemaVersion)));
    } else if (Result r = pg::ensureSchema(conn); !r) {
        return fail(r);
    }
    if (result)
        *result = Result::success();
    return std::unique_ptr<PgStore>(new PgStore(std::move(session)));
}

PgStore::PgStore(std::unique_ptr<pg::Session> session)
    : m_session(std::move(session)), m_parts(std::make_unique<Parts>(*m_session)) {}

PgStore::~PgStore() {
    m_parts.reset();
    m_session->abandonGroup();
    m_session->rollback();
}

CallRecords& PgStore::calls() {
    return m_parts->calls;
}
AuditRecords& PgStore::audit() {
    return m_parts->audit;
}
ViewerQueries& PgStore::viewers() {
    return m_parts->viewers;
}
SummaryQueries& PgStore::summary() {
    return m_parts->summary;
}
StoreSchema& PgStore::schema() {
    return m_parts->schema;
}
StoreUnits& PgStore::units() {
    return m_parts->units;
}
SiteJobs& PgStore::site() {
    return m_parts->site;
}
OrderLedger& PgStore::ledger() {
    return m_parts->ledger;
}

} // namespace vrq
