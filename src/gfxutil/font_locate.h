// Finds the font file for a face name and weight: fontconfig on the desktop; in the browser the
// one face the page ships.
#pragma once

#include <optional>
#include <string>

namespace tavrin {

struct FontFile {
    std::string path;
    int faceIndex = 0;
};

// The closest installed scalable face to `faceName` (any face when null or empty) at the GDI
// `weight` (400 regular, 700 bold); nothing when there is none.
std::optional<FontFile> LocateFontFile(const char* faceName, int weight);

}  // namespace tavrin
