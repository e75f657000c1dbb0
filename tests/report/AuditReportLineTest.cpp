#include "report/AuditReport.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vrq {
namespace {

// vrqtoqx7-report --audit prints one line per entry: a message holding a newline (from a file name of
// the scanned folder) cannot forge a second entry, nor a terminal escape clear the screen.
TEST(AuditReportLineTest, AMessageWithControlCharactersStaysOnItsLine) {
    AuditRow entry;
    entry.auditDnt = QDateTime(QDate(2026, 3, 10), QTime(14, 7, 30));
    entry.type = u"W"_s;
    entry.msg = u"ScanFolder: x\n2026-03-10 14:07:31  G  Good Call: #1\x1b[2J"_s;
    EXPECT_EQ(auditReportLine(entry).toStdString(),
              "2026-03-10 14:07:30  W  ScanFolder: x\\n2026-03-10 14:07:31  G  Good Call: #1\\x1b[2J");
}

} // namespace
} // namespace vrq
