#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "archive/byte_source.h"
#include "archive/data_archive.h"
#include "archive/zip_writer.h"

namespace tavrin::test {

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Incompressible bytes, reproducible from the seed.
inline std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = static_cast<uint8_t>(random());
    return out;
}

// Text that deflate shrinks well.
inline std::vector<uint8_t> TextBytes(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) text += "line " + std::to_string(line) + " of the scroller\n";
    text.resize(size);
    return Bytes(text);
}

inline std::unique_ptr<ByteSource> InMemory(std::vector<uint8_t> bytes) {
    return std::make_unique<MemoryByteSource>(std::move(bytes));
}

// Loads name and hands back its bytes; empty on failure.
inline std::vector<uint8_t> LoadAll(DataArchive& archive, const char* name) {
    uint8_t* data = nullptr;
    const uint32_t size = archive.Load(name, &data);
    std::vector<uint8_t> out(data, data + size);
    delete[] data;
    return out;
}

inline void Put32At(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A scratch folder that disappears with the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavrin-archive-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    void Write(const std::string& name, std::span<const uint8_t> bytes) const {
        const auto file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<uint8_t> Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Runs a shell command inside the folder; true when it exits with 0.
    bool Run(const std::string& command) const {
        const std::string line = "cd '" + path_.string() + "' && " + command;
        return std::system(line.c_str()) == 0;
    }

private:
    std::filesystem::path path_;
};

}  // namespace tavrin::test
