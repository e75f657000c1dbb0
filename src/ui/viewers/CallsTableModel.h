#pragma once

#include "ui/viewers/RowGridModel.h"
#include "ui/viewers/ViewerFormats.h"

#include <QDateTime>

namespace vrq {

struct CallDisplayRow;

// One row of the calls grid: what it shows is worked out from these few fields when painted.
struct CallGridRow {
    int source = 0;
    int callNumber = 0;
    QDateTime callDnt;
    CallStatus status = CallStatus::Good;
    bool detailsPressed = false;
    int workstation = 1;
    bool ownCall = true; // this workstation's, taken with its display marks; false: another's, only read
};

// The calls grid: Details button, Call/File, call number, date and time, status, and the hidden
// fourteen-digit date key that makes a text sort a date sort; then the workstation, shown with every
// workstation's calls.
class CallsTableModel : public RowGridModel<CallGridRow> {
    Q_OBJECT
public:
    enum Column {
        DetailsColumn,
        SourceColumn,
        NumberColumn,
        DateTimeColumn,
        StatusColumn,
        DateKeyColumn,
        WorkstationColumn,
        ColumnCount
    };

    explicit CallsTableModel(const HeaderPictures& pictures, QObject* parent = nullptr);

    static CallGridRow rowFor(const CallDisplayRow& call, bool ownCall = true);
    // The first row from the top showing this call number of this workstation, or -1.
    int findCallRow(int callNumber) const;
    // The first row showing this workstation's call of this source and number, or -1.
    int findCallRow(int source, int callNumber) const;
    void setStatus(int row, CallStatus status);
    // Brings the rows of other workstations' calls in line with calls, what is to be shown of them now:
    // rows of calls gone leave, changed rows change, new calls are added at the end in their order.
    void mergeOtherCalls(const std::vector<CallDisplayRow>& calls);
    // Takes every row of another workstation's call off the grid.
    void removeOtherCalls();

protected:
    QString cellText(const CallGridRow& row, int column) const override;
    QVariant cellData(const CallGridRow& row, int column, int role) const override;
};

} // namespace vrq
