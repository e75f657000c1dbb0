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
};

// The calls grid: Details button, Call/File, call number, date and time, status, and the hidden
// fourteen-digit date key that makes a text sort a date sort.
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
        ColumnCount
    };

    explicit CallsTableModel(const HeaderPictures& pictures, QObject* parent = nullptr);

    static CallGridRow rowFor(const CallDisplayRow& call);
    // The first row from the top showing this call number, or -1.
    int findCallRow(int callNumber) const;
    // The first row showing the call of this source and number, or -1.
    int findCallRow(int source, int callNumber) const;
    void setStatus(int row, CallStatus status);

protected:
    QString cellText(const CallGridRow& row, int column) const override;
    QVariant cellData(const CallGridRow& row, int column, int role) const override;
};

} // namespace vrq
