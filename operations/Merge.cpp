#include "operations/Merge.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <unordered_map>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon {

const char* MergeButtonText(MergeButton button) {
    switch (button) {
    case MergeButton::AddFromTheirs:
    case MergeButton::AddFromRemoved:
        return "Add >";
    case MergeButton::AddAllFromTheirs:
    case MergeButton::AddAllFromRemoved:
        return "Add All >>";
    case MergeButton::Remove:
        return "< Remove";
    case MergeButton::RemoveAllTheirs:
    case MergeButton::RemoveAllOurs:
        return "<< Remove All";
    case MergeButton::RemoveDuplicatesKeepOurs:
    case MergeButton::RemoveDuplicatesKeepTheirs:
        return "< Remove Duplicates";
    }
    return "";
}

MergeModel::MergeModel(const CPortfolio& ours, const CPortfolio& theirs)
    : m_ours(ours), m_theirs(theirs) {
    // Adding the lines one by one, each after the lines of its ID, is a stable sort by ID.
    const auto fill = [](std::vector<MergeLine>& lines, const CPortfolio& from, Origin origin) {
        lines.reserve(from.m_pictures.size());
        for (const auto& p : from.m_pictures)
            lines.push_back({p->m_nId, origin});
        std::stable_sort(lines.begin(), lines.end(), byId);
    };
    fill(m_lines[index(MergeList::Result)], ours, Origin::Ours);
    fill(m_lines[index(MergeList::Theirs)], theirs, Origin::Theirs);
}

std::vector<std::string> MergeModel::texts(MergeList list) const {
    std::vector<std::string> out;
    for (const MergeLine& line : lines(list))
        out.push_back(IdText(line.id));
    return out;
}

// The lists are sorted by their text, which orders them by ID. Lines coming in go after the
// lines with the same ID, in the order they come: one stable merge, not a search and an insert
// a line.
void MergeModel::insert(MergeList list, std::vector<MergeLine> incoming) {
    if (incoming.empty())
        return;
    auto& lines = m_lines[index(list)];
    std::vector<MergeLine> merged;
    merged.reserve(lines.size() + incoming.size());
    std::merge(lines.begin(), lines.end(), incoming.begin(), incoming.end(),
               std::back_inserter(merged), byId);
    lines = std::move(merged);
}

void MergeModel::select(MergeList list, const std::set<int>& rows) {
    for (auto& s : m_selection)
        s.clear();
    for (int row : rows)
        if (row >= 0 && row < int(lines(list).size()))
            m_selection[index(list)].insert(row);
}

bool MergeModel::enabled(MergeButton button) const {
    const bool theirs = !lines(MergeList::Theirs).empty();
    const bool removed = !lines(MergeList::Removed).empty();
    const bool result = !lines(MergeList::Result).empty();
    switch (button) {
    case MergeButton::AddFromTheirs:
        return !selection(MergeList::Theirs).empty();
    case MergeButton::AddAllFromTheirs:
        return theirs;
    case MergeButton::AddFromRemoved:
        return !selection(MergeList::Removed).empty();
    case MergeButton::AddAllFromRemoved:
        return removed;
    case MergeButton::Remove:
        return !selection(MergeList::Result).empty();
    case MergeButton::RemoveAllTheirs:
    case MergeButton::RemoveAllOurs:
    case MergeButton::RemoveDuplicatesKeepOurs:
    case MergeButton::RemoveDuplicatesKeepTheirs:
        return result;
    }
    return false;
}

void MergeModel::press(MergeButton button) {
    if (!enabled(button))
        return;
    switch (button) {
    case MergeButton::AddFromTheirs:
        moveSelected(MergeList::Theirs);
        break;
    case MergeButton::AddAllFromTheirs:
        moveAll(MergeList::Theirs, std::nullopt);
        break;
    case MergeButton::AddFromRemoved:
        moveSelected(MergeList::Removed);
        break;
    case MergeButton::AddAllFromRemoved:
        moveAll(MergeList::Removed, std::nullopt);
        break;
    case MergeButton::Remove:
        moveSelected(MergeList::Result);
        break;
    case MergeButton::RemoveAllTheirs:
        moveAll(MergeList::Result, Origin::Theirs);
        break;
    case MergeButton::RemoveAllOurs:
        moveAll(MergeList::Result, Origin::Ours);
        break;
    case MergeButton::RemoveDuplicatesKeepOurs:
        removeDuplicates(Origin::Theirs);
        break;
    case MergeButton::RemoveDuplicatesKeepTheirs:
        removeDuplicates(Origin::Ours);
        break;
    }
    // Rows shifted: a kept selection would point at other lines.
    for (auto& s : m_selection)
        s.clear();
}

// Lines leaving the result go home; lines from the other two lists go into the result. `leaving`
// has one flag a row of the source list.
void MergeModel::moveRows(MergeList from, const std::vector<bool>& leaving) {
    auto& source = m_lines[index(from)];
    std::vector<MergeLine> staying, toResult, toRemoved, toTheirs;
    staying.reserve(source.size());
    for (std::size_t row = 0; row < source.size(); ++row) {
        const MergeLine& line = source[row];
        if (row >= leaving.size() || !leaving[row])
            staying.push_back(line);
        else if (from != MergeList::Result)
            toResult.push_back(line);
        else if (homeOf(line.origin) == MergeList::Removed)
            toRemoved.push_back(line);
        else
            toTheirs.push_back(line);
    }
    source = std::move(staying);
    // Each group is in ID order already, as the source list was.
    insert(MergeList::Result, std::move(toResult));
    insert(MergeList::Removed, std::move(toRemoved));
    insert(MergeList::Theirs, std::move(toTheirs));
}

void MergeModel::moveSelected(MergeList from) {
    std::vector<bool> leaving(lines(from).size(), false);
    for (int row : selection(from))
        if (row >= 0 && std::size_t(row) < leaving.size())
            leaving[std::size_t(row)] = true;
    moveRows(from, leaving);
}

void MergeModel::moveAll(MergeList from, std::optional<Origin> only) {
    const auto& source = lines(from);
    std::vector<bool> leaving(source.size());
    for (std::size_t row = 0; row < source.size(); ++row)
        leaving[row] = !only || source[row].origin == *only;
    moveRows(from, leaving);
}

// Walking the sorted result and sending one line of every neighbouring pair with the same ID
// and different origins home leaves each ID's lines of one origin only: where an ID has lines
// of both origins, all its lines of the going origin leave and the others stay in their order.
void MergeModel::removeDuplicates(Origin going) {
    const auto& result = lines(MergeList::Result);
    std::vector<bool> leaving(result.size(), false);
    for (std::size_t first = 0; first < result.size();) {
        std::size_t end = first;
        bool ours = false, theirs = false;
        for (; end < result.size() && result[end].id == result[first].id; ++end)
            (result[end].origin == Origin::Ours ? ours : theirs) = true;
        if (ours && theirs)
            for (std::size_t row = first; row < end; ++row)
                leaving[row] = result[row].origin == going;
        first = end;
    }
    moveRows(MergeList::Result, leaving);
}

const CPicture* MergeModel::preview() const {
    for (std::size_t l = 0; l < m_lines.size(); ++l) {
        if (m_selection[l].size() != 1)
            continue;
        const MergeLine& line = m_lines[l][std::size_t(*m_selection[l].begin())];
        return (line.origin == Origin::Ours ? m_ours : m_theirs).FindPicture(line.id);
    }
    return nullptr;
}

MergeChoice MergeModel::choice() const {
    MergeChoice choice;
    for (const MergeLine& line : lines(MergeList::Removed))
        choice.removedIds.push_back(line.id);
    for (const MergeLine& line : lines(MergeList::Result))
        if (line.origin == Origin::Theirs)
            choice.addedIds.push_back(line.id);
    return choice;
}

int PreviewScale(int width, int height, int areaWidth, int areaHeight) {
    if (width <= 0 || height <= 0)
        return 1;
    return std::max(1, std::min(areaWidth / width, areaHeight / height));
}

void ApplyMerge(CPortfolio& ours, CPortfolio& theirs, const MergeChoice& choice,
                Feedback& feedback) {
    ProgressWindow& progress = feedback.progress();
    const int steps = int(choice.removedIds.size() + choice.addedIds.size());
    progress.Open("Merging files...", "Deleting images...", 0, steps);
    int done = 0;
    // Deleting an ID's first picture once for each time it is listed deletes its first k
    // pictures for k listings: one pass over the portfolio instead of a search and an erase an ID.
    std::unordered_map<int, std::size_t> deleting;
    for (int id : choice.removedIds)
        ++deleting[id];
    if (!deleting.empty()) {
        std::erase_if(ours.m_pictures, [&deleting](const std::unique_ptr<CPicture>& p) {
            if (!p)
                return false;
            auto it = deleting.find(p->m_nId);
            if (it == deleting.end() || it->second == 0)
                return false;
            --it->second;
            return true;
        });
    }
    for (std::size_t i = 0; i < choice.removedIds.size(); ++i)
        progress.Step(++done);

    progress.SetText("Adding new images...");
    // The k-th time an ID is listed takes the merge file's k-th picture of that ID: each ID's
    // pictures are chained in file order and taken from the front of the chain.
    constexpr std::size_t None = std::size_t(-1);
    auto& source = theirs.m_pictures;
    std::vector<std::size_t> nextSame(source.size(), None);
    std::unordered_map<int, std::size_t> firstOf;
    for (std::size_t i = source.size(); i-- > 0;) {
        if (!source[i])
            continue;
        auto [it, added] = firstOf.try_emplace(source[i]->m_nId, i);
        if (!added) {
            nextSame[i] = it->second;
            it->second = i;
        }
    }
    const std::size_t kept = ours.m_pictures.size();
    ours.m_pictures.reserve(kept + choice.addedIds.size());
    std::vector<bool> taken(source.size(), false);
    bool tookAny = false;
    for (int id : choice.addedIds) {
        if (auto it = firstOf.find(id); it != firstOf.end() && it->second != None) {
            const std::size_t at = it->second;
            it->second = nextSame[at];
            ours.m_pictures.push_back(std::move(source[at]));
            taken[at] = tookAny = true;
        }
        progress.Step(++done);
    }
    // The pictures taken left empty slots; the rest keep their order.
    if (tookAny) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < source.size(); ++i)
            if (!taken[i])
                source[kept++] = std::move(source[i]);
        source.resize(kept);
    }
    progress.SetText("Sorting...");
    // Both parts are in ID order when both files were: one stable merge then sorts the whole,
    // this portfolio's pictures before the merge file's of an equal ID, as the sort would.
    const auto byId = [](const auto& a, const auto& b) { return a->m_nId < b->m_nId; };
    auto& pictures = ours.m_pictures;
    const auto middle = pictures.begin() + std::ptrdiff_t(kept);
    if (std::is_sorted(pictures.begin(), middle, byId) &&
        std::is_sorted(middle, pictures.end(), byId))
        std::inplace_merge(pictures.begin(), middle, pictures.end(), byId);
    else
        ours.SortById();
    progress.Close();
}

MergeChoice AutomaticMergeChoice(const CPortfolio& ours, const CPortfolio& theirs, MergeKeep keep) {
    // Every line of the merge file goes into the result, where the duplicate buttons pair it
    // with this portfolio's lines of the same ID.
    MergeModel model(ours, theirs);
    model.press(MergeButton::AddAllFromTheirs);
    if (keep == MergeKeep::Ours)
        model.press(MergeButton::RemoveDuplicatesKeepOurs);
    else if (keep == MergeKeep::Theirs)
        model.press(MergeButton::RemoveDuplicatesKeepTheirs);
    return model.choice();
}

} // namespace pixelon
