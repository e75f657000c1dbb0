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

// The "Audit Log" window (object name "frmAuditLog"): the audit log read-only, newest first, narrowed by
// type, by the day it was written and by text in the message, of this workstation or (over a shared store)
// of all of them, with a column naming each entry's. Every change of a filter reads the store again.
class AuditLogWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AuditLogWindow)
public:
    explicit AuditLogWindow(AppContext& ctx, QWidget* parent = nullptr);
    ~AuditLogWindow() override;

    // The filter the controls show now.
    AuditFilter filter() const;
    const AuditLogTableModel& entriesModel() const { return *m_model; }
    QCheckBox* allWorkstationsBox() const { return m_allWorkstationsBox; }
    QTableView* entriesGrid() const { return m_grid; }

private:
    void buildControls();
    void reload();

    AppContext& m_ctx;
    AuditLogTableModel* m_model = nullptr;
    QComboBox* m_typeCombo = nullptr;
    QCheckBox* m_dayOnBox = nullptr;
    QDateEdit* m_dayEdit = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QCheckBox* m_allWorkstationsBox = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_countLabel = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace vrq
