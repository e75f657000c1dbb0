#pragma once

#include <QString>
#include <vector>

namespace vrq {

// The face of one printed line: a family as the windows name it ("Courier New"), a size and a weight.
struct PrintFont {
    QString family = QStringLiteral("Courier New");
    int pointSize = 11;
    bool bold = false;
    friend bool operator==(const PrintFont&, const PrintFont&) = default;
};

struct PrintLine {
    QString text; // empty: an empty line of the font's height
    PrintFont font;
};

struct PrintPage {
    std::vector<PrintLine> lines;
};

// What one print sends: pages of lines, in plain data, built by a window or a report and painted by
// PrintRenderer onto a printer or a PDF file. A page longer than the paper goes on over as many sheets
// as it needs; pageBreak() and a fixed number of lines per page start new sheets on purpose.
class PrintDocument {
public:
    explicit PrintDocument(QString title = {});

    // The job's name in the printer queue and the PDF's title.
    const QString& title() const { return m_title; }

    // Lines go on in the current font, which stays until changed.
    void setFont(const PrintFont& font) { m_font = font; }
    const PrintFont& font() const { return m_font; }
    void addLine(const QString& text);
    void addEmptyLines(int count);
    // The next line starts a new page (nothing happens on a page that is still empty).
    void pageBreak();
    // Every page takes at most this many lines; the next line after that starts a new page. 0: no limit.
    void setLinesPerPage(int lines) { m_linesPerPage = lines; }
    // Each page is printed on one sheet, made smaller when its lines need more room than the paper has
    // (a report laid out by counting lines, whose footer must stay on the page it closes).
    void setFitPagesToSheet(bool fit) { m_fitPagesToSheet = fit; }
    bool fitsPagesToSheet() const { return m_fitPagesToSheet; }

    const std::vector<PrintPage>& pages() const { return m_pages; }
    // Every line's text from the top, pages joined; for tests and logs.
    QStringList allText() const;

private:
    QString m_title;
    PrintFont m_font;
    int m_linesPerPage = 0;
    bool m_fitPagesToSheet = false;
    std::vector<PrintPage> m_pages{PrintPage{}};
};

} // namespace vrq
