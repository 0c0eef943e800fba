#include "gfxutil/xfile_mszip.h"

#include <zlib.h>

#include <algorithm>

#include "bytes/little_endian.h"

namespace tavrin {
namespace {

constexpr size_t kHeaderSize = 16;         // the X file header, counted in the total size
constexpr size_t kWindow = 32768;          // deflate history carried from block to block
constexpr uint32_t kMaxBody = 256u << 20;  // a larger claim is taken for damage, not data

bool InflateBlock(std::span<const uint8_t> deflated, size_t inflatedSize,
                  std::vector<uint8_t>& body) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    const size_t history = std::min(body.size(), kWindow);
    if (history > 0 && inflateSetDictionary(&stream, body.data() + body.size() - history,
                                            static_cast<uInt>(history)) != Z_OK) {
        inflateEnd(&stream);
        return false;
    }
    const size_t start = body.size();
    body.resize(start + inflatedSize);
    stream.next_in = const_cast<Bytef*>(deflated.data());
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = body.data() + start;
    stream.avail_out = static_cast<uInt>(inflatedSize);
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    // The block must fill exactly its announced size.
    return (result == Z_STREAM_END || result == Z_OK || result == Z_BUF_ERROR) &&
           stream.avail_out == 0;
}

}  // namespace

bool InflateMsZip(std::span<const uint8_t> compressed, std::vector<uint8_t>& body,
                  std::string& error) {
    body.clear();
    if (compressed.size() < 4) {
        error = "compressed X file is missing its size";
        return false;
    }
    const uint32_t total = le::Read32(compressed.data());
    if (total < kHeaderSize || total - kHeaderSize > kMaxBody) {
        error = "compressed X file announces an impossible size";
        return false;
    }
    const size_t expected = total - kHeaderSize;
    size_t pos = 4;
    while (body.size() < expected) {
        if (pos + 6 > compressed.size()) {
            error = "compressed X data ends early";
            return false;
        }
        const size_t inflatedSize = le::Read16(&compressed[pos]);
        const size_t storedSize = le::Read16(&compressed[pos + 2]);
        pos += 4;
        if (storedSize < 2 || pos + storedSize > compressed.size() || compressed[pos] != 'C' ||
            compressed[pos + 1] != 'K') {
            error = "compressed X block is damaged";
            return false;
        }
        if (inflatedSize == 0 || inflatedSize > expected - body.size() ||
            !InflateBlock(compressed.subspan(pos + 2, storedSize - 2), inflatedSize, body)) {
            error = "compressed X block does not inflate to its size";
            return false;
        }
        pos += storedSize;
    }
    return true;
}

}  // namespace tavrin
