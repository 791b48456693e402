// fuzz-links: output core platform
// Reads bytes as a portfolio file twice: picture by picture into printed pages as pixelon print
// does, and whole as the window prints it. Both reads must end alike, and when the pictures
// come in ID order the pages must hold the same pictures at the same places.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Picture.h"
#include "fuzz/FuzzPortfolio.h"
#include "output/PageStream.h"
#include "output/PrintPage.h"

using namespace pixelon;

namespace {

struct Placed {
    int id;
    Rect place;
    friend bool operator==(const Placed&, const Placed&) = default;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (std::size_t(4) << 20))
        return 0;
    const std::string_view text = fuzz::bytesAsText(data, size);
    fuzz::ColourMapGuard colourMap;
    const int resolution = size > 0 ? data[0] % 3 : 0;

    CPortfolio whole;
    RecordingFeedback wholeFeedback;
    LineReader wholeReader(text);
    const bool wholeRead = whole.ReadFrom(wholeReader, text.size(), "fuzz.pfo", wholeFeedback);

    std::vector<std::vector<Placed>> pages;
    PageStream stream(resolution, [&](int page, std::span<const PlacedPicture> placed) {
        if (page != int(pages.size()) + 1)
            __builtin_trap(); // pages come in order, each once
        auto& list = pages.emplace_back();
        for (const PlacedPicture& p : placed)
            list.push_back({p.picture->m_nId, p.place});
        return true;
    });
    CPortfolio streamed;
    RecordingFeedback streamFeedback;
    LineReader streamReader(text);
    bool ascending = true;
    int lastId = -1;
    std::size_t count = 0;
    const bool streamRead =
        streamed.StreamFrom(streamReader, text.size(), "fuzz.pfo", streamFeedback,
                            [&](std::unique_ptr<CPicture> picture) {
                                ascending = ascending && picture->m_nId >= lastId;
                                lastId = picture->m_nId;
                                ++count;
                                return stream.Add(std::move(picture));
                            });

    // The same checks and messages, whether the pictures are kept or handed on.
    if (streamRead != wholeRead || streamed.FailedLine() != whole.FailedLine() ||
        streamFeedback.messages().size() != wholeFeedback.messages().size())
        __builtin_trap();
    if (!wholeRead)
        return 0;
    if (count != whole.m_pictures.size() || HeadingOf(streamed) != HeadingOf(whole))
        __builtin_trap();
    if (!stream.Finish() || !ascending)
        return 0;

    // Pictures in ID order are printed from the stream: its pages must be the whole print's.
    const PrintJob job(whole, resolution);
    if (job.PageCount() != int(pages.size()))
        __builtin_trap();
    for (int page = 1; page <= job.PageCount(); ++page) {
        const auto [first, end] = job.PagePictures(page);
        std::vector<Placed> expected;
        for (int i = first; i < end; ++i)
            expected.push_back(
                {whole.m_pictures[std::size_t(i)]->m_nId, job.Layout().rects[std::size_t(i)]});
        if (expected != pages[std::size_t(page - 1)])
            __builtin_trap();
    }
    return 0;
}
