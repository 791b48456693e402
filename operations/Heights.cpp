#include "operations/Heights.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// White in the picture's own form: a GreyMap index at depths 1 and 2, else RGB565.
std::uint16_t whiteOf(const CPicture& picture) {
    return picture.m_nDepth <= 2 ? 3 : 0xFFFF;
}

// An enlarged picture may hold at most this many pixels: every width up to 65535 at the largest
// height, while a width read from a file whose picture has no rows cannot make the enlargement
// claim gigabytes.
constexpr std::uint64_t MaxEnlargedPixels = std::uint64_t(1) << 26;

bool hasStorage(const CPicture& picture) {
    const std::size_t pixels =
        std::size_t(std::max(picture.m_nWidth, 0)) * std::size_t(std::max(picture.m_nHeight, 0));
    return picture.m_nWidth >= 0 && picture.m_nHeight >= 0 &&
           picture.m_pixels.size() >= pixels * 2 && picture.m_mask.size() >= pixels;
}

// Rebuilds the picture at `newHeight` rows; new row r shows old row r - offset when that row
// exists, else opaque white.
void remapRows(CPicture& picture, int newHeight, int offset) {
    const std::size_t width = std::size_t(picture.m_nWidth);
    const std::uint16_t white = whiteOf(picture);
    std::vector<std::uint8_t> pixels(width * std::size_t(newHeight) * 2);
    std::vector<std::uint8_t> mask(width * std::size_t(newHeight), 1);
    for (int row = 0; row < newHeight; ++row) {
        const int from = row - offset;
        std::uint8_t* to = pixels.data() + std::size_t(row) * width * 2;
        if (width == 0)
            continue; // no bytes to copy (and no buffers to copy them from)
        if (from >= 0 && from < picture.m_nHeight) {
            std::memcpy(to, picture.m_pixels.data() + std::size_t(from) * width * 2, width * 2);
            std::memcpy(mask.data() + std::size_t(row) * width,
                        picture.m_mask.data() + std::size_t(from) * width, width);
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                to[x * 2] = std::uint8_t(white >> 8);
                to[x * 2 + 1] = std::uint8_t(white);
            }
        }
    }
    picture.m_pixels = std::move(pixels);
    picture.m_mask = std::move(mask);
    picture.m_nHeight = newHeight;
}

// Runs `change` over the selected pictures with one progress step each.
template <class Change>
HeightReport overSelection(CPortfolio& portfolio, const std::vector<int>& indices, const char* text,
                           Feedback& feedback, Change change) {
    HeightReport report;
    ProgressWindow& progress = feedback.progress();
    progress.Open("Processing...", text, 0, int(indices.size()));
    int done = 0;
    for (int index : indices) {
        if (index >= 0 && index < portfolio.Count() && change(portfolio.Picture(index)))
            ++report.changed;
        else
            ++report.unchanged;
        progress.Step(++done);
    }
    progress.Close();
    return report;
}

} // namespace

bool CropPictureHeight(CPicture& picture, int top, int bottom) {
    if (top < 0 || bottom < 0 || !hasStorage(picture))
        return false;
    const long long height = (long long)picture.m_nHeight - top - bottom;
    if (height < 1)
        return false;
    remapRows(picture, int(height), -top);
    return true;
}

bool EnlargePictureHeight(CPicture& picture, int top, int bottom) {
    if (top < 0 || bottom < 0 || !hasStorage(picture))
        return false;
    const long long height =
        std::min<long long>((long long)picture.m_nHeight + top + bottom, CPicture::MaxHeight);
    if (std::uint64_t(picture.m_nWidth) * std::uint64_t(height) > MaxEnlargedPixels)
        return false;
    remapRows(picture, int(height), top);
    return true;
}

void ShiftPictureVertically(CPicture& picture, int rows) {
    if (rows == 0 || !hasStorage(picture))
        return;
    const int offset = std::clamp(rows, -picture.m_nHeight, picture.m_nHeight);
    remapRows(picture, picture.m_nHeight, offset);
}

HeightReport CropHeights(CPortfolio& portfolio, const std::vector<int>& indices, int top,
                         int bottom, int onlyHigherThan, Feedback& feedback) {
    if (top == 0 && bottom == 0)
        return {0, int(indices.size())};
    return overSelection(
        portfolio, indices, "Croppping height...", feedback, [&](CPicture& picture) {
            return picture.m_nHeight > onlyHigherThan && CropPictureHeight(picture, top, bottom);
        });
}

HeightReport EnlargeHeights(CPortfolio& portfolio, const std::vector<int>& indices, int top,
                            int bottom, int onlyLowerThan, Feedback& feedback) {
    if (top == 0 && bottom == 0)
        return {0, int(indices.size())};
    return overSelection(
        portfolio, indices, "Enlarging height...", feedback, [&](CPicture& picture) {
            return picture.m_nHeight < onlyLowerThan && EnlargePictureHeight(picture, top, bottom);
        });
}

HeightReport ShiftVertically(CPortfolio& portfolio, const std::vector<int>& indices, int rows,
                             Feedback& feedback) {
    if (rows == 0)
        return {0, int(indices.size())};
    return overSelection(portfolio, indices, "Shifting vertically...", feedback,
                         [&](CPicture& picture) {
                             if (!hasStorage(picture))
                                 return false;
                             ShiftPictureVertically(picture, rows);
                             return true;
                         });
}

void SliderSetting::setValue(int v) {
    value = std::clamp(v, minimum, maximum);
}

HeightDialogModel HeightDialogModel::crop() {
    return {"Crop Height of Images",
            {"Top", 0, 30, 0, 5, 0, ""},
            {"Bottom", 0, 30, 0, 5, 0, ""},
            {"Consider only images with height exceeding:", 0, 40, 0, 5, 0, "Pixels"}};
}

HeightDialogModel HeightDialogModel::enlarge() {
    return {"Enlarge Height of Images",
            {"Top", 0, 30, 0, 5, 0, ""},
            {"Bottom", 0, 30, 0, 5, 0, ""},
            {"Consider only images with height less than:", 0, 40, 20, 5, 0, ""}};
}

std::string ShiftDialogModel::label() const {
    if (shift.value == 0)
        return "None";
    if (shift.value < 0)
        return "Up " + std::to_string(-shift.value);
    return "Down " + std::to_string(shift.value);
}

} // namespace pixelon
