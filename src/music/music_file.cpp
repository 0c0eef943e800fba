#include "music/music_file.h"

#include <climits>
#include <cstring>

#include "bytes/little_endian.h"
namespace tavrin {

namespace {

MusicFileCallbacks g_callbacks{};

}  // namespace

void SetFileCallbacks(MusicFileOpen open, MusicFileClose close, MusicFileRead read,
                      MusicFileSeek seek, MusicFileTell tell) {
    if (!open || !close || !read || !seek || !tell) {
        g_callbacks = {};
        return;
    }
    g_callbacks = {open, close, read, seek, tell};
}

MusicFileCallbacks CurrentFileCallbacks() {
    return g_callbacks;
}

bool FileCallbacksComplete() {
    return g_callbacks.open != nullptr;
}

MusicFile::MusicFile(const char* fileName) : callbacks_(g_callbacks) {
    if (callbacks_.open && fileName) handle_ = callbacks_.open(fileName);
}

MusicFile::~MusicFile() {
    if (handle_) callbacks_.close(handle_);
}

uint32_t MusicFile::Read(void* buffer, uint32_t byteCount) {
    std::memset(buffer, 0, byteCount);
    if (!handle_ || byteCount == 0) return 0;
    uint32_t delivered = callbacks_.read(buffer, byteCount, handle_);
    if (delivered > byteCount) delivered = byteCount;  // a misbehaving reader cannot overstate
    if (delivered < byteCount) exhausted_ = true;
    return delivered;
}

uint8_t MusicFile::ReadU8() {
    uint8_t value;
    Read(&value, 1);
    return value;
}

uint16_t MusicFile::ReadU16() {
    uint8_t bytes[2];
    Read(bytes, 2);
    return le::Read16(bytes);
}

uint32_t MusicFile::ReadU32() {
    uint8_t bytes[4];
    Read(bytes, 4);
    return le::Read32(bytes);
}

void MusicFile::SeekTo(int64_t position) {
    if (!handle_) return;
    if (position < 0) position = 0;
    if (position > INT32_MAX) position = INT32_MAX;
    callbacks_.seek(handle_, static_cast<int32_t>(position), 0);
    exhausted_ = false;
}

void MusicFile::Skip(int32_t byteCount) {
    SeekTo(static_cast<int64_t>(Tell()) + byteCount);
}

int32_t MusicFile::Tell() {
    return handle_ ? callbacks_.tell(handle_) : 0;
}

}  // namespace tavrin
