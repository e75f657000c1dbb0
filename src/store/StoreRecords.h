#pragma once

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

struct CallRow {
    qint64 rowId = 0; // position in the store's natural order; filled on reads
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
};

// Calls to send with their orders and line items, each list in the calls' natural order, the orders by
// sequence number and the items by order and then item sequence number.
struct PendingGroup {
    std::vector<CallRow> calls{};
    std::vector<OrderRow> orders{};
    std::vector<ItemRow> items{};
};

struct AuditRow {
    QDateTime auditDnt{};
    QDateTime eventDnt{};
    QString type{};
    QString msg{};
    std::optional<qint64> seq{};       // missing in rows older than the column
    std::optional<QString> instance{}; // Null in rows older than the column
};

// What the calls window shows of one call.
struct CallDisplayRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt{};
    bool goodCall = false;
    bool extractedCall = false;
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
};

// One order as the order views list it, with the call it belongs to.
struct OrderViewRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt{};
    QString salesperson{};
    QString customer{};
};

} // namespace vrq
