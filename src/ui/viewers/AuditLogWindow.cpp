#include "ui/viewers/AuditLogWindow.h"

#include "context/AppContext.h"
#include "platform/Clock.h"
#include "store/AuditType.h"
#include "store/CallStore.h"
#include "ui/viewers/AuditLogTableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vrq {

AuditLogWindow::AuditLogWindow(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmAuditLog"));
    setWindowTitle(QStringLiteral("Audit Log"));
    setModal(true);
    buildControls();
    resize(760, 480);
    reload();
}

AuditLogWindow::~AuditLogWindow() = default;

void AuditLogWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    layout->addLayout(filters);

    auto* typeLabel = new QLabel(QStringLiteral("&Type:"), this);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("cboType"));
    m_type->setAccessibleName(QStringLiteral("Type"));
    m_type->addItem(QStringLiteral("All types"), QString());
    for (AuditType type : allAuditTypes())
        m_type->addItem(auditTypeLetter(type) + QStringLiteral(" - ") + auditTypeName(type),
                        auditTypeLetter(type));
    typeLabel->setBuddy(m_type);
    filters->addWidget(typeLabel);
    filters->addWidget(m_type);

    m_dayOn = new QCheckBox(QStringLiteral("&Day:"), this);
    m_dayOn->setObjectName(QStringLiteral("chkDay"));
    m_dayOn->setAccessibleName(QStringLiteral("Day"));
    m_day = new QDateEdit(m_ctx.clock ? m_ctx.clock->now().date() : QDate::currentDate(), this);
    m_day->setObjectName(QStringLiteral("dtpDay"));
    m_day->setAccessibleName(QStringLiteral("Day"));
    m_day->setCalendarPopup(true);
    m_day->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    m_day->setEnabled(false);
    filters->addWidget(m_dayOn);
    filters->addWidget(m_day);

    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtSearch"));
    m_search->setAccessibleName(QStringLiteral("Search"));
    m_search->setPlaceholderText(QStringLiteral("text in the message"));
    m_search->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_search);
    filters->addWidget(searchLabel);
    filters->addWidget(m_search, 1);

    m_model = new AuditLogTableModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("fgAudit"));
    m_grid->setAccessibleName(QStringLiteral("Audit entries"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setColumnWidth(AuditLogTableModel::WrittenColumn, 140);
    m_grid->setColumnWidth(AuditLogTableModel::TypeColumn, 150);
    layout->addWidget(m_grid, 1);

    auto* bottom = new QHBoxLayout;
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    m_close->setAccessibleName(QStringLiteral("Close"));
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    connect(m_type, &QComboBox::currentIndexChanged, this, &AuditLogWindow::reload);
    connect(m_dayOn, &QCheckBox::toggled, m_day, &QDateEdit::setEnabled);
    connect(m_dayOn, &QCheckBox::toggled, this, &AuditLogWindow::reload);
    connect(m_day, &QDateEdit::dateChanged, this, &AuditLogWindow::reload);
    connect(m_search, &QLineEdit::textChanged, this, &AuditLogWindow::reload);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
}

AuditFilter AuditLogWindow::filter() const {
    AuditFilter filter;
    filter.type = m_type->currentData().toString();
    if (m_dayOn->isChecked()) {
        filter.from = m_day->date();
        filter.through = m_day->date();
    }
    filter.text = m_search->text();
    return filter;
}

void AuditLogWindow::reload() {
    if (!m_ctx.store)
        return;
    Result read;
    std::vector<AuditRow> entries = m_ctx.store->auditEntries(filter(), &read);
    if (!read.ok()) {
        m_model->setEntries({});
        m_count->setText(QStringLiteral("The audit log cannot be read: %1").arg(read.message));
        return;
    }
    const int count = static_cast<int>(entries.size());
    m_model->setEntries(std::move(entries));
    m_count->setText(count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count));
}

} // namespace vrq
