#include "store/pg/PgSchema.h"

#include "store/pg/PgConnection.h"

#include <QString>

namespace vrq::pg {

namespace {

// Held for the creating transaction only, so a second workstation waits and then finds the tables.
constexpr const char* kCreateLock = "SELECT pg_advisory_xact_lock(7207001)";

// The tables in real types. Text widths are those the embedded store checks; dates are local times to
// the second, as the embedded store keeps them. Each row carries the workstation that took it in, which
// leads the keys; the identity columns give the viewers a stable order without a row address.
const char* const kCreateStatements[] = {
    "CREATE TABLE SchemaVersion (Version integer NOT NULL)",
    "CREATE TABLE Calls ("
    " Id bigint GENERATED ALWAYS AS IDENTITY UNIQUE,"
    " Workstation smallint NOT NULL DEFAULT 1 CHECK (Workstation BETWEEN 1 AND 99),"
    " Source integer NOT NULL DEFAULT 0,"
    " CallNumber integer NOT NULL,"
    " CallDNT timestamp(0),"
    " GoodCall boolean NOT NULL DEFAULT false,"
    " Complete boolean NOT NULL DEFAULT false,"
    " ExtractedCall boolean NOT NULL DEFAULT false,"
    " ExtractedFileName varchar(64),"
    " ExtractedDNT timestamp(0),"
    " NumberOfOrders integer,"
    " Displayed boolean NOT NULL DEFAULT false,"
    " LineNumber integer,"
    " Hour integer,"
    " BadReason integer,"
    " BadData integer,"
    " NumBytes integer,"
    " Salesperson varchar(6),"
    " Customer varchar(8),"
    " PRIMARY KEY (Workstation, Source, CallNumber))",
    "CREATE TABLE Orders ("
    " Id bigint GENERATED ALWAYS AS IDENTITY UNIQUE,"
    " Workstation smallint NOT NULL DEFAULT 1 CHECK (Workstation BETWEEN 1 AND 99),"
    " Source integer NOT NULL DEFAULT 0,"
    " CallNumber integer NOT NULL,"
    " OrderSeqNumber integer NOT NULL,"
    " Salesperson varchar(6),"
    " Customer varchar(8),"
    " Route varchar(6),"
    " Message varchar(255),"
    " NumberOfItems integer,"
    " ShipTo varchar(2),"
    " PRIMARY KEY (Workstation, Source, CallNumber, OrderSeqNumber))",
    "CREATE TABLE OrderLineItems ("
    " Id bigint GENERATED ALWAYS AS IDENTITY UNIQUE,"
    " Workstation smallint NOT NULL DEFAULT 1 CHECK (Workstation BETWEEN 1 AND 99),"
    " Source integer NOT NULL DEFAULT 0,"
    " CallNumber integer NOT NULL,"
    " OrderSeqNumber integer NOT NULL,"
    " ItemSeqNumber integer NOT NULL,"
    " ItemNumber varchar(13),"
    " Quantity integer,"
    " Unit integer,"
    " DiscountPercent integer,"
    " PriceOverride integer,"
    " PRIMARY KEY (Workstation, Source, CallNumber, OrderSeqNumber, ItemSeqNumber))",
    "CREATE TABLE Audit ("
    " Id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " Workstation smallint NOT NULL DEFAULT 1 CHECK (Workstation BETWEEN 1 AND 99),"
    " AuditDNT timestamp(0),"
    " EventDNT timestamp(0),"
    " Type varchar(1),"
    " Msg varchar(150),"
    " Seq integer,"
    " Instance varchar(1))",
    "CREATE INDEX CallsByNumber ON Calls (CallNumber)",
    "CREATE INDEX CallsPending ON Calls (ExtractedCall, GoodCall, Complete)",
    "CREATE INDEX CallsUndisplayed ON Calls (Displayed, Complete)",
    "CREATE INDEX AuditByDate ON Audit (AuditDNT)",
};

// What each version after the first adds, in order: a database of an older version gets the steps it
// lacks, in the transaction that records the new version.
struct UpgradeStep {
    int version; // the version the step leads to
    const char* sql;
};
const UpgradeStep kUpgradeSteps[] = {
    // The jobs the workstations of a site do once a day for all of them, and who did each last.
    {2, "CREATE TABLE SiteJobs ("
        " Job varchar(16) PRIMARY KEY,"
        " LastDone timestamp(0) NOT NULL,"
        " Workstation smallint NOT NULL CHECK (Workstation BETWEEN 1 AND 99))"},
    // Several exporters: each workstation's SystemID, the numbering of each SystemID, the ledger of the
    // order files, and the claims on the calls with the epochs that fence a claim settled by another.
    {3, "CREATE TABLE Workstations ("
        " Workstation smallint PRIMARY KEY CHECK (Workstation BETWEEN 1 AND 99),"
        " SystemID smallint NOT NULL)"},
    {3, "CREATE TABLE OrderFileCounters (SystemID smallint PRIMARY KEY, LastSeqNum integer NOT NULL)"},
    {3, "CREATE TABLE OrderFileLedger ("
        " Id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
        " Workstation smallint NOT NULL,"
        " Source integer NOT NULL,"
        " CallNumber integer NOT NULL,"
        " SystemID smallint NOT NULL,"
        " SeqNum integer NOT NULL,"
        " State char(1) NOT NULL CHECK (State IN ('R', 'A', 'D', 'X')),"
        " Epoch bigint NOT NULL,"
        " Exporter smallint NOT NULL,"
        " Changed timestamp(0) NOT NULL DEFAULT localtimestamp(0))"},
    // A number is in flight once in the site, and a call has one file in flight at most.
    {3, "CREATE UNIQUE INDEX OrderFileNumbersInFlight ON OrderFileLedger (SystemID, SeqNum) "
        "WHERE State IN ('R', 'A')"},
    {3, "CREATE UNIQUE INDEX OrderFileOfCallInFlight ON OrderFileLedger (Workstation, Source, CallNumber) "
        "WHERE State IN ('R', 'A')"},
    {3, "CREATE INDEX OrderFileLedgerOfCall ON OrderFileLedger (Workstation, Source, CallNumber)"},
    {3, "CREATE SEQUENCE ClaimEpochs"},
    {3, "ALTER TABLE Calls ADD COLUMN ClaimedBy smallint, ADD COLUMN ClaimEpoch bigint"},
    {3, "CREATE INDEX CallsClaimed ON Calls (ClaimedBy) WHERE ClaimedBy IS NOT NULL"},
    // What the site's marker file in the host folder holds: a folder without it is not the site's.
    {3, "CREATE TABLE SiteMarker (Marker text NOT NULL, Placed timestamp(0), PlacedBy smallint)"},
    {3, "INSERT INTO SiteMarker (Marker) SELECT gen_random_uuid()::text"},
};

// Ends the open transaction and gives back the failure that ended it.
Result rollbackWith(Connection& conn, const Result& failure) {
    conn.exec(QStringLiteral("ROLLBACK"));
    return failure;
}

// The message for a role that may not create the tables: which role, which schema, and the grant.
Result missingCreatePrivilege(Connection& conn, const Result& failure) {
    conn.exec(QStringLiteral("ROLLBACK"));
    Rows who;
    if (!conn.query(QStringLiteral("SELECT current_user, coalesce(current_schema(), 'public')"), {}, &who) ||
        who.values.empty())
        return failure;
    const QString role = who.values[0][0].value_or(QString());
    const QString schema = who.values[0][1].value_or(QString());
    return Result::failure(failure.code,
                           QStringLiteral("The database role %1 may not create the store's tables in schema "
                                          "%2: it needs the CREATE privilege on that schema "
                                          "(GRANT CREATE ON SCHEMA %2 TO %1).")
                               .arg(role, schema));
}

Result refuseNewer(int version) {
    return Result::failure(QStringLiteral("The store's tables are of a newer version (%1) than this program "
                                          "reads (%2); install the newer VRQToQX7.")
                               .arg(version)
                               .arg(kSchemaVersion));
}

// Makes the tables of a new database (version 0), or adds what an older version lacks, and records
// the version they lead to.
Result createOrUpgrade(Connection& conn, int version) {
    if (version == 0) {
        for (const char* sql : kCreateStatements) {
            if (Result r = conn.exec(QString::fromLatin1(sql)); !r)
                return r;
        }
    }
    for (const UpgradeStep& step : kUpgradeSteps) {
        if (step.version <= version)
            continue;
        if (Result r = conn.exec(QString::fromLatin1(step.sql)); !r)
            return r;
    }
    const QString record = version == 0 ? QStringLiteral("INSERT INTO SchemaVersion (Version) VALUES ($1)")
                                        : QStringLiteral("UPDATE SchemaVersion SET Version = $1");
    return conn.query(record, {QString::number(kSchemaVersion)});
}

} // namespace

Result readSchemaVersion(Connection& conn, int* version) {
    *version = 0;
    Rows present;
    // Read from the catalog table, not through the name cache: after waiting for another workstation's
    // creation the cache may still say the table is not there.
    Result r =
        conn.query(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = "
                                  "current_schema() AND tablename = 'schemaversion')"),
                   {}, &present);
    if (!r)
        return r;
    if (present.values.empty() || present.values[0][0] != QStringLiteral("t"))
        return Result::success();
    Rows rows;
    r = conn.query(QStringLiteral("SELECT coalesce(max(Version), 0) FROM SchemaVersion"), {}, &rows);
    if (r && !rows.values.empty())
        *version = rows.values[0][0].value_or(QStringLiteral("0")).toInt();
    return r;
}

Result ensureSchema(Connection& conn) {
    int version = 0;
    if (Result r = readSchemaVersion(conn, &version); !r)
        return r;
    if (version == kSchemaVersion)
        return Result::success();
    if (version > kSchemaVersion)
        return refuseNewer(version);
    if (Result r = conn.exec(QStringLiteral("BEGIN")); !r)
        return r;
    if (Result r = conn.exec(QString::fromLatin1(kCreateLock)); !r)
        return rollbackWith(conn, r);
    // Another workstation may have made or upgraded them while this one waited for the lock.
    if (Result r = readSchemaVersion(conn, &version); !r)
        return rollbackWith(conn, r);
    if (version < kSchemaVersion) {
        if (Result r = createOrUpgrade(conn, version); !r)
            return failureOf(r) == Failure::NoPrivilege ? missingCreatePrivilege(conn, r)
                                                        : rollbackWith(conn, r);
    }
    if (Result r = conn.exec(QStringLiteral("COMMIT")); !r)
        return r;
    return version > kSchemaVersion ? refuseNewer(version) : Result::success();
}

} // namespace vrq::pg
