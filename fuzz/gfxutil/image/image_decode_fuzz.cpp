// Any bytes through the image decoders: a decoded image must have exactly its pixels, a failure a
// reason.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfxutil/image.h"
#include "gfxutil/texture_mips.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavrin::Image image;
    std::string error;
    if (!tavrin::DecodeImage({data, size}, image, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (image.pixels.size() != size_t{image.width} * image.height) std::abort();
    // The first mip level is built from whatever came out.
    if (image.pixels.size() <= (1u << 20)) {
        tavrin::BoxFilterHalf(image.pixels.data(), image.width, image.height);
    }
    return 0;
}
