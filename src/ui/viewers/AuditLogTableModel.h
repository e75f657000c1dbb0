#pragma once

#include "store/StoreRecords.h"

#include <QAbstractTableModel>
#include <vector>

namespace vrq {

// The audit entries the Audit Log window lists, as read from the store: when, what kind, which
// workstation wrote it (a column the window shows with every workstation's entries), what.
class AuditLogTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AuditLogTableModel)
public:
    enum Column { WrittenColumn, TypeColumn, WorkstationColumn, MessageColumn, ColumnCount };

    explicit AuditLogTableModel(QObject* parent = nullptr);

    void setEntries(std::vector<AuditRow> entries);
    const std::vector<AuditRow>& entries() const { return m_entries; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // "Error" for "E"; the letter itself for a letter no kind has.
    static QString typeText(const QString& letter);

private:
    std::vector<AuditRow> m_entries;
};

} // namespace vrq
