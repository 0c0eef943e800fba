#include "archive/music_files.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tavrin {
namespace {

DataArchive* gArchive = nullptr;

}  // namespace

void SetMusicArchive(DataArchive* archive) { gArchive = archive; }

DataArchive* MusicArchive() { return gArchive; }

void* FileOpen(const char* name) {
    auto* file = new MemoryFile;
    if (gArchive) file->size = gArchive->Load(name, &file->data);
    return file;
}

void FileClose(void* handle) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (!file) return;
    delete[] file->data;
    delete file;
}

uint32_t FileRead(void* buffer, uint32_t count, void* handle) {
    auto* file = static_cast<MemoryFile*>(handle);
    // A seek may have left the position before the start: nothing there to read.
    if (!file || file->position < 0 || static_cast<uint32_t>(file->position) >= file->size) return 0;
    const uint32_t n = std::min(count, file->size - static_cast<uint32_t>(file->position));
    std::memcpy(buffer, file->data + file->position, n);
    file->position += static_cast<int32_t>(n);
    return n;
}

void FileSeek(void* handle, int32_t offset, uint8_t origin) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (!file) return;
    int64_t base = 0;
    switch (origin) {
        case 0: base = 0; break;
        case 1: base = file->position; break;
        case 2: base = file->size; break;
        default: return;
    }
    // Wraps rather than overflows: an absurd offset lands somewhere reads refuse.
    file->position = static_cast<int32_t>(static_cast<uint32_t>(base + offset));
}

int32_t FileTell(void* handle) {
    auto* file = static_cast<MemoryFile*>(handle);
    return file ? file->position : 0;
}

}  // namespace tavrin
