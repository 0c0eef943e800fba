#include "wav_file.h"

#include <limits>

#include "bytes/little_endian.h"

namespace tavrin::xmtool {

namespace {

constexpr uint32_t kHeaderBytes = 44;

void Put16(std::FILE* file, uint32_t v) {
    uint8_t bytes[2];
    le::Store16(bytes, v);
    std::fwrite(bytes, 1, sizeof bytes, file);
}

void Put32(std::FILE* file, uint32_t v) {
    uint8_t bytes[4];
    le::Store32(bytes, v);
    std::fwrite(bytes, 1, sizeof bytes, file);
}

void PutHeader(std::FILE* file, int32_t rate, uint32_t dataBytes) {
    std::fputs("RIFF", file);
    Put32(file, kHeaderBytes - 8 + dataBytes);
    std::fputs("WAVEfmt ", file);
    Put32(file, 16);
    Put16(file, 1);  // PCM
    Put16(file, 2);
    Put32(file, static_cast<uint32_t>(rate));
    Put32(file, static_cast<uint32_t>(rate) * 4);
    Put16(file, 4);
    Put16(file, 16);
    std::fputs("data", file);
    Put32(file, dataBytes);
}

}  // namespace

WavFile::WavFile(const std::string& path, int32_t rate) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_) PutHeader(file_, rate, 0);
}

WavFile::~WavFile() {
    if (file_) std::fclose(file_);
}

bool WavFile::Append(const int16_t* pcm, int32_t frames) {
    if (!file_ || failed_) return false;
    // Little-endian hosts only, as the rest of the audio path.
    const size_t values = 2 * static_cast<size_t>(frames);
    failed_ = std::fwrite(pcm, sizeof(int16_t), values, file_) != values;
    dataBytes_ += values * sizeof(int16_t);
    // The header's sizes are 32-bit.
    failed_ = failed_ || dataBytes_ > std::numeric_limits<uint32_t>::max() - kHeaderBytes;
    return !failed_;
}

bool WavFile::Finish() {
    if (!file_) return false;
    bool written = !failed_ && std::fseek(file_, 4, SEEK_SET) == 0;
    if (written) {
        Put32(file_, static_cast<uint32_t>(kHeaderBytes - 8 + dataBytes_));
        written = std::fseek(file_, kHeaderBytes - 4, SEEK_SET) == 0;
    }
    if (written) Put32(file_, static_cast<uint32_t>(dataBytes_));
    written = written && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return written && closed;
}

}  // namespace tavrin::xmtool
