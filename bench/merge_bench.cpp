// bench-links: operations core platform
// Merging two portfolios of n small pictures each (n = 10^3 .. 10^5), half of the merge file's
// IDs also in this portfolio: the command's automatic choice and the merge itself, and the
// Merge dialog's Add All and Remove Duplicates buttons. Linear work shows as a constant time per
// picture across the sizes.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Merge.h"
#include "platform/Feedback.h"

namespace {

using namespace pixelon;

// Pictures of 1 x 1 keep the figures on the merge rather than on copying pixels. IDs are
// 16-bit, so from 65,536 pictures on some IDs repeat within a side.
CPortfolio portfolioOf(int count, int firstId) {
    CPortfolio p;
    p.m_pictures.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(1, 1, (firstId + i) % 65536);
        p.m_pictures.push_back(std::move(picture));
    }
    p.SortById();
    return p;
}

void BM_MergeKeepTheirs(benchmark::State& state) {
    const int n = int(state.range(0));
    RecordingFeedback feedback;
    for (auto _ : state) {
        state.PauseTiming();
        CPortfolio ours = portfolioOf(n, 0), theirs = portfolioOf(n, n / 2);
        state.ResumeTiming();
        const MergeChoice choice = AutomaticMergeChoice(ours, theirs, MergeKeep::Theirs);
        ApplyMerge(ours, theirs, choice, feedback);
        benchmark::DoNotOptimize(ours.Count());
        state.PauseTiming();
        feedback.clear();
        ours = {};
        theirs = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 2 * n);
}
BENCHMARK(BM_MergeKeepTheirs)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);

void BM_MergeDialogAddAllRemoveDuplicates(benchmark::State& state) {
    const int n = int(state.range(0));
    const CPortfolio ours = portfolioOf(n, 0), theirs = portfolioOf(n, n / 2);
    for (auto _ : state) {
        MergeModel model(ours, theirs);
        model.press(MergeButton::AddAllFromTheirs);
        model.press(MergeButton::RemoveDuplicatesKeepTheirs);
        model.press(MergeButton::AddAllFromRemoved);
        model.press(MergeButton::RemoveDuplicatesKeepOurs);
        benchmark::DoNotOptimize(model.lines(MergeList::Result).size());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 2 * n);
}
BENCHMARK(BM_MergeDialogAddAllRemoveDuplicates)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
