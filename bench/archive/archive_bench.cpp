// Loads every entry of a mixed archive of about 24 MB through DataArchive and compares the time
// with Info-ZIP's `unzip -p` extracting the same archive to /dev/null, both measured here.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "archive/data_archive.h"
#include "archive/zip_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

std::vector<uint8_t> Noise(size_t size, std::mt19937& random) {
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = static_cast<uint8_t>(random());
    return out;
}

std::vector<uint8_t> Text(size_t size, int seed) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "Scroller line " + std::to_string(line * seed) + ": greetings to everyone at the party\n";
    }
    text.resize(size);
    return {text.begin(), text.end()};
}

// A 24-bit picture: smooth gradients with a little grain, as textures compress.
std::vector<uint8_t> Picture(int width, int height, std::mt19937& random) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(static_cast<uint8_t>(x + (random() & 3)));
            out.push_back(static_cast<uint8_t>(y + (random() & 3)));
            out.push_back(static_cast<uint8_t>((x ^ y) >> 1));
        }
    }
    return out;
}

std::vector<std::string> WriteArchive(const std::filesystem::path& path) {
    std::mt19937 random(1234);
    tavrin::ZipWriter writer;
    std::vector<std::string> names;
    const auto add = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        writer.Add(name, bytes);
        names.push_back(name);
    };
    for (int i = 0; i < 16; ++i) add("Music/Sample" + std::to_string(i) + ".raw", Noise(1 << 20, random));
    for (int i = 0; i < 8; ++i) add("Text/Part" + std::to_string(i) + ".txt", Text(1 << 20, i + 1));
    for (int i = 0; i < 24; ++i) add("SkyBox/Face" + std::to_string(i) + ".bmp", Picture(512, 256, random));
    for (int i = 0; i < 200; ++i) add("Meshes/Part" + std::to_string(i) + ".x", Text(4000 + 37 * i, i));
    const auto bytes = writer.Finish();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    return names;
}

template <typename Work>
double BestSeconds(Work work) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    const auto path = std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(getpid()) + ".zip");
    const std::vector<std::string> names = WriteArchive(path);
    const double archiveMb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    uint64_t loadedBytes = 0;
    bool allLoaded = true;
    const double ours = BestSeconds([&] {
        tavrin::DataArchive archive(path.string());
        loadedBytes = 0;
        for (const std::string& name : names) {
            uint8_t* bytes = nullptr;
            const uint32_t size = archive.Load(name.c_str(), &bytes);
            allLoaded = allLoaded && size > 0;
            loadedBytes += size;
            delete[] bytes;
        }
    });
    const std::string unzip = "unzip -p '" + path.string() + "' > /dev/null";
    bool unzipOk = true;
    const double theirs = BestSeconds([&] { unzipOk = unzipOk && std::system(unzip.c_str()) == 0; });
    std::filesystem::remove(path);

    if (!allLoaded || !unzipOk) {
        std::fprintf(stderr, "archive_bench: %s failed\n", allLoaded ? "unzip" : "loading an entry");
        return 1;
    }
    std::printf("archive %.1f MB, %zu entries, %.1f MB of data, best of %d runs\n", archiveMb, names.size(),
                static_cast<double>(loadedBytes) / 1e6, kRuns);
    std::printf("DataArchive::Load of every entry  %8.1f ms\n", ours * 1e3);
    std::printf("unzip -p archive > /dev/null      %8.1f ms\n", theirs * 1e3);
    std::printf("ratio (ours / unzip)              %8.2f\n", ours / theirs);
    return 0;
}
