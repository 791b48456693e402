#include "operations/Merge.h"

#include <algorithm>
#include <functional>

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
    for (const auto& p : ours.m_pictures)
        insert(MergeList::Result, {p->m_nId, Origin::Ours});
    for (const auto& p : theirs.m_pictures)
        insert(MergeList::Theirs, {p->m_nId, Origin::Theirs});
}

std::vector<std::string> MergeModel::texts(MergeList list) const {
    std::vector<std::string> out;
    for (const MergeLine& line : lines(list))
        out.push_back(IdText(line.id));
    return out;
}

// The lists are sorted by their text, which orders them by ID; a new line goes after the lines
// with the same ID.
void MergeModel::insert(MergeList list, MergeLine line) {
    auto& lines = m_lines[index(list)];
    auto at = std::upper_bound(lines.begin(), lines.end(), line.id,
                               [](int id, const MergeLine& l) { return id < l.id; });
    lines.insert(at, line);
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
    const auto moveSelected = [this](MergeList from) {
        const std::set<int>& rows = selection(from);
        moveRows(from, {rows.begin(), rows.end()});
    };
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

// Lines leaving the result go home; lines from the other two lists go into the result.
void MergeModel::moveRows(MergeList from, std::vector<int> rows) {
    auto& source = m_lines[index(from)];
    std::sort(rows.begin(), rows.end(), std::greater<>());
    std::vector<MergeLine> moving;
    for (int row : rows) {
        if (row < 0 || row >= int(source.size()))
            continue;
        moving.push_back(source[std::size_t(row)]);
        source.erase(source.begin() + row);
    }
    std::reverse(moving.begin(), moving.end());
    for (const MergeLine& line : moving)
        insert(from == MergeList::Result ? homeOf(line.origin) : MergeList::Result, line);
}

void MergeModel::moveAll(MergeList from, std::optional<Origin> only) {
    std::vector<int> rows;
    const auto& source = lines(from);
    for (int row = 0; row < int(source.size()); ++row)
        if (!only || source[std::size_t(row)].origin == *only)
            rows.push_back(row);
    moveRows(from, rows);
}

void MergeModel::removeDuplicates(Origin going) {
    auto& result = m_lines[index(MergeList::Result)];
    std::size_t i = 0;
    while (i + 1 < result.size()) {
        const MergeLine a = result[i], b = result[i + 1];
        if (a.id == b.id && a.origin != b.origin) {
            const std::size_t at = a.origin == going ? i : i + 1;
            const MergeLine line = result[at];
            result.erase(result.begin() + std::ptrdiff_t(at));
            insert(homeOf(line.origin), line);
            // The lines now next to each other around the gap may form a pair too.
            if (i > 0)
                --i;
            continue;
        }
        ++i;
    }
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
    for (int id : choice.removedIds) {
        if (int at = IndexOfId(ours, id); at >= 0)
            ours.m_pictures.erase(ours.m_pictures.begin() + at);
        progress.Step(++done);
    }
    progress.SetText("Adding new images...");
    for (int id : choice.addedIds) {
        if (int at = IndexOfId(theirs, id); at >= 0) {
            ours.m_pictures.push_back(std::move(theirs.m_pictures[std::size_t(at)]));
            theirs.m_pictures.erase(theirs.m_pictures.begin() + at);
        }
        progress.Step(++done);
    }
    progress.SetText("Sorting...");
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
