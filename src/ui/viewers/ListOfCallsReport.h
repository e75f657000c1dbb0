#pragma once

#include "store/ViewScope.h"
#include "ui/printing/PrintDocument.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

namespace vrq {

class Store;
struct CallRow;
struct OrderRow;
struct Result;

// What the list of calls is asked for: the dialog's pickers and boxes, or the command line's options.
struct ListOfCallsRequest {
    QDate from;
    QDate to;
    bool goodCalls = true;
    bool badCalls = false;
    QDateTime reportTime;                         // printed on every page
    ViewScope scope = ViewScope::ThisWorkstation; // with every workstation's calls, each line names its own
};

// The report's pages laid out by counting lines, in "Courier New": a seven-line header, up to kBodyLines
// body lines, then empty lines up to the footer on line kPageLines.
class CallListPager {
public:
    static constexpr int kBodyLines = 53;
    static constexpr int kPageLines = 63;

    explicit CallListPager(const ListOfCallsRequest& request);

    // Starts the next page with its header.
    void pageHeader();
    // One body line; a full page is closed and the next begun first.
    void reportLine(const QString& text);
    // Ends the current page with its footer.
    void pageFooter();

    PrintDocument takeDocument() { return std::move(m_document); }

private:
    void print(const QString& text, int pointSize = 11, bool bold = false);

    const ListOfCallsRequest& m_request;
    PrintDocument m_document;
    int m_pageNumber = 0;
    int m_lineCount = 0;
};

// The line of a call; withWorkstation: ending with the workstation that took it in.
QString callListLine(const CallRow& call, bool withWorkstation = false);
QString orderListLine(const OrderRow& order);

// Lays out the whole report from the store as one document: the calls from the start of the From day up
// to midnight at the end of the To day by call time, each with its own orders. Empty with the failure in
// *result when the store cannot be read.
PrintDocument listOfCallsDocument(Store& store, const ListOfCallsRequest& request, Result* result = nullptr);

} // namespace vrq
