#include "ui/viewers/ListOfCallsReport.h"

#include "store/Store.h"
#include "ui/viewers/ViewerFormats.h"

#include <algorithm>

namespace vrq {

namespace {

// A number as appended to a text: one leading position for the sign, blank when not negative.
QString signedNumber(int value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString withoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("MM/dd/yyyy"));
}

bool isListed(const CallRow& call, const ListOfCallsRequest& request) {
    return call.goodCall ? request.goodCalls : request.badCalls;
}

} // namespace

CallListPager::CallListPager(const ListOfCallsRequest& request)
    : m_request(request), m_document(QStringLiteral("Call List Report")) {
    m_document.setFitPagesToSheet(true);
}

void CallListPager::print(const QString& text, int pointSize, bool bold) {
    m_document.setFont({QStringLiteral("Courier New"), pointSize, bold});
    m_document.addLine(text);
}

void CallListPager::pageHeader() {
    if (m_pageNumber > 0)
        m_document.pageBreak();
    ++m_pageNumber;
    print(QStringLiteral("VRQtoQX7") + QString(59, QLatin1Char(' ')) +
          formatReportTime(m_request.reportTime));
    print(QString(22, QLatin1Char(' ')) + QStringLiteral("Call List Report"), 16, true);
    print(m_pageNumber > 1 ? QString(39, QLatin1Char(' ')) + QStringLiteral("continued") : QString());
    print({});
    print(QStringLiteral("From: ") + dayText(m_request.from), 11, true);
    print(QStringLiteral("  To: ") + dayText(m_request.to), 11, true);
    print({});
    m_lineCount = 0;
}

void CallListPager::reportLine(const QString& text) {
    // The empty line after a call that filled the page would open a page of a header and a footer only:
    // the page break parts the calls instead.
    if (text.isEmpty() && m_lineCount >= kBodyLines)
        return;
    if (m_lineCount + 1 > kBodyLines) {
        pageFooter();
        pageHeader();
    }
    print(text);
    ++m_lineCount;
}

void CallListPager::pageFooter() {
    for (int i = m_lineCount; i <= 54; ++i)
        print({});
    print(QString(41, QLatin1Char(' ')) + QStringLiteral("Page") + signedNumber(m_pageNumber));
}

QString callListLine(const CallRow& call, bool withWorkstation) {
    return QStringLiteral("Call #") + signedNumber(call.callNumber) + QStringLiteral(" - ") +
           (call.goodCall ? QStringLiteral("Good") : QStringLiteral("Bad ")) + QStringLiteral(" - made on ") +
           formatCallDateTimeAt(call.callDnt) +
           (call.extractedCall ? QStringLiteral(" - Extracted") : QString()) +
           (withWorkstation ? QStringLiteral(" - Workstation ") + QString::number(call.workstation)
                            : QString());
}

QString orderListLine(const OrderRow& order) {
    return QStringLiteral("    Order for Customer ") + withoutTrailingBlanks(order.customer) +
           QStringLiteral(" by Salesperson ") + withoutTrailingBlanks(order.salesperson) +
           QStringLiteral(".  Number of Items =") + signedNumber(order.numberOfItems);
}

PrintDocument listOfCallsDocument(Store& store, const ListOfCallsRequest& request, Result* result) {
    Result ownResult;
    Result& read = result ? *result : ownResult;
    const std::vector<CallRow> calls =
        store.viewers().callsBetween(QDateTime(request.from, QTime(0, 0)),
                                     QDateTime(request.to.addDays(1), QTime(0, 0)), request.scope, &read);
    if (!read.ok())
        return PrintDocument();
    CallListPager pager(request);
    pager.pageHeader();
    // No call to list, none in the range or none of the kinds the boxes ask for: the page says so.
    if (std::none_of(calls.begin(), calls.end(),
                     [&](const CallRow& call) { return isListed(call, request); }))
        pager.reportLine(QStringLiteral("No calls recorded during the specified period."));
    for (const CallRow& call : calls) {
        if (!isListed(call, request))
            continue;
        pager.reportLine(callListLine(call, request.scope == ViewScope::AllWorkstations));
        // The orders of the call's own workstation: in a shared store others may use the same number.
        const std::vector<OrderRow> orders = store.viewers().ordersOfListedCall(call, &read);
        if (!read.ok())
            return PrintDocument();
        for (const OrderRow& order : orders)
            pager.reportLine(orderListLine(order));
        pager.reportLine({});
    }
    pager.pageFooter();
    return pager.takeDocument();
}

} // namespace vrq
