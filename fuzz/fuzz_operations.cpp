// fuzz-links: operations codecs editing core platform
// Two portfolios from one input (split at the first NUL byte): the merge dialog's buttons, the
// automatic merge of the command line, the ID commands and the height commands on whatever the
// files hold. Every picture must keep a pixel buffer of its size, and the list its ID order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzPortfolio.h"
#include "operations/Heights.h"
#include "operations/Ids.h"
#include "operations/Merge.h"

using namespace pixelon;

namespace {

constexpr std::uint64_t MaxPixels = 1 << 20;

std::uint64_t pixelsOf(const CPortfolio& folio) {
    std::uint64_t n = 0;
    for (const auto& p : folio.m_pictures)
        n += std::uint64_t(p->m_nWidth) * std::uint64_t(p->m_nHeight);
    return n;
}

void checkPictures(const CPortfolio& folio) {
    for (int i = 0; i < folio.Count(); ++i) {
        const CPicture& p = folio.Picture(i);
        if (p.m_nWidth < 0 || p.m_nHeight < 0 ||
            p.m_pixels.size() != std::size_t(p.m_nWidth) * std::size_t(p.m_nHeight) * 2)
            __builtin_trap();
        if (i > 0 && folio.Picture(i - 1).m_nId > p.m_nId)
            __builtin_trap();
    }
}

// The input's bytes, one at a time, as the choices of the commands; 0 when used up.
struct Choices {
    std::string_view bytes;
    int next() {
        if (bytes.empty())
            return 0;
        const int b = static_cast<unsigned char>(bytes.front());
        bytes.remove_prefix(1);
        return b;
    }
};

void merge(std::string_view oursText, std::string_view theirsText, Choices& choose) {
    fuzz::FuzzPortfolio ours(oursText), theirs(theirsText);
    if (pixelsOf(ours.folio) + pixelsOf(theirs.folio) > MaxPixels)
        return;
    // A read that failed half-way leaves its pictures unsorted; the commands start sorted.
    ours.folio.SortById();
    theirs.folio.SortById();
    MergeModel model(ours.folio, theirs.folio);
    for (int step = 0; step < 16; ++step) {
        const MergeList list = MergeList(choose.next() % 3);
        const int rows = int(model.lines(list).size());
        if (rows > 0)
            model.select(list, {choose.next() % rows, choose.next() % rows});
        const MergeButton button = MergeButton(choose.next() % MergeButtonCount);
        if (model.enabled(button))
            model.press(button);
        model.preview();
        model.texts(MergeList::Result);
    }
    ApplyMerge(ours.folio, theirs.folio, model.choice(), ours.feedback);
    checkPictures(ours.folio);

    fuzz::FuzzPortfolio again(oursText), other(theirsText);
    again.folio.SortById();
    other.folio.SortById();
    const MergeKeep keep = MergeKeep(choose.next() % 3);
    ApplyMerge(again.folio, other.folio, AutomaticMergeChoice(again.folio, other.folio, keep),
               again.feedback);
    checkPictures(again.folio);
}

void ids(CPortfolio& folio, Feedback& feedback, Choices& choose) {
    NewPictureId(folio);
    NextFreeId(folio, choose.next() << 8 | choose.next());
    if (folio.Count() > 0 && folio.Count() < 64) {
        const int index = choose.next() % folio.Count();
        DuplicatePicture(folio, index, NextFreeId(folio, folio.Picture(index).m_nId));
        ChangePictureId(folio, choose.next() % folio.Count(), choose.next() << 8 | choose.next());
        DeletePictures(folio, {choose.next() % folio.Count()});
    }
    checkPictures(folio);
    RenumberIds(folio, feedback);
    checkPictures(folio);
}

void heights(CPortfolio& folio, Feedback& feedback, Choices& choose) {
    std::vector<int> all(std::size_t(std::min(folio.Count(), 64)));
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = int(i);
    all.push_back(folio.Count()); // an index past the end is left alone
    const int top = choose.next() - 64, bottom = choose.next() - 64;
    CropHeights(folio, all, top, bottom, choose.next(), feedback);
    checkPictures(folio);
    EnlargeHeights(folio, all, top, bottom, choose.next(), feedback);
    checkPictures(folio);
    ShiftVertically(folio, all, choose.next() - 128, feedback);
    checkPictures(folio);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    const std::string_view text = fuzz::bytesAsText(data, size);
    const std::size_t nul = text.find('\0');
    const std::string_view ours = text.substr(0, nul);
    const std::string_view theirs = nul == text.npos ? std::string_view() : text.substr(nul + 1);
    // The choices come from the end of the input, so that the files keep their start.
    Choices choose{text.substr(text.size() - std::min<std::size_t>(text.size(), 64))};
    merge(ours, theirs, choose);

    fuzz::FuzzPortfolio input(ours);
    if (pixelsOf(input.folio) > MaxPixels)
        return 0;
    input.folio.SortById();
    ids(input.folio, input.feedback, choose);
    heights(input.folio, input.feedback, choose);
    return 0;
}
