#include "capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "d3d/gl_device.h"
#include "music/music_player.h"
#include "music/output_ring.h"
#include "music/output_state.h"
#include "music/song_clock.h"
#include "recorder.h"

namespace tavrin::record {
namespace {

const char* const kArchive = TAVRIN_BIN_DIR "/Tavrin.data";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs frames until the song time reaches `songTime` in the main loop.
void RunTo(Capture& capture, float songTime) {
    while (!(capture.inMainLoop() && capture.songTime() >= songTime)) {
        ASSERT_TRUE(capture.Step());
    }
}

// The GL state a draw hands the driver, as far as a software renderer compiles code for it: the
// program, blending, depth, culling and colour mask, the target's formats, what each sampled unit
// holds (its kind, format, whether its sides are powers of two, its filters and wrapping) and the
// vertex attributes' formats and places. Object names and sizes are left out: they change
// nothing compiled.
std::string DrawStateSignature() {
    auto integer = [](GLenum name) {
        GLint value[4] = {};
        glGetIntegerv(name, value);
        return value[0];
    };
    std::string signature;
    auto add = [&signature](const char* name, GLint value) {
        signature += name;
        signature += '=' + std::to_string(value) + ' ';
    };
    const GLint program = integer(GL_CURRENT_PROGRAM);
    add("program", program);
    // Settings of a switched-off stage change nothing.
    if (glIsEnabled(GL_BLEND)) {
        add("src", integer(GL_BLEND_SRC_RGB));
        add("dst", integer(GL_BLEND_DST_RGB));
        add("srcA", integer(GL_BLEND_SRC_ALPHA));
        add("dstA", integer(GL_BLEND_DST_ALPHA));
        add("op", integer(GL_BLEND_EQUATION_RGB));
    }
    if (glIsEnabled(GL_DEPTH_TEST)) {
        add("depthWrite", integer(GL_DEPTH_WRITEMASK));
        add("depthFunc", integer(GL_DEPTH_FUNC));
    }
    if (glIsEnabled(GL_CULL_FACE)) add("cullFace", integer(GL_CULL_FACE_MODE));
    GLint polygonMode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    add("fill", polygonMode[0]);
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    add("mask", mask[0] | mask[1] << 1 | mask[2] << 2 | mask[3] << 3);
    GLint alphaBits = 0, depthType = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &alphaBits);
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
    add("targetAlpha", alphaBits);
    add("targetDepth", depthType);

    // The units the program samples: those its active sampler uniforms name.
    GLint uniforms = 0;
    glGetProgramiv(static_cast<GLuint>(program), GL_ACTIVE_UNIFORMS, &uniforms);
    const GLint activeUnit = integer(GL_ACTIVE_TEXTURE);
    for (GLint index = 0; index < uniforms; ++index) {
        GLchar name[64];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(static_cast<GLuint>(program), static_cast<GLuint>(index), sizeof name,
                           nullptr, &size, &type, name);
        if (type != GL_SAMPLER_2D && type != GL_SAMPLER_CUBE) continue;
        GLint unit = 0;
        glGetUniformiv(static_cast<GLuint>(program),
                       glGetUniformLocation(static_cast<GLuint>(program), name), &unit);
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        const bool cube = type == GL_SAMPLER_CUBE;
        const GLenum level = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : GL_TEXTURE_2D;
        GLint width = 0, height = 0, format = 0, levels = 0;
        glGetTexLevelParameteriv(level, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(level, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexLevelParameteriv(level, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &levels);
        const auto sampler = static_cast<GLuint>(integer(GL_SAMPLER_BINDING));
        GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
        glGetSamplerParameteriv(sampler, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetSamplerParameteriv(sampler, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetSamplerParameteriv(sampler, GL_TEXTURE_WRAP_S, &wrapS);
        glGetSamplerParameteriv(sampler, GL_TEXTURE_WRAP_T, &wrapT);
        auto powerOfTwo = [](GLint side) { return side > 0 && (side & (side - 1)) == 0; };
        signature += "| unit " + std::to_string(unit) + ' ';
        add("cube", cube);
        add("format", format);
        add("pot", powerOfTwo(width) && powerOfTwo(height));
        add("mips", levels > 0);
        add("min", minFilter);
        add("mag", magFilter);
        add("wrapS", wrapS);
        add("wrapT", wrapT);
    }
    glActiveTexture(static_cast<GLenum>(activeUnit));

    signature += "| vertices ";
    uintptr_t first = UINTPTR_MAX;
    struct Attribute {
        GLint size, type, normalized, stride;
        uintptr_t at;
    };
    std::vector<std::pair<GLuint, Attribute>> attributes;
    for (GLuint location = 0; location < 8; ++location) {
        GLint enabled = 0;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        if (enabled == 0) continue;
        Attribute attribute{};
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &attribute.size);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &attribute.type);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &attribute.normalized);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &attribute.stride);
        void* pointer = nullptr;
        glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
        attribute.at = reinterpret_cast<uintptr_t>(pointer);
        first = std::min(first, attribute.at);
        attributes.emplace_back(location, attribute);
    }
    for (const auto& [location, attribute] : attributes) {
        signature += std::to_string(location) + ':' + std::to_string(attribute.size) + '/' +
                     std::to_string(attribute.type) + '/' + std::to_string(attribute.normalized) +
                     '/' + std::to_string(attribute.stride) + '@' +
                     std::to_string(attribute.at - first) + ' ';
    }
    return signature;
}

// Every program the show draws with is built, and every draw state drawn, while the loading
// screen holds: no frame of any scene, the metaball passage or the random picks under the scroller
// builds a program or waits for the driver to compile code for a state it has not drawn before
// (the flare's base layer, for one, draws with whatever states the frame before left), even when
// the loading screen has fewer passes than there are effects to rehearse.
TEST(Capture, NothingIsBuiltOrFirstDrawnAfterLoading) {
    constexpr int kFps = 1;
    Capture capture(kArchive, kFps);
    ASSERT_TRUE(capture.Start());
    auto* device = dynamic_cast<d3d::Device*>(capture.show().display()->device);
    ASSERT_NE(device, nullptr);
    std::set<std::string> drawn;
    std::vector<std::string> newAfterLoading;
    bool loading = true;
    device->SetDrawObserver([&] {
        const std::string signature = DrawStateSignature();
        if (drawn.insert(signature).second && !loading) {
            newAfterLoading.push_back("at song time " + std::to_string(capture.songTime()) + " in " +
                                      capture.SceneName() + ": " + signature);
        }
    });
    while (!capture.inMainLoop()) ASSERT_TRUE(capture.Step());
    loading = false;
    const size_t afterLoading = device->programCount();
    EXPECT_GT(afterLoading, 5u);
    EXPECT_GT(drawn.size(), 10u);
    while (capture.songTime() < 205.0f) {
        ASSERT_TRUE(capture.Step());
        ASSERT_EQ(device->programCount(), afterLoading)
            << "a program was built at song time " << capture.songTime() << " for "
            << capture.SceneName();
    }
    device->SetDrawObserver(nullptr);
    for (const std::string& state : newAfterLoading) ADD_FAILURE() << "first drawn " << state;
}

TEST(Capture, SoundAndPictureStayInStep) {
    constexpr int kFps = 10;
    Capture capture(kArchive, kFps);
    ASSERT_TRUE(capture.Start());
    uint64_t soundFrames = 0;
    int checkedFrames = 0;
    while (!(capture.inMainLoop() && capture.songTime() >= 60.0f)) {
        // The song time a pass reads is the stamp of the block the cursor is in at that moment.
        const XmModule* module = capture.show().music()->Module();
        const bool playing = PlayingModule() != nullptr;
        const float expected = playing ? SongSeconds(PlayedMilliseconds(module)) : 0.0f;
        if (playing) {
            const OutputRing* ring = PlayingRing();
            const OutputConfig& config = ring->Config();
            const uint64_t cursorBlock =
                capture.audio().PositionBytes() / 4 / static_cast<uint64_t>(config.blockFrames);
            ASSERT_EQ(ring->ReportedIndex(), static_cast<int32_t>(cursorBlock % config.blockCount));
        }
        ASSERT_TRUE(capture.Step());
        if (capture.inMainLoop()) {
            ASSERT_EQ(capture.songTime(), expected) << "frame " << capture.frameIndex();
            ++checkedFrames;
        }
        soundFrames += capture.FrameSound().size() / 2;
        // After k frames the sound holds exactly k * 44100 / fps frames.
        ASSERT_EQ(soundFrames, static_cast<uint64_t>(capture.frameIndex()) * 44100 / kFps);
    }
    EXPECT_GT(checkedFrames, 55 * kFps);
}

TEST(Capture, FramesShowTheFlashOfTheirSongTime) {
    Capture capture(kArchive, 30);
    ASSERT_TRUE(capture.Start());
    ASSERT_TRUE(capture.Step());
    EXPECT_EQ(capture.SceneName(), "loading screen");
    RunTo(capture, 2.0f);
    EXPECT_EQ(capture.SceneName(), "FlareEffect");
    const std::vector<uint32_t>& black = capture.ReadFrame();
    for (uint32_t pixel : black) ASSERT_EQ(pixel & 0xFFFFFF, 0u);

    RunTo(capture, 8.36f);
    const std::vector<uint32_t>& white = capture.ReadFrame();
    int nearWhite = 0;
    for (uint32_t pixel : white) {
        if (((pixel >> 16) & 0xFF) > 0xF0 && ((pixel >> 8) & 0xFF) > 0xF0 && (pixel & 0xFF) > 0xF0) {
            ++nearWhite;
        }
    }
    EXPECT_GT(nearWhite, static_cast<int>(white.size() * 9 / 10));
}

// Data whose music cannot play leaves the song clock at 0: the recording must stop with a
// failure instead of waiting for a song time that never comes.
TEST(Recorder, StopsWhenTheMusicCannotPlay) {
    const auto root = std::filesystem::temp_directory_path() / "tavrin-record-silent";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    const std::string empty = (root / "empty.data").string();
    std::ofstream(empty, std::ios::binary) << "not an archive";
    RecordOptions options;
    options.dataPath = empty;
    options.fps = 10;
    options.stillTimes = {1.0};
    options.stillDirectory = (root / "stills").string();
    EXPECT_EQ(Record(options), 1);
    options.stillTimes.clear();
    options.wavPath = (root / "sound.wav").string();
    options.toSongTime = 2.0;
    EXPECT_EQ(Record(options), 1);
}

TEST(Recorder, TwoRunsWriteIdenticalStillsAndSound) {
    const auto root = std::filesystem::temp_directory_path() / "tavrin-record-test";
    std::filesystem::remove_all(root);
    for (const char* run : {"a", "b"}) {
        RecordOptions options;
        options.dataPath = kArchive;
        options.fps = 10;
        options.stillTimes = {0.5, 9.0};
        options.stillDirectory = (root / run).string();
        options.wavPath = (root / run / "sound.wav").string();
        options.toSongTime = 9.5;
        ASSERT_EQ(Record(options), 0);
    }
    for (const std::string& name : {StillName(0.5), StillName(9.0), std::string("contact.png"),
                                   std::string("sound.wav")}) {
        const std::string a = ReadFile(root / "a" / name), b = ReadFile(root / "b" / name);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between runs";
    }
    // The WAV covers every recorded frame: loading silence and the song up to 9.5 s.
    const std::string wav = ReadFile(root / "a" / "sound.wav");
    const size_t frames = (wav.size() - 44) / 4;
    EXPECT_EQ(frames % 4410, 0u);  // whole frames at 10 fps
    EXPECT_GT(frames, static_cast<size_t>(44100 * 13));  // 4 s of loading + 9.5 s of song
    EXPECT_LT(frames, static_cast<size_t>(44100 * 15));
    std::filesystem::remove_all(root);
}

// ffprobe's "key=value" lines for the streams and the container of a media file.
std::string Probe(const std::filesystem::path& path) {
    const std::string command =
        "ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,r_frame_rate,"
        "nb_frames,sample_rate,channels -show_entries format=duration -of default=noprint_wrappers=1 '" +
        path.string() + "'";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        pclose(pipe);
    }
    return text;
}

double ProbedNumber(const std::string& probe, const std::string& key) {
    const size_t at = probe.find(key + "=");
    return at == std::string::npos ? -1.0 : std::strtod(probe.c_str() + at + key.size() + 1, nullptr);
}

TEST(Recorder, VideoHoldsEveryFrameAtTheRequestedRateWithItsSound) {
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
    const auto root = std::filesystem::temp_directory_path() / "tavrin-video-test";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    RecordOptions options;
    options.dataPath = kArchive;
    options.fps = 30;
    options.toSongTime = 2.0;
    options.videoPath = (root / "show.mp4").string();
    options.wavPath = (root / "show.wav").string();
    ASSERT_EQ(Record(options), 0);

    const size_t soundFrames = (ReadFile(root / "show.wav").size() - 44) / 4;
    const size_t pictureFrames = soundFrames / (44100 / 30);
    EXPECT_GT(pictureFrames, 30u * 6 - 3);  // 4 s of loading and 2 s of song

    const std::string probe = Probe(options.videoPath);
    EXPECT_NE(probe.find("codec_type=video"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_type=audio"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NE(probe.find("r_frame_rate=30/1"), std::string::npos) << probe;
    EXPECT_EQ(ProbedNumber(probe, "width"), 800);
    EXPECT_EQ(ProbedNumber(probe, "height"), 600);
    EXPECT_EQ(ProbedNumber(probe, "nb_frames"), static_cast<double>(pictureFrames)) << probe;
    EXPECT_EQ(ProbedNumber(probe, "sample_rate"), 44100);
    EXPECT_EQ(ProbedNumber(probe, "channels"), 2);
    // The container lasts as long as the picture, give or take the sound encoder's last packet.
    EXPECT_NEAR(ProbedNumber(probe, "duration"), pictureFrames / 30.0, 0.05) << probe;
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tavrin::record
