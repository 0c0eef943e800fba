#include <fontconfig/fontconfig.h>

#include <algorithm>

#include "gfxutil/font_locate.h"

namespace tavrin {

namespace {

// fontconfig's weight for a GDI weight (400 regular, 700 bold, ...).
int FontconfigWeight(int gdiWeight) {
    if (gdiWeight <= 0) return FC_WEIGHT_REGULAR;
    return FcWeightFromOpenType(std::clamp(gdiWeight, 1, 1000));
}

}  // namespace

std::optional<FontFile> LocateFontFile(const char* faceName, int weight) {
    if (FcInit() == FcFalse) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    if (faceName != nullptr && faceName[0] != '\0') {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, FontconfigWeight(weight));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;
    FcChar8* file = nullptr;
    std::optional<FontFile> found;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found = FontFile{reinterpret_cast<const char*>(file), 0};
        FcPatternGetInteger(match, FC_INDEX, 0, &found->faceIndex);
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace tavrin
