#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::record {

// A labelled overview of stills: half-size thumbnails in rows of three, each with its label
// drawn beneath it.
struct Sheet {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // A8R8G8B8, row 0 at the top
};

struct Still {
    std::string label;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

Sheet MakeContactSheet(const std::vector<Still>& stills);

}  // namespace tavrin::record
