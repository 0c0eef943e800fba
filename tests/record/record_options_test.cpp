#include "record_options.h"

#include <gtest/gtest.h>

namespace tavrin::record {
namespace {

std::optional<RecordOptions> Parse(std::vector<std::string> arguments, std::string* error = nullptr) {
    const cli::CommandLine line = cli::ParseWords(kRecordProgram, arguments);
    std::string message = line.mistake;
    auto options = line.request == cli::CommandLine::Request::kRun ? RecordOptionsFrom(line.arguments, message)
                                                                    : std::nullopt;
    if (error) *error = message;
    return options;
}

TEST(RecordOptions, ReadsEveryOptionAndSortsStills) {
    const auto options = Parse({"--data", "x.data", "--fps", "30", "--to", "12.5", "--video",
                                "out.mp4", "--wav", "out.wav", "--still", "10,2.5,5", "--out", "dir",
                                "--timings", "t.csv"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->dataPath, "x.data");
    EXPECT_EQ(options->fps, 30);
    EXPECT_DOUBLE_EQ(*options->toSongTime, 12.5);
    EXPECT_EQ(options->videoPath, "out.mp4");
    EXPECT_EQ(options->wavPath, "out.wav");
    EXPECT_EQ(options->stillTimes, (std::vector<double>{2.5, 5, 10}));
    EXPECT_EQ(options->stillDirectory, "dir");
    EXPECT_EQ(options->timingsPath, "t.csv");
    // Timings alone are a recording too.
    EXPECT_TRUE(Parse({"--timings", "t.csv"}));
    EXPECT_EQ(options->videoPreset, "ultrafast");
    EXPECT_EQ(Parse({"--video", "v.mp4", "--preset", "slower"})->videoPreset, "slower");
}

TEST(RecordOptions, RefusesMistakesWithAReason) {
    std::string error;
    EXPECT_FALSE(Parse({}, &error));
    EXPECT_NE(error.find("nothing to record"), std::string::npos);
    EXPECT_FALSE(Parse({"--still", "1,2"}, &error));
    EXPECT_NE(error.find("--out"), std::string::npos);
    EXPECT_FALSE(Parse({"--wav", "a.wav", "--fps", "0"}, &error));
    EXPECT_FALSE(Parse({"--wav", "a.wav", "--fps", "29.97"}, &error));
    EXPECT_FALSE(Parse({"--wav", "a.wav", "--to", "-1"}, &error));
    EXPECT_FALSE(Parse({"--still", "1,,2", "--out", "d"}, &error));
    EXPECT_FALSE(Parse({"--still", "nan", "--out", "d"}, &error));
    EXPECT_FALSE(Parse({"--wav"}, &error));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    EXPECT_FALSE(Parse({"--video", "v.mp4", "--preset", "fastest; rm -rf"}, &error));
    EXPECT_NE(error.find("--preset"), std::string::npos);
    EXPECT_FALSE(Parse({"--bogus", "1"}, &error));
    EXPECT_NE(error.find("unknown option"), std::string::npos);
}

}  // namespace
}  // namespace tavrin::record
