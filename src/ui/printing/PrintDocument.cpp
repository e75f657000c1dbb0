#include "ui/printing/PrintDocument.h"

#include <QStringList>

namespace vrq {

PrintDocument::PrintDocument(QString title) : m_title(std::move(title)) {}

void PrintDocument::addLine(const QString& text) {
    if (m_linesPerPage > 0 && static_cast<int>(m_pages.back().lines.size()) >= m_linesPerPage)
        m_pages.emplace_back();
    m_pages.back().lines.push_back({text, m_font});
}

void PrintDocument::addEmptyLines(int count) {
    for (int i = 0; i < count; ++i)
        addLine(QString());
}

void PrintDocument::pageBreak() {
    if (!m_pages.back().lines.empty())
        m_pages.emplace_back();
}

QStringList PrintDocument::allText() const {
    QStringList texts;
    for (const PrintPage& page : m_pages)
        for (const PrintLine& line : page.lines)
            texts << line.text;
    return texts;
}

} // namespace vrq
