#include "wav_file.h"

#include <cstdio>

namespace tavrin::xmtool {

namespace {

void Put16(std::FILE* file, uint32_t v) {
    std::fputc(static_cast<int>(v & 0xFF), file);
    std::fputc(static_cast<int>((v >> 8) & 0xFF), file);
}

void Put32(std::FILE* file, uint32_t v) {
    Put16(file, v);
    Put16(file, v >> 16);
}

}  // namespace

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int32_t rate) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::fputs("RIFF", file);
    Put32(file, 36 + dataBytes);
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
    // Little-endian hosts only, as the rest of the audio path.
    std::fwrite(samples.data(), sizeof(int16_t), samples.size(), file);
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

}  // namespace tavrin::xmtool
