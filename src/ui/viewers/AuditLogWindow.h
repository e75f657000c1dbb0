#pragma once

#include "store/StoreRecords.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vrq {

struct AppContext;
class AuditLogTableModel;

// frmAuditLog, "Audit Log": the audit log read-only, newest first, narrowed by type, by the day it was
// written and by text in the message. Every change of a filter reads the store again.
class AuditLogWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AuditLogWindow)
public:
    explicit AuditLogWindow(AppContext& ctx, QWidget* parent = nullptr);
    ~AuditLogWindow() override;

    // The filter the controls show now.
    AuditFilter filter() const;
    const AuditLogTableModel& entriesModel() const { return *m_model; }

private:
    void buildControls();
    void reload();

    AppContext& m_ctx;
    AuditLogTableModel* m_model = nullptr;
    QComboBox* m_type = nullptr;
    QCheckBox* m_dayOn = nullptr;
    QDateEdit* m_day = nullptr;
    QLineEdit* m_search = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace vrq
