#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tavrin {

// Random-access bytes under the archive reader: a file for the show, memory for tests and fuzzing.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly count bytes at position; false (with buffer contents unspecified) when the
    // range does not lie inside the source or the read fails.
    virtual bool ReadAt(uint64_t position, void* buffer, size_t count) = 0;
};

class FileByteSource final : public ByteSource {
public:
    // Null when the file cannot be opened or its size cannot be found.
    static std::unique_ptr<FileByteSource> Open(const std::string& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t position, void* buffer, size_t count) override;

private:
    FileByteSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    std::FILE* file_;
    uint64_t size_;
    uint64_t position_ = UINT64_MAX;  // where the stdio stream stands, to skip needless seeks
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t position, void* buffer, size_t count) override;

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace tavrin
