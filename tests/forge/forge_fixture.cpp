#include "forge_fixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "archive/data_archive.h"

namespace tavrin::forge::test {

std::string BuiltArchivePath() { return std::string(TAVRIN_BIN_DIR) + "/Tavrin.data"; }

std::vector<uint8_t> LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> LoadEntry(const std::string& name) {
    DataArchive archive(BuiltArchivePath());
    uint8_t* buffer = nullptr;
    const uint32_t size = archive.Load(name.c_str(), &buffer);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    delete[] buffer;
    return bytes;
}

bool DecodeEntry(const std::string& name, tavrin::Image& image) {
    const std::vector<uint8_t> bytes = LoadEntry(name);
    std::string error;
    if (bytes.empty()) {
        ADD_FAILURE() << name << " is missing from " << BuiltArchivePath();
        return false;
    }
    if (!DecodeImage(bytes, image, error)) {
        ADD_FAILURE() << name << ": " << error;
        return false;
    }
    return true;
}

forge::Canvas ToCanvas(const tavrin::Image& image) {
    forge::Canvas out(static_cast<int>(image.width), static_cast<int>(image.height));
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t argb = image.At(x, y);
            out.At(static_cast<int>(x), static_cast<int>(y)) = {((argb >> 16) & 255) / 255.0, ((argb >> 8) & 255) / 255.0,
                                                                (argb & 255) / 255.0, (argb >> 24) / 255.0};
        }
    }
    return out;
}

const std::vector<std::string>& ShowImageNames() {
    static const std::vector<std::string> names{
        "BlueEnv.bmp",      "FussballEnv.tga",   "Outline_Bunt.tga", "Flare.bmp",
        "SphereBump.bmp",   "SkyBox/Front.jpg",  "SkyBox/Right.jpg", "SkyBox/Back.jpg",
        "SkyBox/Left.jpg",  "SkyBox/Top.jpg",    "SkyBox/Bottom.jpg"};
    return names;
}

const std::vector<std::string>& ShowMeshNames() {
    static const std::vector<std::string> names{"Stadion.x", "Fussball.x", "Pokal3.x"};
    return names;
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

}  // namespace tavrin::forge::test
