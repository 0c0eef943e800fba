#include "pictures/pitch.h"

#include <cmath>

namespace tavrin::forge {

Rgba MownGrassAt(const MownGrass& grass, double across) {
    // The offset keeps the band number positive, so its parity does not flip at 0.
    const bool even = static_cast<int>(std::floor(across / grass.stripeWidth + 100.0)) % 2 == 0;
    return even ? grass.even : grass.odd;
}

}  // namespace tavrin::forge
