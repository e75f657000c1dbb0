#include "ui/viewers/CallsTableModel.h"

#include "store/StoreRecords.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

namespace vrq {

CallsTableModel::CallsTableModel(const HeaderPictures& pictures, QObject* parent)
    : RowGridModel<CallGridRow>(pictures, ColumnCount, DetailsColumn, parent) {
    setColumnCaptions({QStringLiteral("Details"), QStringLiteral("Source"), QStringLiteral("Call Number"),
                       QStringLiteral("Call Date and Time"), QStringLiteral("Status"),
                       QStringLiteral("Date Key")});
}

CallGridRow CallsTableModel::rowFor(const CallDisplayRow& call) {
    return {call.source, call.callNumber, call.callDnt, callStatusOf(call.goodCall, call.extractedCall),
            false};
}

int CallsTableModel::findCallRow(int callNumber) const {
    const auto& all = rows();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].callNumber == callNumber)
            return static_cast<int>(i);
    return -1;
}

int CallsTableModel::findCallRow(int source, int callNumber) const {
    const auto& all = rows();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].source == source && all[i].callNumber == callNumber)
            return static_cast<int>(i);
    return -1;
}

void CallsTableModel::setStatus(int row, CallStatus status) {
    changeRow(row, [status](CallGridRow& r) { r.status = status; });
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
