#pragma once

#include <QItemSelectionModel>

#include <algorithm>
#include <vector>

namespace pixelon::app {

// The selected rows of a one-column list, ascending. The selection model keeps ranges of rows:
// reading them costs the selected rows, where asking every row whether it is selected costs the
// rows times the ranges (a list of 10,000 pictures with hundreds of Ctrl+clicked ranges).
inline std::vector<int> selectedRows(const QItemSelectionModel* model, int rowCount) {
    std::vector<int> rows;
    if (!model)
        return rows;
    for (const QItemSelectionRange& range : model->selection()) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < rowCount; ++row)
            rows.push_back(row);
    }
    // Ranges come in the order they were selected and may overlap.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace pixelon::app
