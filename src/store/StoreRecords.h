#pragma once

#include "store/ViewScope.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vrq {

// Jet's number for a duplicate value in a primary key; the store reports key clashes with it.
constexpr int kDuplicateKeyError = 3022;

// Plain rows of the call store's tables. Every member starts empty (the {} too, which -Wextra asks of a row
// built with designated initializers), so a row can be built naming only the members it needs.

struct CallKey {
    int source = 0;
    int callNumber = 0;
    friend bool operator==(const CallKey&, const CallKey&) = default;
};

// A place in the calls' natural order, after which a paged read goes on. Made and read by the store
// alone: what the position means is the engine's (the SQLite store keeps a row number in it). A cursor
// made with no position stands before the first call.
class CallCursor {
public:
    CallCursor() = default;
    explicit CallCursor(qint64 position) : m_position(position) {}
    qint64 position() const { return m_position; }
    friend bool operator==(const CallCursor&, const CallCursor&) = default;

private:
    qint64 m_position = 0;
};

struct CallRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt{};
    bool goodCall = false;
    bool complete = false;
    bool extractedCall = false;
    QString extractedFileName{};
    QDateTime extractedDnt{};
    int numberOfOrders = 0;
    bool displayed = false;
    std::optional<int> lineNumber{};
    std::optional<int> hour{};
    std::optional<int> badReason{};
    std::optional<int> badData{};
    std::optional<int> numBytes{};
    int workstation = 1; // that took the call in: always 1 in a store in a file
    friend bool operator==(const CallRow&, const CallRow&) = default;
};

struct OrderRow {
    int source = 0;
    int callNumber = 0;
    int orderSeqNumber = 0;
    QString salesperson{};
    QString customer{};
    std::optional<QString> shipTo{}; // Null in rows written before the column existed
    QString route{};
    QString message{};
    int numberOfItems = 0;
    // The columns of the order file read as Null (ShipTo aside): their values above are mere stand-ins.
    QStringList nullColumns{};
    friend bool operator==(const OrderRow&, const OrderRow&) = default;
};

struct ItemRow {
    int source = 0;
    int callNumber = 0;
    int orderSeqNumber = 0;
    int itemSeqNumber = 0;
    QString itemNumber{};
    int quantity = 0;
    int unit = 0;
    int discountPercent = 0;
    int priceOverride = 0;
    // The columns of the order file read as Null: their values above are mere stand-ins.
    QStringList nullColumns{};
    friend bool operator==(const ItemRow&, const ItemRow&) = default;
};

// Calls to send with their orders and line items, each list in the calls' natural order, the orders by
// sequence number and the items by order and then item sequence number.
struct PendingGroup {
    std::vector<CallRow> calls{};
    std::vector<OrderRow> orders{};
    std::vector<ItemRow> items{};
    CallCursor end{}; // after the last call of the group: where the next group begins
};

struct AuditRow {
    QDateTime auditDnt{};
    QDateTime eventDnt{};
    QString type{};
    QString msg{};
    std::optional<qint64> seq{};       // missing in rows older than the column
    std::optional<QString> instance{}; // Null in rows older than the column
    int workstation = 1; // that wrote it, as read (a write stamps the store's own); 1 in a store in a file
};

// What the calls window shows of one call.
struct CallDisplayRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt{};
    bool goodCall = false;
    bool extractedCall = false;
    int workstation = 1; // that took the call in: always 1 in a store in a file
};

// The figures the About box shows of the store: calls kept, and when calls last came in and went out
// (by the newest "G"/"B" and "X" audit entries; invalid when the kept history has none).
struct StoreSummary {
    qint64 calls = 0;
    QDateTime lastIntake{};
    QDateTime lastExport{};
};

// Calls taken in on one day, by the "G" and "B" entries written that day.
struct DayCallCounts {
    int good = 0;
    int bad = 0;
};

// Which audit entries to read; an empty or invalid field does not filter.
struct AuditFilter {
    QString type{};  // the type letter
    QDate from{};    // entries written on or after this day
    QDate through{}; // entries written on or before this day
    QString text{};  // part of the message, any letter case; % and _ are plain characters
    bool newestFirst = true;
    ViewScope scope = ViewScope::ThisWorkstation; // whose entries
};

// One order as the order views list it, with the call it belongs to.
struct OrderViewRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt{};
    QString salesperson{};
    QString customer{};
    int workstation = 1; // of the call: always 1 in a store in a file
};

} // namespace vrq
