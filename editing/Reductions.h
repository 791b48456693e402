#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Colours.h"
#include "editing/PixelProcessor.h"
#include "platform/Feedback.h"
#include "platform/Surface.h"

namespace pixelon {

// The four reference greys of GS Map, kept for the life of the process.
struct MappingSteps {
    int white = 240;
    int lightGrey = 180;
    int darkGrey = 152;
    int black = 66;
    friend bool operator==(const MappingSteps&, const MappingSteps&) = default;
};

// The process-wide mapping steps, at their defaults until GS Map changes them.
MappingSteps& currentMappingSteps();

// The "Set Color Mapping Steps" dialog without its window: four sliders 0..255 in the order
// White, Lite Grey, Dark Grey, Black, each with a two-digit hexadecimal label.
class MappingStepsDialogModel {
public:
    static constexpr int PageSize = 51;
    static constexpr std::array<const char*, 4> Labels{"White", "Lite Grey", "Dark Grey", "Black"};

    explicit MappingStepsDialogModel(const MappingSteps& steps);

    int position(int slider) const { return m_positions[std::size_t(slider)]; }
    void setPosition(int slider, int value); // clamped to 0..255
    void pageUp(int slider) { setPosition(slider, position(slider) - PageSize); }
    void pageDown(int slider) { setPosition(slider, position(slider) + PageSize); }
    std::string label(int slider) const; // "%02X"
    MappingSteps result() const;

private:
    std::array<int, 4> m_positions{};
};

// The error-diffusion dither of Mono colors: serpentine over the region, the first row right
// to left, with a 5 x 5 (divisor 48) or 3 x 3 (divisor 16) kernel mirrored on reversed rows.
class KernelDither : public PixelProcessor {
public:
    KernelDither(const PaletteMap& map, int size);

    bool init() override;
    void rowStart() override;
    // The error still to be added to pixel (rx, ry) of the region (ry within the ring).
    double& errorAt(int rx, int ry) {
        return m_error[std::size_t(ry % m_rows) * std::size_t(region.width()) + std::size_t(rx)];
    }
    bool inRow() const override { return m_direction > 0 ? x < region.right : x >= region.left; }
    void nextPixel() override { x += m_direction; }
    std::string caption() const override { return "Dithering image..."; }
    Colour computePixel() override;

private:
    const PaletteMap& m_map;
    int m_size;
    int m_centre;
    int m_divisor = 0;
    std::array<std::array<int, 5>, 5> m_kernel{};
    // Error rows from the current one down to the kernel's last, used as a ring.
    std::vector<double> m_error;
    int m_rows = 0;
    int m_direction = 1;
    // The output colour and its grey level for each value 0..255, worked out once per run.
    std::array<Colour, 256> m_output{};
    std::array<int, 256> m_outputGrey{};
    struct Tap {
        int dx, dy;
        double weight; // already divided by the divisor
    };
    std::vector<Tap> m_forward, m_backward;
};

// Plain reductions over the picture window; pixels of TransparentKey stay as they are.
void toMonoPlain(Surface& canvas, Rect window);
void toGreyPlain(Surface& canvas, Rect window);
void toCubePlain(Surface& canvas, Rect window);

// The serpentine Floyd-Steinberg grey dither to four levels over the whole picture window.
// `direction` (+1 or -1) carries the scan direction from one run to the next.
void greyDither(Surface& canvas, Rect window, int& direction, Feedback& feedback);
// The process-wide scan direction of the grey dither, +1 at start.
int& greyDitherDirection();

// The row-wise dither to the colour cube levels. Returns false, with the canvas unchanged, when
// its row buffers cannot be allocated.
bool cubeDither(Surface& canvas, Rect window, Feedback& feedback);

// GS Map: every pixel takes the phone grey of the mapping step nearest to its grey level (the
// lower step on a tie).
void mapToSteps(Surface& canvas, Rect window, const MappingSteps& steps);

} // namespace pixelon
