#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Portfolio.h"

namespace pixelon {

class CPicture;

class Feedback;

// Picture IDs are 16-bit; dialogs and the list show them as five decimal digits.
inline constexpr int MaxPictureId = 0xFFFF;

// "%05d": how the picture list shows an ID.
std::string IdText(int id);

// The first ID after `start` that no picture uses. A step past 65535 goes on from 0, as a 16-bit
// ID would. After 5000 tries without a free ID, `start` itself.
int NextFreeId(const CPortfolio& portfolio, int start);
// The same over a set of used IDs (indexed by ID, 65536 entries), for callers that add many
// pictures and keep the set up to date themselves instead of scanning the portfolio each time.
int NextFreeId(const std::vector<bool>& used, int start);
// Which of the IDs 0 to 65535 the portfolio's pictures use.
std::vector<bool> UsedIds(const CPortfolio& portfolio);
// The same, from the decimal value of a list line or a dialog field.
int NextFreeId(const CPortfolio& portfolio, std::string_view text);

// The ID a new picture gets: 1 in an empty portfolio, else the next free one after the last.
int NewPictureId(const CPortfolio& portfolio);

// Inserts the picture at the index its line takes in the ID-ordered list (after pictures with
// the same ID) and returns that index.
int AddPicture(CPortfolio& portfolio, std::unique_ptr<CPicture> picture);
// The same for each of `pictures` in turn, with one pass over the list when it is in ID order.
void AddPictures(CPortfolio& portfolio, std::vector<std::unique_ptr<CPicture>> pictures);

// A copy of the picture at `index` (size, depth, pixels, mask) with `newId`, added in order.
// Returns the copy's index.
int DuplicatePicture(CPortfolio& portfolio, int index, int newId);

// Gives the picture at `index` the ID `newId`, moves it to its place in ID order and makes every
// animation frame that showed the old ID show the new one. Returns the picture's new index.
int ChangePictureId(CPortfolio& portfolio, int index, int newId);

// Deletes the pictures at the given indices with the animation frames that show them (see
// CPortfolio::DeletePictures).
inline int DeletePictures(CPortfolio& portfolio, std::vector<int> indices) {
    return portfolio.DeletePictures(std::move(indices));
}

// Numbers the pictures 1..n in list order and lets every animation frame follow its picture.
// One progress step a picture ("Processing..." / "ReOrdering IDs...").
void RenumberIds(CPortfolio& portfolio, Feedback& feedback);

// The index of the first picture with this ID, or -1.
int IndexOfId(const CPortfolio& portfolio, int id);

// The decimal value of an ID field: at most five digits, 0..65535; nothing otherwise.
std::optional<int> ParseIdField(std::string_view text);

// An inclusive range of IDs.
struct IdRange {
    int first = 0;
    int last = 0;
    friend bool operator==(const IdRange&, const IdRange&) = default;
};
// A list of decimal IDs and ranges such as "1,5-9"; nothing when any part is not an ID
// (0..65535), a range runs backwards, or the text is empty.
std::optional<std::vector<IdRange>> ParseIdList(std::string_view text);
// The indices of the pictures whose IDs lie in the ranges, in list order.
std::vector<int> IndicesInRanges(const CPortfolio& portfolio, std::span<const IdRange> ranges);

// "Enter Portfolio ID" without its window: the proposal and what OK may return.
class IdDialogModel {
public:
    static constexpr const char* Title = "Enter Portfolio ID";
    static constexpr const char* Prompt = "Please enter a Portfolio ID";
    static constexpr const char* Label = "Portfolio ID:";
    static constexpr int MaxLength = 5;

    explicit IdDialogModel(int proposal) : m_text(IdText(proposal)) {}

    const std::string& text() const { return m_text; }
    // Keeps at most five characters, as the field does.
    void setText(std::string_view text) { m_text = std::string(text.substr(0, MaxLength)); }
    // The message refusing the entry, or nothing when OK may close the dialog.
    std::optional<std::string> validate() const;
    std::optional<int> value() const { return ParseIdField(m_text); }

private:
    std::string m_text;
};

} // namespace pixelon
