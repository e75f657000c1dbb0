#include "ui/viewers/CallsTableModel.h"

#include "store/StoreRecords.h"
#include "ui/viewers/WorkstationScope.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include <map>
#include <optional>
#include <tuple>

namespace vrq {

CallsTableModel::CallsTableModel(const HeaderPictures& pictures, QObject* parent)
    : RowGridModel<CallGridRow>(pictures, ColumnCount, DetailsColumn, parent) {
    setColumnCaptions({QStringLiteral("Details"), QStringLiteral("Source"), QStringLiteral("Call Number"),
                       QStringLiteral("Call Date and Time"), QStringLiteral("Status"),
                       QStringLiteral("Date Key"), workstationCaption()});
}

CallGridRow CallsTableModel::rowFor(const CallDisplayRow& call, bool ownCall) {
    return {call.source, call.callNumber,  call.callDnt, callStatusOf(call.goodCall, call.extractedCall),
            false,       call.workstation, ownCall};
}

int CallsTableModel::findCallRow(int callNumber) const {
    const auto& all = rows();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].ownCall && all[i].callNumber == callNumber)
            return static_cast<int>(i);
    return -1;
}

int CallsTableModel::findCallRow(int source, int callNumber) const {
    const auto& all = rows();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].ownCall && all[i].source == source && all[i].callNumber == callNumber)
            return static_cast<int>(i);
    return -1;
}

void CallsTableModel::setStatus(int row, CallStatus status) {
    changeRow(row, [status](CallGridRow& r) { r.status = status; });
}

void CallsTableModel::mergeOtherCalls(const std::vector<CallDisplayRow>& calls) {
    using Key = std::tuple<int, int, int>;
    std::map<Key, std::size_t> wanted; // a call's key and its place in calls
    for (std::size_t i = 0; i < calls.size(); ++i)
        wanted.emplace(Key{calls[i].workstation, calls[i].source, calls[i].callNumber}, i);
    // Where each row of another workstation's call is in calls; none for a call gone.
    std::vector<std::optional<std::size_t>> placeOf(rows().size());
    std::vector<bool> shown(calls.size(), false);
    bool anyGone = false;
    for (std::size_t r = 0; r < rows().size(); ++r) {
        const CallGridRow& row = rows()[r];
        if (row.ownCall)
            continue;
        const auto found = wanted.find(Key{row.workstation, row.source, row.callNumber});
        if (found == wanted.end() || shown[found->second]) {
            anyGone = true;
            continue;
        }
        shown[found->second] = true;
        placeOf[r] = found->second;
    }
    if (anyGone) {
        // Rows leave in one reset: a purge may take thousands at once.
        std::vector<CallGridRow> kept;
        kept.reserve(rows().size());
        for (std::size_t r = 0; r < rows().size(); ++r) {
            const CallGridRow& row = rows()[r];
            if (row.ownCall) {
                kept.push_back(row);
            } else if (placeOf[r]) {
                kept.push_back(rowFor(calls[*placeOf[r]], false));
                kept.back().detailsPressed = row.detailsPressed;
            }
        }
        clear();
        appendRows(std::move(kept));
    } else {
        for (std::size_t r = 0; r < rows().size(); ++r) {
            if (!placeOf[r])
                continue;
            const CallDisplayRow& call = calls[*placeOf[r]];
            const CallStatus status = callStatusOf(call.goodCall, call.extractedCall);
            if (rows()[r].status != status || rows()[r].callDnt != call.callDnt)
                changeRow(static_cast<int>(r), [&](CallGridRow& row) {
                    row.status = status;
                    row.callDnt = call.callDnt;
                });
        }
    }
    std::vector<CallGridRow> added;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (!shown[i])
            added.push_back(rowFor(calls[i], false));
    appendRows(std::move(added));
}

void CallsTableModel::removeOtherCalls() {
    mergeOtherCalls({});
}

QString CallsTableModel::cellText(const CallGridRow& row, int column) const {
    switch (column) {
    case SourceColumn:
        return sourceText(row.source);
    case NumberColumn:
        return QString::number(row.callNumber);
    case DateTimeColumn:
        return formatCallDateTime(row.callDnt);
    case StatusColumn:
        return statusLook(row.status).text;
    case DateKeyColumn:
        return formatDateKey(row.callDnt);
    case WorkstationColumn:
        return QString::number(row.workstation);
    default:
        return {};
    }
}

QVariant CallsTableModel::cellData(const CallGridRow& row, int column, int role) const {
    if (column != StatusColumn)
        return {};
    if (role == Qt::BackgroundRole) {
        const StatusLook look = statusLook(row.status);
        return QBrush(look.background.value_or(QGuiApplication::palette().color(QPalette::Base)));
    }
    if (role == Qt::ForegroundRole)
        return QBrush(statusLook(row.status).foreground);
    return {};
}

} // namespace vrq
