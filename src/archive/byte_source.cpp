#include "archive/byte_source.h"

#include <cstring>

namespace tavrin {
namespace {

bool InRange(uint64_t position, size_t count, uint64_t size) {
    return position <= size && count <= size - position;
}

}  // namespace

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    const off_t size = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
    if (size < 0) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(new FileByteSource(file, static_cast<uint64_t>(size)));
}

FileByteSource::~FileByteSource() { std::fclose(file_); }

bool FileByteSource::ReadAt(uint64_t position, void* buffer, size_t count) {
    if (!InRange(position, count, size_)) return false;
    if (position != position_ && fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) {
        position_ = UINT64_MAX;
        return false;
    }
    const size_t got = std::fread(buffer, 1, count, file_);
    position_ = got == count ? position + count : UINT64_MAX;
    return got == count;
}

bool MemoryByteSource::ReadAt(uint64_t position, void* buffer, size_t count) {
    if (!InRange(position, count, bytes_.size())) return false;
    if (count > 0) std::memcpy(buffer, bytes_.data() + position, count);
    return true;
}

}  // namespace tavrin
