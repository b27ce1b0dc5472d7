#include "ui/PictureScale.h"

#include <cstdlib>
#include <iterator>

namespace {

// The screen resolutions the pictures are drawn for: 100, 125, 150 and 200 %.
constexpr int kDrawnDpi[] = {96, 120, 144, 192};

}  // namespace

int ScaledPictureId(int id, int dpi) {
    int nearest = 0;
    for (int form = 1; form < static_cast<int>(std::size(kDrawnDpi)); ++form) {
        // Strictly nearer only: halfway between two scales, the smaller one stays.
        if (std::abs(dpi - kDrawnDpi[form]) < std::abs(dpi - kDrawnDpi[nearest])) {
            nearest = form;
        }
    }
    return id + kScaledPictureIdStep * nearest;
}
