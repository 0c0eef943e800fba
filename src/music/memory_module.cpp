#include "music/memory_module.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

namespace {

struct MemoryFile {
    const uint8_t* data;
    int64_t size;
    int64_t position;
};

MemoryFile g_source{};

void* OpenSource(const char*) {
    return new MemoryFile{g_source.data, g_source.size, 0};
}

void CloseSource(void* handle) {
    delete static_cast<MemoryFile*>(handle);
}

uint32_t ReadSource(void* buffer, uint32_t byteCount, void* handle) {
    MemoryFile& file = *static_cast<MemoryFile*>(handle);
    if (file.position < 0 || file.position >= file.size) return 0;
    const uint32_t count =
        static_cast<uint32_t>(std::min<int64_t>(byteCount, file.size - file.position));
    std::memcpy(buffer, file.data + file.position, count);
    file.position += count;
    return count;
}

void SeekSource(void* handle, int32_t offset, uint8_t origin) {
    MemoryFile& file = *static_cast<MemoryFile*>(handle);
    if (origin == 0) file.position = offset;
    if (origin == 1) file.position += offset;
}

int32_t TellSource(void* handle) {
    return static_cast<int32_t>(static_cast<MemoryFile*>(handle)->position);
}

}  // namespace

XmModule* LoadModuleFromMemory(const uint8_t* data, size_t size) {
    const MusicFileCallbacks previous = CurrentFileCallbacks();
    g_source = {data, static_cast<int64_t>(std::min<size_t>(size, INT32_MAX)), 0};
    SetFileCallbacks(OpenSource, CloseSource, ReadSource, SeekSource, TellSource);
    XmModule* module = LoadModule("memory");
    SetFileCallbacks(previous.open, previous.close, previous.read, previous.seek, previous.tell);
    g_source = {};
    return module;
}

}  // namespace tavrin
