#include "ui/viewers/AuditLogTableModel.h"

#include "store/AuditType.h"
#include "store/StoreDates.h"
#include "store/StoreRecords.h"
#include "ui/viewers/WorkstationScope.h"

namespace vrq {

AuditLogTableModel::AuditLogTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void AuditLogTableModel::setEntries(std::vector<AuditRow> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int AuditLogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int AuditLogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AuditLogTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const AuditRow& entry = m_entries[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case WrittenColumn:
        return storeDateText(entry.auditDnt);
    case TypeColumn:
        return typeText(entry.type);
    case WorkstationColumn:
        return entry.workstation;
    case MessageColumn:
        return entry.msg;
    default:
        return {};
    }
}

QVariant AuditLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case WrittenColumn:
        return QStringLiteral("Date and Time");
    case TypeColumn:
        return QStringLiteral("Type");
    case WorkstationColumn:
        return workstationCaption();
    case MessageColumn:
        return QStringLiteral("Message");
    default:
        return {};
    }
}

QString AuditLogTableModel::typeText(const QString& letter) {
    for (AuditType type : allAuditTypes())
        if (auditTypeLetter(type) == letter)
            return auditTypeName(type);
    return letter;
}

} // namespace vrq
