#include "wav_writer.h"

#include <cstring>

#include "bytes/little_endian.h"

namespace tavrin::record {
namespace {

void Header(uint8_t* h, int rate, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    le::Store32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    le::Store32(h + 16, 16);
    le::Store16(h + 20, 1);  // PCM
    le::Store16(h + 22, 2);
    le::Store32(h + 24, static_cast<uint32_t>(rate));
    le::Store32(h + 28, static_cast<uint32_t>(rate) * 4);
    le::Store16(h + 32, 4);
    le::Store16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    le::Store32(h + 40, dataBytes);
}

}  // namespace

WavWriter::~WavWriter() { Close(); }

bool WavWriter::Open(const std::string& path, int rate) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    dataBytes_ = 0;
    failed_ = false;
    uint8_t header[44];
    Header(header, rate, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) failed_ = true;
    return !failed_;
}

bool WavWriter::Append(const std::vector<int16_t>& interleaved) {
    if (!file_) return false;
    // WAVE samples are little-endian, as this machine's are.
    const size_t bytes = interleaved.size() * sizeof(int16_t);
    if (std::fwrite(interleaved.data(), 1, bytes, file_) != bytes) failed_ = true;
    dataBytes_ += bytes;
    return !failed_;
}

bool WavWriter::Close() {
    if (!file_) return !failed_;
    // A RIFF size field holds 32 bits; longer recordings than that keep the maximum.
    const uint32_t size = dataBytes_ > 0xFFFFFFD0u ? 0xFFFFFFD0u : static_cast<uint32_t>(dataBytes_);
    uint8_t sizes[4];
    le::Store32(sizes, 36 + size);
    if (std::fseek(file_, 4, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
    le::Store32(sizes, size);
    if (std::fseek(file_, 40, SEEK_SET) != 0 || std::fwrite(sizes, 1, 4, file_) != 4) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

}  // namespace tavrin::record
