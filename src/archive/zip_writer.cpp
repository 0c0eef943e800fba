#include "archive/zip_writer.h"

#include <zlib.h>

#include <limits>
#include <optional>

#include "archive/zip_format.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

constexpr uint16_t kDosTime = 0;                               // 00:00:00
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;         // 1980-01-01
constexpr uint16_t kVersionStored = 10;
constexpr uint16_t kVersionDeflated = 20;
constexpr uint32_t kMaxField32 = std::numeric_limits<uint32_t>::max();
constexpr size_t kMaxField16 = std::numeric_limits<uint16_t>::max();

void PutBytes(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutString(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

// Raw deflate (no zlib header), as ZIP stores it.
std::optional<std::vector<uint8_t>> Deflate(std::span<const uint8_t> bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    std::vector<uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    const size_t produced = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    out.resize(produced);
    return out;
}

}  // namespace

ZipWriter::ZipWriter(std::vector<uint8_t> prefix) : prefix_(std::move(prefix)) {}

bool ZipWriter::Add(const std::string& name, std::span<const uint8_t> bytes, ZipMethod method,
                    bool dataDescriptor) {
    if (name.size() > kMaxField16 || entryCount_ == kMaxField16 || bytes.size() >= kMaxField32) return false;

    std::optional<std::vector<uint8_t>> deflated;
    if (method != ZipMethod::kStored) {
        deflated = Deflate(bytes);
        if (!deflated && method == ZipMethod::kDeflated) return false;
        if (deflated && method == ZipMethod::kSmallest && deflated->size() >= bytes.size()) deflated.reset();
    }
    const std::span<const uint8_t> data = deflated ? std::span<const uint8_t>(*deflated) : bytes;
    const uint16_t zipMethod = deflated ? zip::kMethodDeflated : zip::kMethodStored;
    const uint16_t version = deflated ? kVersionDeflated : kVersionStored;
    const uint16_t flags = dataDescriptor ? zip::kFlagDataDescriptor : 0;
    const uint32_t crc = static_cast<uint32_t>(
        crc32_z(crc32(0, nullptr, 0), bytes.data(), bytes.size()));
    const uint32_t compressedSize = static_cast<uint32_t>(data.size());
    const uint32_t size = static_cast<uint32_t>(bytes.size());

    const size_t localOffset = entries_.size();
    const size_t entryBytes = zip::kLocalHeaderSize + name.size() + data.size() + (dataDescriptor ? 16 : 0);
    const size_t directoryBytes = directory_.size() + zip::kCentralHeaderSize + name.size();
    if (localOffset + entryBytes + directoryBytes >= kMaxField32) return false;

    le::Append32(entries_, zip::kLocalHeaderSignature);
    le::Append16(entries_, version);
    le::Append16(entries_, flags);
    le::Append16(entries_, zipMethod);
    le::Append16(entries_, kDosTime);
    le::Append16(entries_, kDosDate);
    le::Append32(entries_, dataDescriptor ? 0 : crc);
    le::Append32(entries_, dataDescriptor ? 0 : compressedSize);
    le::Append32(entries_, dataDescriptor ? 0 : size);
    le::Append16(entries_, static_cast<uint32_t>(name.size()));
    le::Append16(entries_, 0);  // extra field length
    PutString(entries_, name);
    PutBytes(entries_, data);
    if (dataDescriptor) {
        le::Append32(entries_, zip::kDataDescriptorSignature);
        le::Append32(entries_, crc);
        le::Append32(entries_, compressedSize);
        le::Append32(entries_, size);
    }

    le::Append32(directory_, zip::kCentralHeaderSignature);
    le::Append16(directory_, version);  // made by: MS-DOS host, same version
    le::Append16(directory_, version);
    le::Append16(directory_, flags);
    le::Append16(directory_, zipMethod);
    le::Append16(directory_, kDosTime);
    le::Append16(directory_, kDosDate);
    le::Append32(directory_, crc);
    le::Append32(directory_, compressedSize);
    le::Append32(directory_, size);
    le::Append16(directory_, static_cast<uint32_t>(name.size()));
    le::Append16(directory_, 0);  // extra field length
    le::Append16(directory_, 0);  // comment length
    le::Append16(directory_, 0);  // disk number start
    le::Append16(directory_, 0);  // internal attributes
    le::Append32(directory_, 0);  // external attributes
    le::Append32(directory_, static_cast<uint32_t>(localOffset));
    PutString(directory_, name);
    ++entryCount_;
    return true;
}

void ZipWriter::SetComment(const std::string& comment) { comment_ = comment.substr(0, kMaxField16); }

std::vector<uint8_t> ZipWriter::Finish() {
    std::vector<uint8_t> out;
    out.reserve(prefix_.size() + entries_.size() + directory_.size() + zip::kEndRecordSize + comment_.size());
    PutBytes(out, prefix_);
    PutBytes(out, entries_);
    PutBytes(out, directory_);
    le::Append32(out, zip::kEndRecordSignature);
    le::Append16(out, 0);  // this disk
    le::Append16(out, 0);  // disk with the central directory
    le::Append16(out, entryCount_);
    le::Append16(out, entryCount_);
    le::Append32(out, static_cast<uint32_t>(directory_.size()));
    le::Append32(out, static_cast<uint32_t>(entries_.size()));
    le::Append16(out, static_cast<uint32_t>(comment_.size()));
    PutString(out, comment_);
    return out;
}

}  // namespace tavrin
