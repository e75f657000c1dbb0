#pragma once

// The tables a copy of a SQLite store into a PostgreSQL store carries, and their columns as both engines
// name them. Both sides build their statements from these constants only, so no name in a statement
// comes from anywhere else.

#include <array>
#include <optional>
#include <span>

#include <QByteArray>

namespace vrq::storecopy {

// How a column's values are carried: whole numbers in decimal, yes/no as "t" or "f", dates as
// "YYYY-MM-DD HH:MM:SS" (local time, as both stores keep them), texts as UTF-8.
enum class Kind { Number, YesNo, Date, Text };

struct Column {
    const char* name;
    Kind kind;
};

struct Table {
    const char* name;
    std::span<const Column> columns;
};

// One value of a row as it is carried; nullopt for Null.
using Value = std::optional<QByteArray>;

inline constexpr Column kCallColumns[] = {
    {"Source", Kind::Number},          {"CallNumber", Kind::Number}, {"CallDNT", Kind::Date},
    {"GoodCall", Kind::YesNo},         {"Complete", Kind::YesNo},    {"ExtractedCall", Kind::YesNo},
    {"ExtractedFileName", Kind::Text}, {"ExtractedDNT", Kind::Date}, {"NumberOfOrders", Kind::Number},
    {"Displayed", Kind::YesNo},        {"LineNumber", Kind::Number}, {"Hour", Kind::Number},
    {"BadReason", Kind::Number},       {"BadData", Kind::Number},    {"NumBytes", Kind::Number},
    {"Salesperson", Kind::Text},       {"Customer", Kind::Text},
};

inline constexpr Column kOrderColumns[] = {
    {"Source", Kind::Number},    {"CallNumber", Kind::Number},    {"OrderSeqNumber", Kind::Number},
    {"Salesperson", Kind::Text}, {"Customer", Kind::Text},        {"Route", Kind::Text},
    {"Message", Kind::Text},     {"NumberOfItems", Kind::Number}, {"ShipTo", Kind::Text},
};

inline constexpr Column kItemColumns[] = {
    {"Source", Kind::Number},        {"CallNumber", Kind::Number},      {"OrderSeqNumber", Kind::Number},
    {"ItemSeqNumber", Kind::Number}, {"ItemNumber", Kind::Text},        {"Quantity", Kind::Number},
    {"Unit", Kind::Number},          {"DiscountPercent", Kind::Number}, {"PriceOverride", Kind::Number},
};

inline constexpr Column kAuditColumns[] = {
    {"AuditDNT", Kind::Date}, {"EventDNT", Kind::Date}, {"Type", Kind::Text},
    {"Msg", Kind::Text},      {"Seq", Kind::Number},    {"Instance", Kind::Text},
};

// In the order they are copied: a call's rows before its orders' and items'. The display marks are
// the Calls column Displayed. Rows keep their order, so the PostgreSQL store's Id order is the SQLite
// store's row order (the calls' natural order on both).
inline constexpr std::array<Table, 4> kTables{{
    {"Calls", kCallColumns},
    {"Orders", kOrderColumns},
    {"OrderLineItems", kItemColumns},
    {"Audit", kAuditColumns},
}};

} // namespace vrq::storecopy
