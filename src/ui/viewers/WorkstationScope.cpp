#include "ui/viewers/WorkstationScope.h"

#include "context/AppContext.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"

#include <QCheckBox>
#include <QMessageBox>

namespace vrq {

QCheckBox* makeAllWorkstationsBox(QWidget* parent, const AppContext& ctx) {
    auto* box = new QCheckBox(QStringLiteral("All workstations"), parent);
    box->setObjectName(QStringLiteral("chkAllWorkstations"));
    box->setAccessibleName(QStringLiteral("All workstations"));
    box->setVisible(ctx.store && ctx.store->viewers().sharedByWorkstations());
    return box;
}

ViewScope scopeOf(const QCheckBox* allWorkstationsBox) {
    return allWorkstationsBox && allWorkstationsBox->isChecked() ? ViewScope::AllWorkstations
                                                                 : ViewScope::ThisWorkstation;
}

QString workstationCaption() {
    return QStringLiteral("Workstation");
}

bool isOwnWorkstation(const AppContext& ctx, int workstation) {
    return !ctx.store || ctx.store->viewers().thisWorkstation() == workstation;
}

// The details windows read this workstation's calls only.
void tellCallOfOtherWorkstation(QWidget* parent, int workstation, int callNumber) {
    QMessageBox::information(parent, programTitle(),
                             QStringLiteral("Call #%1 was taken in by workstation %2: its details are "
                                            "shown on that workstation.")
                                 .arg(callNumber)
                                 .arg(workstation));
}

} // namespace vrq
