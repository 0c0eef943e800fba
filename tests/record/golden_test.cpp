#include "image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// What the show puts on screen at song time t, as Capture::SceneName names it; empty within
// rounding of a change, where either side may show.
std::string ExpectedScene(float t) {
    struct Span {
        float end;
        const char* scene;
    };
    static const Span kSpans[] = {
        {0.0f, "nothing"},        {24.6f, "FlareEffect"},  {40.8f, "StadiumEffect"},
        {49.2f, "TrophyScene"},   {57.0f, "EnvBumpEffect"}, {81.0f, "TrophyScene"},
        {86.0f, "TrophyScene (metaball passage)"},          {138.7f, "StadiumEffect"},
        {155.0f, "EnvBumpEffect"}, {171.0f, "StadiumEffect"},
        {179.15f, "TrophyScene + end scroller"}};
    for (const Span& span : kSpans) {
        if (std::fabs(t - span.end) < 0.002f) return "";
        if (t < span.end) return span.scene;
    }
    return "";  // a random pick: checked on its own
}

// The scene of every recorded frame follows the schedule: loading screen first, then each effect
// in its span, and after 179.15 s the random picks, all with the end scroller over them.
void ExpectScheduleFollowed(const fs::path& timingsPath) {
    std::ifstream in(timingsPath);
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << "no timings in " << timingsPath;
    bool loading = true;
    int checked = 0;
    while (std::getline(in, line)) {
        // frame,song_time,scene,milliseconds
        const size_t first = line.find(',');
        const size_t second = line.find(',', first + 1);
        const size_t last = line.rfind(',');
        ASSERT_TRUE(first != std::string::npos && second < last) << line;
        const float t = std::strtof(line.c_str() + first + 1, nullptr);
        const std::string scene = line.substr(second + 1, last - second - 1);
        if (loading && scene == "loading screen") continue;
        loading = false;
        const std::string expected = ExpectedScene(t);
        if (t > 179.2f) {
            EXPECT_TRUE(scene == "StadiumEffect + end scroller" || scene == "EnvBumpEffect + end scroller" ||
                        scene == "TrophyScene + end scroller") << line;
        } else if (!expected.empty()) {
            ASSERT_EQ(scene, expected) << line;
        }
        ++checked;
    }
    EXPECT_GT(checked, 200 * kGoldenFps);
}

// Renders the show at the song times of the stored stills and compares each with its reference.
// A mismatch leaves the frame and a map of where it differs in golden-diff/ beside the tests.
// The same run checks that every frame showed the scene the schedule gives its song time.
TEST(WholeShowAt10Fps, LooksAsStoredAndFollowsTheSchedule) {
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
    options.timingsPath = (outDirectory / "frames.csv").string();
    ASSERT_EQ(Record(options), 0);
    ExpectScheduleFollowed(options.timingsPath);

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
