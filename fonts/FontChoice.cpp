#include "fonts/FontChoice.h"

#include <algorithm>
#include <cstdlib>

namespace pixelon {

int NearestFontStyle(const std::vector<FontStyle>& styles, bool slanted, int weight) {
    int best = -1;
    int bestSlant = 0, bestDistance = 0;
    for (std::size_t i = 0; i < styles.size(); ++i) {
        const int slant = styles[i].slanted == slanted ? 0 : 1;
        const int distance = std::abs(styles[i].weight - weight);
        if (best < 0 || slant < bestSlant || (slant == bestSlant && distance < bestDistance)) {
            best = int(i);
            bestSlant = slant;
            bestDistance = distance;
        }
    }
    return best;
}

SystemFont InitialChooserFont(const std::optional<SystemFont>& lastUsed,
                              const std::string& fixedFamily, int fixedPointSize) {
    if (lastUsed)
        return *lastUsed;
    SystemFont font;
    font.family = fixedFamily;
    const int points = fixedPointSize > 0
                           ? std::clamp(fixedPointSize, ChooserMinPoints, ChooserMaxPoints)
                           : ChooserMinPoints;
    font.tenthsOfPoint = points * 10;
    return font;
}

} // namespace pixelon
