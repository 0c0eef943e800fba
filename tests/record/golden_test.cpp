#include "image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfxutil/image.h"
#include "png_file.h"
#include "record_options.h"
#include "recorder.h"

namespace tavrin::record {
namespace {

namespace fs = std::filesystem;

// The stills under tests/golden are made at this rate by scripts/golden; the show's random draws
// depend on how many frames came before, so a still is only comparable at the same rate.
constexpr int kGoldenFps = 10;
// Rasterisers may round an edge differently; a broken picture changes far more than this.
constexpr int kChannelTolerance = 12;
constexpr double kShareAllowedOver = 0.0025;

TEST(CompareImages, CountsOnlyPixelsBeyondTheToleranceAndMarksThem) {
    const std::vector<uint32_t> reference = {0xFF102030u, 0xFF808080u, 0xFFFFFFFFu, 0xFF000000u};
    const std::vector<uint32_t> actual = {0x00102030u,    // alpha differs only: same picture
                                          0xFF8C8080u,    // red 12 away: within
                                          0xFFFFF2FFu,    // green 13 away: over
                                          0xFF0000FFu};   // blue 255 away
    const ImageDifference difference = CompareImages(actual, reference, 12);
    EXPECT_EQ(difference.pixelsOverTolerance, 2);
    EXPECT_EQ(difference.largestChannelDifference, 255);
    ASSERT_EQ(difference.map.size(), 4u);
    EXPECT_EQ(difference.map[2], 0xFFFF0000u);
    EXPECT_EQ(difference.map[3], 0xFFFF0000u);
    // Unmarked pixels are the frame in dim grey (a ninth of the channel sum), never red.
    EXPECT_EQ(difference.map[1], 0xFF2C2C2Cu);
    EXPECT_EQ(difference.map[0], 0xFF0A0A0Au);
}

TEST(CompareImages, IdenticalImagesDifferNowhere) {
    const std::vector<uint32_t> image(64, 0xFF336699u);
    const ImageDifference difference = CompareImages(image, image, 0);
    EXPECT_EQ(difference.pixelsOverTolerance, 0);
    EXPECT_EQ(difference.largestChannelDifference, 0);
}

bool LoadPng(const fs::path& path, Image& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    return DecodeImage(bytes, image, error);
}

struct GoldenStill {
    double songTime;
    fs::path path;
};

std::vector<GoldenStill> StoredStills(const fs::path& directory) {
    std::vector<GoldenStill> stills;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("still-", 0) != 0 || entry.path().extension() != ".png") continue;
        const double songTime = std::strtod(name.c_str() + 6, nullptr);
        if (StillName(songTime) == name) stills.push_back({songTime, entry.path()});
    }
    std::sort(stills.begin(), stills.end(),
              [](const GoldenStill& a, const GoldenStill& b) { return a.songTime < b.songTime; });
    return stills;
}

// Renders the show at the song times of the stored stills and compares each with its reference.
// A mismatch leaves the frame and a map of where it differs in golden-diff/ beside the tests.
TEST(GoldenStills, ShowLooksAsStored) {
    const fs::path goldenDirectory = fs::path(TAVRIN_SOURCE_DIR) / "tests" / "golden";
    const std::vector<GoldenStill> stills = StoredStills(goldenDirectory);
    ASSERT_FALSE(stills.empty()) << "no still-*.png under " << goldenDirectory;

    const fs::path outDirectory = fs::path(TAVRIN_BIN_DIR) / "golden-diff";
    fs::remove_all(outDirectory);
    RecordOptions options;
    options.dataPath = TAVRIN_BIN_DIR "/Tavrin.data";
    options.fps = kGoldenFps;
    for (const GoldenStill& still : stills) options.stillTimes.push_back(still.songTime);
    options.stillDirectory = outDirectory.string();
    ASSERT_EQ(Record(options), 0);

    for (const GoldenStill& still : stills) {
        SCOPED_TRACE(still.path.filename().string());
        Image reference;
        Image actual;
        std::string error;
        ASSERT_TRUE(LoadPng(still.path, reference, error)) << error;
        const fs::path actualPath = outDirectory / still.path.filename();
        ASSERT_TRUE(LoadPng(actualPath, actual, error)) << error;
        ASSERT_EQ(actual.width, reference.width);
        ASSERT_EQ(actual.height, reference.height);

        const ImageDifference difference = CompareImages(actual.pixels, reference.pixels, kChannelTolerance);
        const auto allowed = static_cast<int64_t>(kShareAllowedOver * static_cast<double>(actual.pixels.size()));
        if (difference.pixelsOverTolerance > allowed) {
            const fs::path mapPath = outDirectory / ("diff-" + still.path.filename().string());
            WritePng(mapPath.string(), static_cast<int>(actual.width), static_cast<int>(actual.height),
                     difference.map);
            ADD_FAILURE() << difference.pixelsOverTolerance << " pixels differ by more than "
                          << kChannelTolerance << " (largest " << difference.largestChannelDifference
                          << "); frame " << actualPath << ", differences in red " << mapPath;
        }
    }
}

}  // namespace
}  // namespace tavrin::record
