#include "ui/viewers/AuditLogWindow.h"

#include "context/AppContext.h"
#include "platform/Clock.h"
#include "store/AuditType.h"
#include "store/Store.h"
#include "ui/viewers/AuditLogTableModel.h"
#include "ui/viewers/WorkstationScope.h"

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
    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName(QStringLiteral("cboType"));
    m_typeCombo->setAccessibleName(QStringLiteral("Type"));
    m_typeCombo->addItem(QStringLiteral("All types"), QString());
    for (AuditType type : allAuditTypes())
        m_typeCombo->addItem(auditTypeLetter(type) + QStringLiteral(" - ") + auditTypeName(type),
                             auditTypeLetter(type));
    typeLabel->setBuddy(m_typeCombo);
    filters->addWidget(typeLabel);
    filters->addWidget(m_typeCombo);

    m_dayOnBox = new QCheckBox(QStringLiteral("&Day:"), this);
    m_dayOnBox->setObjectName(QStringLiteral("chkDay"));
    m_dayOnBox->setAccessibleName(QStringLiteral("Day"));
    m_dayEdit = new QDateEdit(m_ctx.clock ? m_ctx.clock->now().date() : QDate::currentDate(), this);
    m_dayEdit->setObjectName(QStringLiteral("dtpDay"));
    m_dayEdit->setAccessibleName(QStringLiteral("Day"));
    m_dayEdit->setCalendarPopup(true);
    m_dayEdit->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    m_dayEdit->setEnabled(false);
    filters->addWidget(m_dayOnBox);
    filters->addWidget(m_dayEdit);

    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName(QStringLiteral("txtSearch"));
    m_searchEdit->setAccessibleName(QStringLiteral("Search"));
    m_searchEdit->setPlaceholderText(QStringLiteral("text in the message"));
    m_searchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_searchEdit);
    filters->addWidget(searchLabel);
    filters->addWidget(m_searchEdit, 1);
    m_allWorkstationsBox = makeAllWorkstationsBox(this, m_ctx);
    filters->addWidget(m_allWorkstationsBox);

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
    m_grid->setColumnWidth(AuditLogTableModel::WorkstationColumn, 90);
    m_grid->setColumnHidden(AuditLogTableModel::WorkstationColumn, true);
    layout->addWidget(m_grid, 1);

    auto* bottom = new QHBoxLayout;
    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("lblCount"));
    m_closeButton = new QPushButton(QStringLiteral("&Close"), this);
    m_closeButton->setObjectName(QStringLiteral("btnClose"));
    m_closeButton->setAccessibleName(QStringLiteral("Close"));
    bottom->addWidget(m_countLabel, 1);
    bottom->addWidget(m_closeButton);
    layout->addLayout(bottom);

    connect(m_typeCombo, &QComboBox::currentIndexChanged, this, &AuditLogWindow::reload);
    connect(m_dayOnBox, &QCheckBox::toggled, m_dayEdit, &QDateEdit::setEnabled);
    connect(m_dayOnBox, &QCheckBox::toggled, this, &AuditLogWindow::reload);
    connect(m_dayEdit, &QDateEdit::dateChanged, this, &AuditLogWindow::reload);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &AuditLogWindow::reload);
    connect(m_allWorkstationsBox, &QCheckBox::toggled, this, [this](bool all) {
        m_grid->setColumnHidden(AuditLogTableModel::WorkstationColumn, !all);
        reload();
    });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

AuditFilter AuditLogWindow::filter() const {
    AuditFilter filter;
    filter.type = m_typeCombo->currentData().toString();
    if (m_dayOnBox->isChecked()) {
        filter.from = m_dayEdit->date();
        filter.through = m_dayEdit->date();
    }
    filter.text = m_searchEdit->text();
    filter.scope = scopeOf(m_allWorkstationsBox);
    return filter;
}

void AuditLogWindow::reload() {
    if (!m_ctx.store)
        return;
    Result read;
    std::vector<AuditRow> entries = m_ctx.store->audit().auditEntries(filter(), &read);
    if (!read.ok()) {
        m_model->setEntries({});
        m_countLabel->setText(QStringLiteral("The audit log cannot be read: %1").arg(read.message));
        return;
    }
    const int count = static_cast<int>(entries.size());
    m_model->setEntries(std::move(entries));
    m_countLabel->setText(count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count));
}

} // namespace vrq
