#include "operations/Ids.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>

#include "core/Animation.h"
#include "core/Document.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr int IdCount = MaxPictureId + 1;
constexpr int MaxTries = 5000;

} // namespace

std::string IdText(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", id);
    return text;
}

int IndexOfId(const CPortfolio& portfolio, int id) {
    for (int i = 0; i < portfolio.Count(); ++i)
        if (portfolio.Picture(i).m_nId == id)
            return i;
    return -1;
}

std::vector<bool> UsedIds(const CPortfolio& portfolio) {
    std::vector<bool> used(IdCount, false);
    for (const auto& p : portfolio.m_pictures)
        if (p->m_nId >= 0 && p->m_nId < IdCount)
            used[std::size_t(p->m_nId)] = true;
    return used;
}

int NextFreeId(const CPortfolio& portfolio, int start) {
    return NextFreeId(UsedIds(portfolio), start);
}

int NextFreeId(const std::vector<bool>& used, int start) {
    const int from = std::clamp(start, 0, MaxPictureId);
    for (int step = 1; step <= MaxTries; ++step) {
        const int candidate = (from + step) % IdCount;
        if (!used[std::size_t(candidate)])
            return candidate;
    }
    return start;
}

int NextFreeId(const CPortfolio& portfolio, std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min(value * 10 + (c - '0'), MaxPictureId);
    }
    return NextFreeId(portfolio, value);
}

int NewPictureId(const CPortfolio& portfolio) {
    if (portfolio.m_pictures.empty())
        return 1;
    // The last line of the ID-ordered list: the highest ID.
    int last = 0;
    for (const auto& p : portfolio.m_pictures)
        last = std::max(last, p->m_nId);
    return NextFreeId(portfolio, last);
}

int AddPicture(CPortfolio& portfolio, std::unique_ptr<CPicture> picture) {
    return portfolio.InsertSorted(std::move(picture));
}

void AddPictures(CPortfolio& portfolio, std::vector<std::unique_ptr<CPicture>> pictures) {
    auto byId = [](const auto& a, const auto& b) { return a->m_nId < b->m_nId; };
    auto& list = portfolio.m_pictures;
    if (!std::is_sorted(list.begin(), list.end(), byId)) {
        for (auto& picture : pictures)
            AddPicture(portfolio, std::move(picture));
        return;
    }
    // Adding one by one puts each picture after every one with its ID, earlier ones first: on an
    // ordered list that is a stable sort of the new pictures merged behind equal old ones.
    std::stable_sort(pictures.begin(), pictures.end(), byId);
    std::vector<std::unique_ptr<CPicture>> merged;
    merged.reserve(list.size() + pictures.size());
    std::merge(std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()),
               std::make_move_iterator(pictures.begin()), std::make_move_iterator(pictures.end()),
               std::back_inserter(merged), byId);
    list = std::move(merged);
}

int DuplicatePicture(CPortfolio& portfolio, int index, int newId) {
    if (index < 0 || index >= portfolio.Count())
        return -1;
    auto copy = std::make_unique<CPicture>();
    copy->CopyFrom(portfolio.Picture(index));
    copy->m_nId = newId;
    return AddPicture(portfolio, std::move(copy));
}

int ChangePictureId(CPortfolio& portfolio, int index, int newId) {
    if (index < 0 || index >= portfolio.Count())
        return -1;
    auto picture = std::move(portfolio.m_pictures[std::size_t(index)]);
    portfolio.m_pictures.erase(portfolio.m_pictures.begin() + index);
    const int oldId = picture->m_nId;
    picture->m_nId = newId;
    RenumberFramePictures(portfolio.m_animations, oldId, newId);
    return portfolio.InsertSorted(std::move(picture));
}

void RenumberIds(CPortfolio& portfolio, Feedback& feedback) {
    ProgressWindow& progress = feedback.progress();
    progress.Open("Processing...", "ReOrdering IDs...", 0, portfolio.Count());
    // Every frame follows the first picture that had its ID. The new IDs are worked out from the
    // old ones all together, so a new number that equals an old one not yet renumbered (a
    // portfolio starting at ID 0, or duplicates) never drags other frames along.
    std::map<int, int> renumbered;
    for (int i = 0; i < portfolio.Count(); ++i) {
        CPicture& picture = portfolio.Picture(i);
        renumbered.try_emplace(picture.m_nId, i + 1);
        picture.m_nId = i + 1;
        progress.Step(i + 1);
    }
    RenumberFramePictures(portfolio.m_animations, renumbered);
    progress.Close();
}

std::optional<int> ParseIdField(std::string_view text) {
    if (text.empty() || text.size() > std::size_t(IdDialogModel::MaxLength) ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    if (value > MaxPictureId)
        return std::nullopt;
    return value;
}

std::optional<std::vector<IdRange>> ParseIdList(std::string_view text) {
    std::vector<IdRange> ranges;
    if (text.empty())
        return std::nullopt;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        const std::size_t dash = part.find('-');
        std::optional<int> first, last;
        if (dash == std::string_view::npos) {
            first = last = ParseIdField(part);
        } else {
            first = ParseIdField(part.substr(0, dash));
            last = ParseIdField(part.substr(dash + 1));
        }
        if (!first || !last || *last < *first)
            return std::nullopt;
        ranges.push_back({*first, *last});
        if (comma == std::string_view::npos)
            return ranges;
        text.remove_prefix(comma + 1);
    }
}

std::vector<int> IndicesInRanges(const CPortfolio& portfolio, std::span<const IdRange> ranges) {
    std::vector<int> indices;
    for (int i = 0; i < portfolio.Count(); ++i) {
        const int id = portfolio.Picture(i).m_nId;
        if (std::any_of(ranges.begin(), ranges.end(),
                        [id](const IdRange& r) { return id >= r.first && id <= r.last; }))
            indices.push_back(i);
    }
    return indices;
}

std::optional<std::string> IdDialogModel::validate() const {
    if (value())
        return std::nullopt;
    return rangeMessage(0, MaxPictureId);
}

} // namespace pixelon
