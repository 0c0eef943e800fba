// The loader's handle on an open music file: every read, seek and tell goes to the callbacks.
#pragma once

#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

class MusicFile {
public:
    explicit MusicFile(const char* fileName);
    ~MusicFile();
    MusicFile(const MusicFile&) = delete;
    MusicFile& operator=(const MusicFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }

    // Fills byteCount bytes of buffer; bytes the file does not deliver read as 0.
    // Returns the number delivered.
    uint32_t Read(void* buffer, uint32_t byteCount);
    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();

    // Positions are kept within 0..INT32_MAX so the callbacks never see a negative position.
    void SeekTo(int64_t position);
    void Skip(int32_t byteCount);
    int32_t Tell();

    // True once a read came up short: the file has nothing more to give until a seek.
    bool Exhausted() const { return exhausted_; }

private:
    MusicFileCallbacks callbacks_;
    void* handle_ = nullptr;
    bool exhausted_ = false;
};

}  // namespace tavrin
