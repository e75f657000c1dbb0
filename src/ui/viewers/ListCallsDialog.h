#pragma once

#include "ui/printing/PrintDialogs.h"
#include "ui/viewers/ListOfCallsReport.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QPushButton;

namespace vrq {

struct AppContext;

// The "List Calls" dialog (object name "frmRptListCalls"): a date range and good and/or bad calls, printed as
// the list of calls with their orders. The report time is the time the dialog opened. The dialog closes after
// a report, whether it completed or failed, and on "Cancel". Over a shared store "All workstations" lists
// every workstation's calls, each line naming its workstation.
class ListCallsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListCallsDialog)
public:
    // printing: the default printer and the PDF file question; tests replace them.
    explicit ListCallsDialog(AppContext& ctx, QWidget* parent = nullptr, PrintEnvironment printing = {});
    ~ListCallsDialog() override;

    // What the person has chosen so far.
    ListOfCallsRequest request() const;

    // "Print": lays out the report, sends it to the default printer as one document and closes the
    // dialog. Without a default printer the person may save a PDF instead.
    void printReport();

private:
    void buildControls();
    void finish(const QString& message);

    AppContext& m_ctx;
    PrintEnvironment m_printing;
    QDateTime m_reportTime;
    QDateEdit* m_fromDate = nullptr;
    QDateEdit* m_toDate = nullptr;
    QCheckBox* m_goodCallsBox = nullptr;
    QCheckBox* m_badCallsBox = nullptr;
    QCheckBox* m_allWorkstationsBox = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace vrq
