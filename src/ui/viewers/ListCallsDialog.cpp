#include "ui/viewers/ListCallsDialog.h"

#include "context/AppContext.h"
#include "platform/Clock.h"
#include "store/Store.h"
#include "ui/ProgramTitle.h"
#include "ui/printing/PrintDialogs.h"
#include "ui/printing/PrinterOutput.h"
#include "ui/viewers/Twips.h"
#include "ui/viewers/WorkstationScope.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace vrq {

namespace {

constexpr int kClientWidth = 4620;
constexpr int kClientHeight = 2040;

// Printer failures have no number of their own from the printing part; they are told under this one.
constexpr int kPrinterErrorNumber = 482;

QString errorMessage(int number, const QString& text) {
    const QString shown = number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
    return QStringLiteral("Report had an error.  (Error:") + shown + QStringLiteral(" - ") + text +
           QLatin1Char(')');
}

QDateEdit* datePicker(QWidget* parent, const char* name, const QDate& today) {
    auto* picker = new QDateEdit(today, parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    picker->setCalendarPopup(true);
    picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    return picker;
}

} // namespace

ListCallsDialog::ListCallsDialog(AppContext& ctx, QWidget* parent, PrintEnvironment printing)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ctx(ctx), m_printing(std::move(printing)),
      m_reportTime(ctx.clock ? ctx.clock->now() : QDateTime::currentDateTime()) {
    setObjectName(QStringLiteral("frmRptListCalls"));
    setWindowTitle(QStringLiteral("List Calls"));
    setModal(true);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(Twips::toPixelsX(kClientWidth), Twips::toPixelsY(kClientHeight));
    buildControls();
    // "Print Preview..." and "Save as PDF..." on the dialog's context menu, for the range chosen then.
    PrintDialogs::offerPreviewAndPdf(
        this, [this] { return m_ctx.store ? listOfCallsDocument(*m_ctx.store, request()) : PrintDocument(); },
        &m_printing);
}

ListCallsDialog::~ListCallsDialog() = default;

void ListCallsDialog::buildControls() {
    const QDate today = m_reportTime.date();
    auto* fromLabel = new QLabel(QStringLiteral("From:"), this);
    fromLabel->setGeometry(Twips::rect(300, 300, 600, 255));
    m_fromDate = datePicker(this, "dtpFrom", today);
    m_fromDate->setGeometry(Twips::rect(960, 240, 1500, 315));
    m_fromDate->setAccessibleName(QStringLiteral("From"));
    fromLabel->setBuddy(m_fromDate);

    auto* toLabel = new QLabel(QStringLiteral("To:"), this);
    toLabel->setGeometry(Twips::rect(300, 720, 600, 255));
    m_toDate = datePicker(this, "dtpTo", today);
    m_toDate->setGeometry(Twips::rect(960, 660, 1500, 315));
    m_toDate->setAccessibleName(QStringLiteral("To"));
    toLabel->setBuddy(m_toDate);

    m_goodCallsBox = new QCheckBox(QStringLiteral("List Good Calls"), this);
    m_goodCallsBox->setObjectName(QStringLiteral("chkGoodCalls"));
    m_goodCallsBox->setGeometry(Twips::rect(2760, 270, 1740, 255));
    m_goodCallsBox->setChecked(true);
    m_badCallsBox = new QCheckBox(QStringLiteral("List Bad Calls"), this);
    m_badCallsBox->setObjectName(QStringLiteral("chkBadCalls"));
    m_badCallsBox->setGeometry(Twips::rect(2760, 690, 1740, 255));
    m_allWorkstationsBox = makeAllWorkstationsBox(this, m_ctx);
    m_allWorkstationsBox->setGeometry(Twips::rect(2760, 1020, 1740, 255));

    m_printButton = new QPushButton(QStringLiteral("&Print"), this);
    m_printButton->setObjectName(QStringLiteral("cmdPrint"));
    m_printButton->setGeometry(Twips::rect(960, 1380, 1215, 375));
    m_printButton->setDefault(true);
    connect(m_printButton, &QPushButton::clicked, this, &ListCallsDialog::printReport);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    m_cancelButton->setGeometry(Twips::rect(2460, 1380, 1215, 375));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

ListOfCallsRequest ListCallsDialog::request() const {
    return {m_fromDate->date(),         m_toDate->date(), m_goodCallsBox->isChecked(),
            m_badCallsBox->isChecked(), m_reportTime,     scopeOf(m_allWorkstationsBox)};
}

void ListCallsDialog::printReport() {
    const ListOfCallsRequest chosen = request();
    if (chosen.from > chosen.to) {
        QMessageBox::warning(this, programTitle(), QStringLiteral("The From date is after the To date."));
        m_fromDate->setFocus();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    Result read = Result::notFound();
    PrintDocument document;
    if (m_ctx.store)
        document = listOfCallsDocument(*m_ctx.store, chosen, &read);
    const QPrinterInfo printer = read.ok() ? m_printing.defaultPrinter() : QPrinterInfo();
    const Result sent =
        printer.isNull() ? Result::failure(QString()) : PrinterOutput::print(document, printer);
    const bool printed = sent.ok();
    QApplication::restoreOverrideCursor();
    if (!read.ok()) {
        finish(errorMessage(read.code, read.message));
    } else if (printed) {
        finish(QStringLiteral("Report complete."));
    } else if (!printer.isNull()) {
        finish(errorMessage(kPrinterErrorNumber, sent.message));
    } else {
        // No default printer: the person is told so and may save the pages as a PDF instead.
        switch (PrintDialogs(this, m_printing).printOnDefaultPrinter(document)) {
        case PrintDialogs::Outcome::Printed:
        case PrintDialogs::Outcome::SavedAsPdf:
            finish(QStringLiteral("Report complete."));
            break;
        case PrintDialogs::Outcome::Failed: // the reason has been shown
            accept();
            break;
        case PrintDialogs::Outcome::NotPrinted:
            break;
        }
    }
}

void ListCallsDialog::finish(const QString& message) {
    QCoreApplication::processEvents();
    QMessageBox::information(this, programTitle(), message);
    accept();
}

} // namespace vrq
