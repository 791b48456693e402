// bench-links: Qt6::Widgets
// The main window's picture list with 10,000 rows: a Ctrl+click (one row toggled) followed by
// the three reads of the selected rows that a change makes (status line, preview, commands),
// with 400 selected ranges; Ctrl+A and a Shift range with the same reads. The reads are made
// from the selection's ranges, as the window does, and by asking every row, as it did.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include "app/ListSelection.h"

namespace {

using pixelon::app::selectedRows;

constexpr int Rows = 10000;

QListWidget& list() {
    static int argc = 1;
    static char name[] = "selection_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    (void)app;
    static QListWidget* widget = [] {
        auto* w = new QListWidget;
        w->setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (int i = 0; i < Rows; ++i)
            w->addItem(QString::number(i).rightJustified(5, '0'));
        return w;
    }();
    return *widget;
}

std::vector<int> askEveryRow(QListWidget& l) {
    std::vector<int> rows;
    for (int i = 0; i < l.count(); ++i)
        if (l.item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

// 400 ranges: two rows selected out of every 25.
void selectRanges(QListWidget& l) {
    l.clearSelection();
    QItemSelection selection;
    for (int row = 0; row + 1 < Rows; row += 25)
        selection.select(l.model()->index(row, 0), l.model()->index(row + 1, 0));
    l.selectionModel()->select(selection, QItemSelectionModel::Select);
}

template <bool Ranges> void readThrice(QListWidget& l, benchmark::State& state) {
    for (int i = 0; i < 3; ++i) {
        auto rows = Ranges ? selectedRows(l.selectionModel(), l.count()) : askEveryRow(l);
        benchmark::DoNotOptimize(rows.data());
        if (i == 0)
            state.counters["selected"] = double(rows.size());
    }
}

template <bool Ranges> void BM_CtrlClick(benchmark::State& state) {
    QListWidget& l = list();
    selectRanges(l);
    int row = 12;
    for (auto _ : state) {
        l.selectionModel()->select(l.model()->index(row, 0), QItemSelectionModel::Toggle);
        readThrice<Ranges>(l, state);
        row = (row + 25 * 37) % Rows;
    }
}
BENCHMARK(BM_CtrlClick<true>)->Name("BM_CtrlClick400Ranges/ranges")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CtrlClick<false>)
    ->Name("BM_CtrlClick400Ranges/every_row")
    ->Unit(benchmark::kMillisecond);

template <bool Ranges> void BM_SelectAll(benchmark::State& state) {
    QListWidget& l = list();
    for (auto _ : state) {
        l.clearSelection();
        l.selectAll();
        readThrice<Ranges>(l, state);
    }
}
BENCHMARK(BM_SelectAll<true>)->Name("BM_SelectAll/ranges")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelectAll<false>)->Name("BM_SelectAll/every_row")->Unit(benchmark::kMicrosecond);

template <bool Ranges> void BM_ShiftRange(benchmark::State& state) {
    QListWidget& l = list();
    for (auto _ : state) {
        l.selectionModel()->select(
            QItemSelection(l.model()->index(100, 0), l.model()->index(9100, 0)),
            QItemSelectionModel::ClearAndSelect);
        readThrice<Ranges>(l, state);
    }
}
BENCHMARK(BM_ShiftRange<true>)->Name("BM_ShiftRange/ranges")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShiftRange<false>)->Name("BM_ShiftRange/every_row")->Unit(benchmark::kMicrosecond);

} // namespace
