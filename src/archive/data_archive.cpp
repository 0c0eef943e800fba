#include "archive/data_archive.h"

#include <new>

#include "archive/zip_format.h"

namespace tavrin {
namespace {

constexpr uint32_t kNameBufferSize = 256;
// Deflate cannot expand data by more than this factor; larger claims cannot be read in full.
constexpr uint64_t kMaxDeflateRatio = 1032;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

// Whether the entry could possibly deliver its stated size from an archive of archiveSize bytes:
// a damaged header must not make us allocate gigabytes that the read would never fill.
bool SizeIsPlausible(const ArchiveEntry& entry, uint64_t archiveSize) {
    if (entry.compressedSize > archiveSize) return false;
    if (entry.method == 0) return entry.uncompressedSize <= entry.compressedSize;
    return entry.uncompressedSize <= kMaxDeflateRatio * (uint64_t{entry.compressedSize} + 1);
}

}  // namespace

bool ArchiveNameMatches(const char* requested, const char* stored) {
    // Names of 256 characters or more are told apart by their first 256 only.
    for (uint32_t i = 0; i < kNameBufferSize; ++i) {
        if (AsciiUpper(requested[i]) != AsciiUpper(stored[i])) return false;
        if (requested[i] == '\0') return true;
    }
    return true;
}

DataArchive::DataArchive(const std::string& path) : DataArchive(FileByteSource::Open(path)) {}

DataArchive::DataArchive(std::unique_ptr<ByteSource> source) : reader_(ZipOpen(std::move(source))) {
    ZipGlobalInfo info{};
    if (ZipGetGlobalInfo(reader_, &info) == ZipOk) {
        entryCount_ = info.entryCount;
        commentSize_ = info.commentSize;
        archiveSize_ = info.archiveSize;
    }
}

DataArchive::~DataArchive() {
    if (reader_) ZipClose(reader_);
}

uint32_t DataArchive::Load(const char* name, uint8_t** buffer) {
    if (!reader_ || !name || !buffer) return 0;

    ArchiveEntry entry{};
    bool found = false;
    ZipGoToFirstEntry(reader_);
    for (uint32_t i = 0; i < entryCount_ && !found; ++i) {
        // One byte beyond the compared 256 keeps the buffer terminated whatever the name's length.
        char entryName[kNameBufferSize + 1] = {};
        // A broken central directory ends the search rather than matching a stale name.
        if (ZipGetEntryInfo(reader_, &entry, entryName, kNameBufferSize, nullptr, 0, nullptr, 0) != ZipOk) break;
        found = ArchiveNameMatches(name, entryName);
        if (!found) ZipGoToNextEntry(reader_);
    }
    // An encrypted entry's bytes are not its file: it counts as missing.
    if (!found || (entry.flags & zip::kFlagEncrypted)) return 0;

    const uint32_t size = entry.uncompressedSize;
    *buffer = nullptr;
    if (size == 0 || !SizeIsPlausible(entry, archiveSize_)) return 0;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes) return 0;

    ZipOpenEntry(reader_);
    const int32_t read = ZipReadEntry(reader_, bytes.get(), size);
    ZipCloseEntry(reader_);  // a CRC mismatch is not acted on
    if (read < 0 || static_cast<uint32_t>(read) != size) return 0;
    *buffer = bytes.release();
    return size;
}

}  // namespace tavrin
