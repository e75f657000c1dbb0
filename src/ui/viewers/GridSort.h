#pragma once

#include <QString>
#include <QStringView>
#include <algorithm>
#include <numeric>
#include <vector>

namespace vrq {

// The sortable-grid rule shared by the viewer grids: a header click rearranges the rows present once,
// ascending, by one column's text read in one of three ways. Rows added later are not placed in order.
enum class SortKind { Numeric, String, StringIgnoringCase };

// A cell read as a number: leading blanks skipped, then an optional sign, digits and a decimal part;
// text that does not start with a number counts as 0, so every cell has a place in the order.
double gridNumber(QStringView text);

// Reorders rows by the text textOf(row) gives, keeping the order of equal rows. Each row's key is
// worked out once, so a large grid sorts in n log n comparisons of ready keys.
template <class Row, class TextOf> void sortGridRows(std::vector<Row>& rows, SortKind kind, TextOf textOf) {
    if (rows.size() < 2)
        return;
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (kind == SortKind::Numeric) {
        std::vector<double> keys;
        keys.reserve(rows.size());
        for (const Row& row : rows)
            keys.push_back(gridNumber(textOf(row)));
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    } else {
        std::vector<QString> keys;
        keys.reserve(rows.size());
        for (const Row& row : rows)
            keys.push_back(textOf(row));
        const Qt::CaseSensitivity cs = kind == SortKind::String ? Qt::CaseSensitive : Qt::CaseInsensitive;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b], cs) < 0; });
    }
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(rows[index]));
    rows = std::move(sorted);
}

} // namespace vrq
