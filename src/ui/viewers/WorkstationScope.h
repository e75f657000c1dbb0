#pragma once

#include "store/ViewScope.h"

#include <QString>

class QCheckBox;
class QWidget;

namespace vrq {

struct AppContext;

// The "All workstations" box the viewers share (object name "chkAllWorkstations"), unticked: this
// workstation's rows. Shown only over a store that several workstations share; a store in a file is one.
QCheckBox* makeAllWorkstationsBox(QWidget* parent, const AppContext& ctx);
// What the box asks the store for; a hidden box is never ticked by the person.
ViewScope scopeOf(const QCheckBox* allWorkstationsBox);
// The caption of the column that names each row's workstation.
QString workstationCaption();
// Whether a row of that workstation is this workstation's own (its details can be opened here).
bool isOwnWorkstation(const AppContext& ctx, int workstation);
// Tells the person that another workstation's call is opened on that workstation, not here.
void tellCallOfOtherWorkstation(QWidget* parent, int workstation, int callNumber);

} // namespace vrq
