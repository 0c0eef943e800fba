#include "show_test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fstream>

#include "archive/zip_writer.h"
#include "music/output.h"
#include "music/xm_writer.h"

namespace tavrin {

HeadlessShow::HeadlessShow(const std::string& path) : archivePath(path) {}

ShowEnvironment HeadlessShow::Environment() {
    ShowEnvironment environment;
    environment.counter = &counter;
    environment.audio = &audio;
    environment.messages = &messages;
    environment.refill = RefillDriver::kCaller;
    environment.withWindow = false;
    environment.archivePath = archivePath;
    environment.reportError = [this](const char* caption, const char* text) {
        errors.emplace_back(caption, text);
    };
    return environment;
}

int HeadlessShow::FinishLoading(double seconds) {
    int passes = 0;
    while (show->phase() == Show::Phase::kLoading) {
        Pass(*show, seconds);
        ++passes;
    }
    return passes;
}

Show::Pass HeadlessShow::Pass(Show& target, double seconds) {
    counter.AdvanceSeconds(seconds);
    audio.Advance(static_cast<uint64_t>(seconds * kOutputRate));
    RefillPass();
    return target.RunPass();
}

std::string WriteTestArchive(
    const std::string& name,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
    ZipWriter writer;
    for (const auto& [entry, bytes] : entries) writer.Add(entry, bytes);
    const std::vector<uint8_t> archive = writer.Finish();
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    return path;
}

std::vector<uint8_t> SilentModule() {
    XmSongSpec song;
    song.name = "silence";
    song.orders = {0};
    song.patterns.push_back(XmPatternSpec{});
    return WriteXm(song);
}

std::vector<uint32_t> ReadBack(IDirect3DDevice8& device, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    device.ReadBackBuffer(pixels.data(), static_cast<UINT>(width * 4));
    return pixels;
}

bool SavePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
             int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in little-endian memory
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), width * 4, nullptr) != 0;
}

}  // namespace tavrin
