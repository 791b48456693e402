#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pixelon {

class CPicture;
class CPortfolio;
class Feedback;

inline constexpr const char* MergeOpenFilter =
    "All supported types (*.pfo;*.gif;*.jpg;*.bmp;*.wbmp)|*.pfo;*.r;*.gif;*.id;*.jpg;*.jpeg;*.bmp;"
    "*.wbmp;*.wbm|All Files (*.*)|*.*||";
inline constexpr const char* MergeDefaultExtension = "pfo";
inline constexpr const char* MergeReadFailedTitle = "ERROR";
inline constexpr const char* MergeReadFailedText = "Cannot open file";

// Where a line of the Merge dialog came from.
enum class Origin { Ours, Theirs };

struct MergeLine {
    int id = 0;
    Origin origin = Origin::Ours;
    friend bool operator==(const MergeLine&, const MergeLine&) = default;
};

// The three lists of the dialog.
enum class MergeList { Result, Theirs, Removed };

// The eight buttons, in the order they stand in the dialog.
enum class MergeButton {
    AddFromTheirs,             // "Add >" from the merge file's list
    AddAllFromTheirs,          // "Add All >>" from the merge file's list
    AddFromRemoved,            // "Add >" from the removed list
    AddAllFromRemoved,         // "Add All >>" from the removed list
    Remove,                    // "< Remove": selected result lines back where they came from
    RemoveAllTheirs,           // "<< Remove All": the merge file's result lines
    RemoveAllOurs,             // "<< Remove All": this portfolio's result lines
    RemoveDuplicatesKeepOurs,  // "< Remove Duplicates": the merge file's line of each pair goes
    RemoveDuplicatesKeepTheirs // "< Remove Duplicates": this portfolio's line of each pair goes
};
inline constexpr int MergeButtonCount = 9;
const char* MergeButtonText(MergeButton button);

// What OK yields: the IDs to delete from this portfolio and the IDs to take from the merge file,
// one entry a line.
struct MergeChoice {
    std::vector<int> removedIds;
    std::vector<int> addedIds;
};

// The "Merge" dialog without its window: three ordered lists of five-digit IDs, each line
// remembering its origin, the selection of one list at a time and the buttons.
class MergeModel {
public:
    MergeModel(const CPortfolio& ours, const CPortfolio& theirs);

    const std::vector<MergeLine>& lines(MergeList list) const { return m_lines[index(list)]; }
    std::vector<std::string> texts(MergeList list) const;

    // Selecting in one list clears the selection of the other two.
    void select(MergeList list, const std::set<int>& rows);
    const std::set<int>& selection(MergeList list) const { return m_selection[index(list)]; }

    bool enabled(MergeButton button) const;
    // Runs a button; a disabled one does nothing.
    void press(MergeButton button);

    // The picture of the single selected line, looked up by ID in its origin portfolio.
    const CPicture* preview() const;
    MergeChoice choice() const;

private:
    static std::size_t index(MergeList list) { return std::size_t(list); }
    void insert(MergeList list, std::vector<MergeLine> incoming);
    void moveRows(MergeList from, const std::vector<bool>& leaving);
    void moveSelected(MergeList from);
    void moveAll(MergeList from, std::optional<Origin> only);
    void removeDuplicates(Origin going);
    static bool byId(const MergeLine& a, const MergeLine& b) { return a.id < b.id; }
    static MergeList homeOf(Origin origin) {
        return origin == Origin::Ours ? MergeList::Removed : MergeList::Theirs;
    }

    const CPortfolio& m_ours;
    const CPortfolio& m_theirs;
    std::array<std::vector<MergeLine>, 3> m_lines;
    std::array<std::set<int>, 3> m_selection;
};

// The largest whole factor by which a width x height picture fits into an area, at least 1.
int PreviewScale(int width, int height, int areaWidth, int areaHeight);

// Applies a choice: deletes each removed ID's first picture here, moves each added ID's first
// picture of `theirs` to the end of `ours`, then sorts by ID. Progress "Merging files...".
// Animations are not taken over, and this portfolio's stay as they are.
void ApplyMerge(CPortfolio& ours, CPortfolio& theirs, const MergeChoice& choice,
                Feedback& feedback);

// How the command line resolves duplicates before it adds the rest of the merge file.
enum class MergeKeep { Both, Ours, Theirs };
MergeChoice AutomaticMergeChoice(const CPortfolio& ours, const CPortfolio& theirs, MergeKeep keep);

} // namespace pixelon
