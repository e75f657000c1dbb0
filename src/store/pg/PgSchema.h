#pragma once

#include "platform/Result.h"

namespace vrq::pg {

class Connection;

// The version of the store's tables this program makes and reads. 2: SiteJobs.
constexpr int kSchemaVersion = 3;

// The version recorded in the database: 0 when it has none of the store's tables yet.
Result readSchemaVersion(Connection& conn, int* version);

// Makes the store's tables in a database that has none, or adds what an older version lacks, in one
// transaction, and records the version; accepts a database already at this version. Refuses a newer version,
// and names the privilege the role lacks when it may not create tables. Two workstations starting at once do
// not both create.
Result ensureSchema(Connection& conn);

} // namespace vrq::pg
