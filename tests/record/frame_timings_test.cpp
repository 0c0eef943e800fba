#include "frame_timings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tavrin::record {
namespace {

TEST(FrameTimings, GroupsRunsOfTheSameSceneWithMedianAndWorst) {
    FrameTimings timings;
    timings.Add(0.0f, "loading screen", 3.0);
    timings.Add(0.5f, "FlareEffect", 9.0);
    timings.Add(1.0f, "FlareEffect", 1.0);
    timings.Add(1.5f, "FlareEffect", 5.0);
    timings.Add(2.0f, "FlareEffect", 20.0);
    timings.Add(2.5f, "StadiumEffect", 7.0);
    // The same effect coming back later is a scene of its own.
    timings.Add(3.0f, "FlareEffect", 4.0);

    const auto& scenes = timings.Scenes();
    ASSERT_EQ(scenes.size(), 4u);
    EXPECT_EQ(scenes[1].name, "FlareEffect");
    EXPECT_FLOAT_EQ(scenes[1].songTimes.front(), 0.5f);
    EXPECT_FLOAT_EQ(scenes[1].songTimes.back(), 2.0f);
    EXPECT_DOUBLE_EQ(scenes[1].Median(), 7.0);  // even count: between 5 and 9
    EXPECT_DOUBLE_EQ(scenes[1].Worst(), 20.0);
    EXPECT_DOUBLE_EQ(scenes[2].Median(), 7.0);
    EXPECT_EQ(scenes[3].name, "FlareEffect");

    const std::string summary = timings.Summary();
    EXPECT_NE(summary.find("StadiumEffect"), std::string::npos);
    EXPECT_NE(summary.find("worst   20.00 ms"), std::string::npos) << summary;
}

TEST(FrameTimings, WritesOneRowPerFrameInOrder) {
    FrameTimings timings;
    timings.Add(0.25f, "A", 1.5);
    timings.Add(0.5f, "B", 2.25);
    const std::string path = (std::filesystem::temp_directory_path() / "tavrin-timings-test.csv").string();
    ASSERT_TRUE(timings.WriteCsv(path));
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text, "frame,song_time,scene,milliseconds\n0,0.2500,A,1.500\n1,0.5000,B,2.250\n");
    std::remove(path.c_str());
    EXPECT_FALSE(timings.WriteCsv("/nonexistent-directory/t.csv"));
}

}  // namespace
}  // namespace tavrin::record
