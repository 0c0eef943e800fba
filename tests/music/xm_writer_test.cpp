// Files the writer makes must load in other trackers, not only in ours.
#include <gtest/gtest.h>
#include <xmp.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "song_fixtures.h"

namespace tavrin::testing {
namespace {

TEST(XmWriter, LibxmpReadsTheSongAsWritten) {
    const XmSongSpec song = EveryEffectSong();
    std::vector<uint8_t> file = WriteXm(song);
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, file.data(), static_cast<long>(file.size())), 0);
    xmp_module_info info{};
    xmp_get_module_info(context, &info);
    const xmp_module& m = *info.mod;
    EXPECT_EQ(m.chn, song.channelCount);
    EXPECT_GE(m.pat, static_cast<int>(song.patterns.size()));  // libxmp adds a blank one
    EXPECT_EQ(m.xxp[3]->rows, 64);
    EXPECT_EQ(m.len, static_cast<int>(song.orders.size()));
    EXPECT_EQ(m.rst, song.restartPosition);
    EXPECT_EQ(m.ins, static_cast<int>(song.instruments.size()));
    EXPECT_EQ(m.bpm, song.bpm);
    EXPECT_EQ(m.spd, song.speed);
    ASSERT_EQ(m.smp, 4);
    const XmSampleSpec& pad = song.instruments[1].samples[0];
    EXPECT_EQ(m.xxs[1].len, static_cast<int>(pad.pcm.size()));
    EXPECT_EQ(m.xxs[1].lps, static_cast<int>(pad.loopStart));
    EXPECT_EQ(m.xxs[1].lpe, static_cast<int>(pad.loopStart + pad.loopLength));
    EXPECT_TRUE(m.xxs[1].flg & XMP_SAMPLE_LOOP_BIDIR);
    EXPECT_FALSE(m.xxs[1].flg & XMP_SAMPLE_16BIT);
    const XmSampleSpec& lead = song.instruments[0].samples[0];
    ASSERT_TRUE(m.xxs[0].flg & XMP_SAMPLE_16BIT);
    const int16_t* decoded = reinterpret_cast<const int16_t*>(m.xxs[0].data);
    EXPECT_TRUE(std::equal(lead.pcm.begin(), lead.pcm.end(), decoded));
    xmp_release_module(context);
    xmp_free_context(context);
}

TEST(XmWriter, LibopenmptReadsTheSongAsWritten) {
    const XmSongSpec song = EveryEffectSong();
    openmpt::module module(WriteXm(song));
    EXPECT_EQ(module.get_metadata("type"), "xm");
    EXPECT_EQ(module.get_num_channels(), song.channelCount);
    EXPECT_EQ(module.get_num_orders(), static_cast<int>(song.orders.size()));
    EXPECT_EQ(module.get_num_patterns(), static_cast<int>(song.patterns.size()));
    EXPECT_EQ(module.get_num_instruments(), static_cast<int>(song.instruments.size()));
    EXPECT_EQ(module.get_pattern_num_rows(0), 64);
    EXPECT_GT(module.get_duration_seconds(), 20.0);
    // OpenMPT counts octaves from one: our C-4 is its C-5.
    EXPECT_EQ(module.format_pattern_row_channel(0, 0, 2, 0, false), "C-5 01 .. 037");
}

TEST(XmWriter, ToolRendersAWavOfTheSongsLength) {
    const std::string xm = ::testing::TempDir() + "tool_song.xm";
    const std::string wav = ::testing::TempDir() + "tool_song.wav";
    const std::vector<uint8_t> bytes = WriteXm(EveryEffectSong());
    std::ofstream(xm, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const std::string command = std::string(TAVRIN_BIN_DIR) + "/tavrin-xm render " + xm + " " +
                                wav + " --seconds 2.5 > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(wav, std::ios::binary);
    std::vector<char> header(44);
    in.read(header.data(), 44);
    ASSERT_EQ(std::string(header.data(), 4), "RIFF");
    uint32_t dataBytes = 0;
    std::memcpy(&dataBytes, header.data() + 40, 4);
    EXPECT_EQ(dataBytes, 110250u * 4);
}

}  // namespace
}  // namespace tavrin::testing
