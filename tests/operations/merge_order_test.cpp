// The Merge dialog's lists and the merge itself against a plain model of what they mean: every
// line added one at a time after the lines of its ID, the duplicate buttons walking neighbouring
// pairs, and the merge searching each ID's first picture. Random portfolios with repeated IDs
// on both sides, in any order, give the cases by the hundred.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Merge.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

using Lines = std::vector<MergeLine>;

// The dialog as a user would describe it, one line at a time.
struct PlainModel {
    Lines result, theirs, removed;

    static void insert(Lines& lines, MergeLine line) {
        auto at = std::upper_bound(lines.begin(), lines.end(), line.id,
                                   [](int id, const MergeLine& l) { return id < l.id; });
        lines.insert(at, line);
    }
    Lines& home(Origin origin) { return origin == Origin::Ours ? removed : theirs; }

    void moveRows(Lines& from, std::vector<int> rows) {
        std::sort(rows.begin(), rows.end());
        Lines moving;
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            moving.insert(moving.begin(), from[std::size_t(*it)]);
            from.erase(from.begin() + *it);
        }
        for (const MergeLine& line : moving)
            insert(&from == &result ? home(line.origin) : result, line);
    }
    void removeDuplicates(Origin going) {
        std::size_t i = 0;
        while (i + 1 < result.size()) {
            const MergeLine a = result[i], b = result[i + 1];
            if (a.id == b.id && a.origin != b.origin) {
                const std::size_t at = a.origin == going ? i : i + 1;
                const MergeLine line = result[at];
                result.erase(result.begin() + std::ptrdiff_t(at));
                insert(home(line.origin), line);
                i = i > 0 ? i - 1 : 0;
                continue;
            }
            ++i;
        }
    }
};

// IDs drawn from a small range, so that repeats within and across the two sides are common.
CPortfolio randomPortfolio(std::mt19937& random, int side, int count, int idRange) {
    CPortfolio p;
    std::uniform_int_distribution<int> id(0, idRange);
    for (int i = 0; i < count; ++i) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(1, 1, id(random));
        // The pixel tells every picture apart: its side and its place in its file.
        picture->SetPixel(0, 0, std::uint16_t(side * 1000 + i));
        p.m_pictures.push_back(std::move(picture));
    }
    return p;
}

std::vector<int> rowsOf(std::mt19937& random, std::size_t size) {
    std::vector<int> rows;
    for (std::size_t r = 0; r < size; ++r)
        if (random() % 3 == 0)
            rows.push_back(int(r));
    return rows;
}

std::vector<std::pair<int, int>> picturesOf(const CPortfolio& p) {
    std::vector<std::pair<int, int>> out;
    for (const auto& picture : p.m_pictures)
        out.emplace_back(picture->m_nId, picture->GetPixel(0, 0));
    return out;
}

TEST(MergeOrder, ButtonsMatchTheLineByLineModel) {
    std::mt19937 random(21);
    for (int round = 0; round < 300; ++round) {
        const int range = 1 + round % 12;
        CPortfolio ours = randomPortfolio(random, 1, int(random() % 14), range);
        CPortfolio theirs = randomPortfolio(random, 2, int(random() % 14), range);
        MergeModel model(ours, theirs);
        PlainModel plain;
        for (const auto& p : ours.m_pictures)
            PlainModel::insert(plain.result, {p->m_nId, Origin::Ours});
        for (const auto& p : theirs.m_pictures)
            PlainModel::insert(plain.theirs, {p->m_nId, Origin::Theirs});

        for (int press = 0; press < 8; ++press) {
            const auto button = MergeButton(random() % MergeButtonCount);
            if (!model.enabled(button)) {
                // Make the selection buttons do something next time.
                const auto list = MergeList(random() % 3);
                auto& lines = list == MergeList::Result   ? plain.result
                              : list == MergeList::Theirs ? plain.theirs
                                                          : plain.removed;
                const std::vector<int> rows = rowsOf(random, lines.size());
                model.select(list, {rows.begin(), rows.end()});
                continue;
            }
            const auto selected = [&](MergeList list) {
                const auto& rows = model.selection(list);
                return std::vector<int>(rows.begin(), rows.end());
            };
            const auto all = [](const Lines& lines, std::optional<Origin> only) {
                std::vector<int> rows;
                for (std::size_t r = 0; r < lines.size(); ++r)
                    if (!only || lines[r].origin == *only)
                        rows.push_back(int(r));
                return rows;
            };
            switch (button) {
            case MergeButton::AddFromTheirs:
                plain.moveRows(plain.theirs, selected(MergeList::Theirs));
                break;
            case MergeButton::AddAllFromTheirs:
                plain.moveRows(plain.theirs, all(plain.theirs, std::nullopt));
                break;
            case MergeButton::AddFromRemoved:
                plain.moveRows(plain.removed, selected(MergeList::Removed));
                break;
            case MergeButton::AddAllFromRemoved:
                plain.moveRows(plain.removed, all(plain.removed, std::nullopt));
                break;
            case MergeButton::Remove:
                plain.moveRows(plain.result, selected(MergeList::Result));
                break;
            case MergeButton::RemoveAllTheirs:
                plain.moveRows(plain.result, all(plain.result, Origin::Theirs));
                break;
            case MergeButton::RemoveAllOurs:
                plain.moveRows(plain.result, all(plain.result, Origin::Ours));
                break;
            case MergeButton::RemoveDuplicatesKeepOurs:
                plain.removeDuplicates(Origin::Theirs);
                break;
            case MergeButton::RemoveDuplicatesKeepTheirs:
                plain.removeDuplicates(Origin::Ours);
                break;
            }
            model.press(button);
            ASSERT_EQ(model.lines(MergeList::Result), plain.result) << "round " << round;
            ASSERT_EQ(model.lines(MergeList::Theirs), plain.theirs) << "round " << round;
            ASSERT_EQ(model.lines(MergeList::Removed), plain.removed) << "round " << round;
        }
    }
}

// Deletes each removed ID's first picture, moves each added ID's first picture of the merge
// file to the end, sorts by ID keeping the order of equal IDs.
void plainApply(CPortfolio& ours, CPortfolio& theirs, const MergeChoice& choice) {
    const auto first = [](CPortfolio& p, int id) {
        return std::find_if(p.m_pictures.begin(), p.m_pictures.end(),
                            [id](const auto& picture) { return picture->m_nId == id; });
    };
    for (int id : choice.removedIds)
        if (auto at = first(ours, id); at != ours.m_pictures.end())
            ours.m_pictures.erase(at);
    for (int id : choice.addedIds)
        if (auto at = first(theirs, id); at != theirs.m_pictures.end()) {
            ours.m_pictures.push_back(std::move(*at));
            theirs.m_pictures.erase(at);
        }
    ours.SortById();
}

TEST(MergeOrder, ApplyKeepsOrderAndTakesEachIdsFirstPictures) {
    std::mt19937 random(19);
    RecordingFeedback feedback;
    for (int round = 0; round < 300; ++round) {
        const int range = 1 + round % 9;
        const int oursCount = int(random() % 16), theirsCount = int(random() % 16);
        // Two identical copies of each side: one for the merge, one for the plain model.
        std::mt19937 again = random;
        CPortfolio ours = randomPortfolio(random, 1, oursCount, range);
        CPortfolio theirs = randomPortfolio(random, 2, theirsCount, range);
        CPortfolio plainOurs = randomPortfolio(again, 1, oursCount, range);
        CPortfolio plainTheirs = randomPortfolio(again, 2, theirsCount, range);
        // Files in ID order, as files written by the program are, take the merge's short way.
        if (round % 3 == 0)
            for (CPortfolio* p : {&ours, &theirs, &plainOurs, &plainTheirs})
                p->SortById();

        MergeChoice choice;
        if (round % 2) {
            choice = AutomaticMergeChoice(ours, theirs, MergeKeep(round / 2 % 3));
        } else {
            // Any IDs in any order, also ones that are missing or listed more often than held.
            std::uniform_int_distribution<int> id(-1, range + 1);
            for (int i = int(random() % 10); i > 0; --i)
                choice.removedIds.push_back(id(random));
            for (int i = int(random() % 10); i > 0; --i)
                choice.addedIds.push_back(id(random));
        }
        ApplyMerge(ours, theirs, choice, feedback);
        plainApply(plainOurs, plainTheirs, choice);
        ASSERT_EQ(picturesOf(ours), picturesOf(plainOurs)) << "round " << round;
        ASSERT_EQ(picturesOf(theirs), picturesOf(plainTheirs)) << "round " << round;
        feedback.clear();
    }
}

TEST(MergeOrder, KeepTheirsOnALargeMergeReplacesEveryCommonId) {
    // Both sides hold IDs 0..9999 once and the merge file 5000 more: what the command does at
    // scale, checked by content.
    CPortfolio ours, theirs;
    for (int id = 0; id < 10000; ++id) {
        auto a = std::make_unique<CPicture>();
        a->Create(1, 1, id);
        a->SetPixel(0, 0, 1);
        ours.m_pictures.push_back(std::move(a));
    }
    for (int id = 15000; id-- > 0;) {
        auto b = std::make_unique<CPicture>();
        b->Create(1, 1, id);
        b->SetPixel(0, 0, 2);
        theirs.m_pictures.push_back(std::move(b));
    }
    const MergeChoice choice = AutomaticMergeChoice(ours, theirs, MergeKeep::Theirs);
    EXPECT_EQ(choice.removedIds.size(), 10000u);
    EXPECT_EQ(choice.addedIds.size(), 15000u);
    RecordingFeedback feedback;
    ApplyMerge(ours, theirs, choice, feedback);
    ASSERT_EQ(ours.Count(), 15000);
    EXPECT_EQ(theirs.Count(), 0);
    for (int i = 0; i < ours.Count(); ++i) {
        ASSERT_EQ(ours.Picture(i).m_nId, i);
        ASSERT_EQ(ours.Picture(i).GetPixel(0, 0), 2);
    }
}

} // namespace
} // namespace pixelon
