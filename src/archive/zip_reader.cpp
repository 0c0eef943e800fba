#include "archive/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "archive/zip_format.h"

namespace tavrin {

namespace {

constexpr uint32_t kInputBufferSize = 16384;
constexpr uint32_t kSearchWindow = 1024;
constexpr uint32_t kMaxSearchBack = 0xFFFF;

}  // namespace

struct EntryReader {
    ~EntryReader() {
        if (inflateInitialised) inflateEnd(&stream);
    }

    std::unique_ptr<uint8_t[]> input;
    z_stream stream{};
    bool inflateInitialised = false;
    uint32_t dataPosition = 0;
    uint32_t runningCrc = 0;
    uint32_t expectedCrc = 0;
    uint32_t compressedLeft = 0;
    uint32_t uncompressedLeft = 0;
    uint32_t method = 0;
};

struct ZipReader {
    std::unique_ptr<ByteSource> source;
    uint32_t entryCount = 0;
    uint32_t commentSize = 0;
    uint32_t prefix = 0;
    uint32_t currentEntryNumber = 0;
    uint32_t currentCentralPosition = 0;
    bool currentEntryValid = false;
    uint32_t endRecordPosition = 0;
    uint32_t centralDirectorySize = 0;
    uint32_t centralDirectoryOffset = 0;
    ArchiveEntry currentEntry{};
    uint32_t currentLocalHeaderOffset = 0;
    std::unique_ptr<EntryReader> entryReader;
};

namespace {

// Position of the end-of-central-directory record, searched backwards from the end in windows that
// overlap by four bytes so a signature is never split; 0 when there is none.
uint64_t FindEndRecord(ByteSource& source) {
    const uint64_t size = source.Size();
    const uint64_t maxBack = std::min<uint64_t>(kMaxSearchBack, size);
    std::array<uint8_t, kSearchWindow + 4> window;
    uint64_t back = 4;
    while (back < maxBack) {
        back = std::min(back + kSearchWindow, maxBack);
        const uint64_t readPos = size - back;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(window.size(), size - readPos));
        if (!source.ReadAt(readPos, window.data(), length)) return 0;
        for (size_t i = length - 4 + 1; i-- > 0;) {
            if (zip::ReadLe32(&window[i]) == zip::kEndRecordSignature) return readPos + i;
        }
    }
    return 0;
}

// Reads a variable field of a central header into a caller's buffer: a zero goes after the field
// when the buffer has room for it, and at most bufferSize bytes are filled.
bool ReadField(ByteSource& source, uint64_t position, uint16_t fieldLength, void* buffer, uint32_t bufferSize) {
    if (!buffer) return true;
    if (fieldLength < bufferSize) static_cast<uint8_t*>(buffer)[fieldLength] = 0;
    return source.ReadAt(position, buffer, std::min<uint32_t>(fieldLength, bufferSize));
}

int32_t ReadCentralHeader(ZipReader& zip, ArchiveEntry* entryOut, uint32_t* localOffsetOut, char* name,
                          uint32_t nameSize, uint8_t* extra, uint32_t extraSize, char* comment,
                          uint32_t commentSize) {
    const uint64_t position = uint64_t{zip.currentCentralPosition} + zip.prefix;
    uint8_t header[zip::kCentralHeaderSize];
    if (!zip.source->ReadAt(position, header, 4)) return ZipIoError;
    if (zip::ReadLe32(header) != zip::kCentralHeaderSignature) return ZipBadArchive;
    if (!zip.source->ReadAt(position + 4, header + 4, sizeof header - 4)) return ZipIoError;

    ArchiveEntry entry;
    entry.versionMadeBy = zip::ReadLe16(header + 4);
    entry.versionNeeded = zip::ReadLe16(header + 6);
    entry.flags = zip::ReadLe16(header + 8);
    entry.method = zip::ReadLe16(header + 10);
    entry.modificationTime = zip::ReadLe16(header + 12);
    entry.modificationDate = zip::ReadLe16(header + 14);
    entry.crc = zip::ReadLe32(header + 16);
    entry.compressedSize = zip::ReadLe32(header + 20);
    entry.uncompressedSize = zip::ReadLe32(header + 24);
    entry.nameLength = zip::ReadLe16(header + 28);
    entry.extraLength = zip::ReadLe16(header + 30);
    entry.commentLength = zip::ReadLe16(header + 32);
    entry.diskNumberStart = zip::ReadLe16(header + 34);
    entry.internalAttributes = zip::ReadLe16(header + 36);
    entry.externalAttributes = zip::ReadLe32(header + 38);
    entry.localHeaderOffset = zip::ReadLe32(header + 42);
    entry.centralPosition = zip.currentCentralPosition;

    const uint64_t namePosition = position + zip::kCentralHeaderSize;
    const uint64_t extraPosition = namePosition + entry.nameLength;
    const uint64_t commentPosition = extraPosition + entry.extraLength;
    if (!ReadField(*zip.source, namePosition, entry.nameLength, name, nameSize) ||
        !ReadField(*zip.source, extraPosition, entry.extraLength, extra, extraSize) ||
        !ReadField(*zip.source, commentPosition, entry.commentLength, comment, commentSize)) {
        return ZipIoError;
    }
    if (entryOut) *entryOut = entry;
    if (localOffsetOut) *localOffsetOut = entry.localHeaderOffset;
    return ZipOk;
}

int32_t ReadCurrentHeader(ZipReader& zip) {
    return ReadCentralHeader(zip, &zip.currentEntry, &zip.currentLocalHeaderOffset, nullptr, 0, nullptr, 0,
                             nullptr, 0);
}

// The local header must agree with the central one; returns where the entry's data starts.
bool CheckLocalHeader(ZipReader& zip, uint32_t* dataPosition) {
    const ArchiveEntry& central = zip.currentEntry;
    uint8_t local[zip::kLocalHeaderSize];
    if (!zip.source->ReadAt(uint64_t{zip.currentLocalHeaderOffset} + zip.prefix, local, sizeof local)) {
        return false;
    }
    const uint16_t flags = zip::ReadLe16(local + 6);
    const uint16_t method = zip::ReadLe16(local + 8);
    const uint16_t nameLength = zip::ReadLe16(local + 26);
    const uint16_t extraLength = zip::ReadLe16(local + 28);
    if (zip::ReadLe32(local) != zip::kLocalHeaderSignature || method != central.method ||
        (method != zip::kMethodStored && method != zip::kMethodDeflated) || nameLength != central.nameLength) {
        return false;
    }
    // With a data descriptor the local CRC and sizes may be zeros; the central values count.
    if (!(flags & zip::kFlagDataDescriptor) &&
        (zip::ReadLe32(local + 14) != central.crc || zip::ReadLe32(local + 18) != central.compressedSize ||
         zip::ReadLe32(local + 22) != central.uncompressedSize)) {
        return false;
    }
    *dataPosition = zip.currentLocalHeaderOffset + static_cast<uint32_t>(zip::kLocalHeaderSize) + nameLength +
                    extraLength;
    return true;
}

}  // namespace

ZipReader* ZipOpen(const std::string& path) { return ZipOpen(FileByteSource::Open(path)); }

ZipReader* ZipOpen(std::unique_ptr<ByteSource> source) {
    if (!source) return nullptr;
    const uint64_t recordPosition = FindEndRecord(*source);
    uint8_t record[zip::kEndRecordSize];
    if (recordPosition == 0 || recordPosition > std::numeric_limits<uint32_t>::max() ||
        !source->ReadAt(recordPosition, record, sizeof record)) {
        return nullptr;
    }
    const uint16_t disk = zip::ReadLe16(record + 4);
    const uint16_t centralDisk = zip::ReadLe16(record + 6);
    const uint16_t entriesOnDisk = zip::ReadLe16(record + 8);
    const uint16_t totalEntries = zip::ReadLe16(record + 10);
    const uint32_t centralSize = zip::ReadLe32(record + 12);
    const uint32_t centralOffset = zip::ReadLe32(record + 16);
    const uint16_t commentLength = zip::ReadLe16(record + 20);
    if (disk != 0 || centralDisk != 0 || entriesOnDisk != totalEntries ||
        recordPosition < uint64_t{centralOffset} + centralSize) {
        return nullptr;
    }

    std::unique_ptr<ZipReader> zip(new (std::nothrow) ZipReader);
    if (!zip) return nullptr;
    zip->source = std::move(source);
    zip->entryCount = totalEntries;
    zip->commentSize = commentLength;
    zip->endRecordPosition = static_cast<uint32_t>(recordPosition);
    zip->centralDirectorySize = centralSize;
    zip->centralDirectoryOffset = centralOffset;
    zip->prefix = static_cast<uint32_t>(recordPosition - centralOffset - centralSize);
    ZipGoToFirstEntry(zip.get());
    return zip.release();
}

int32_t ZipClose(ZipReader* zip) {
    if (!zip) return ZipParamError;
    delete zip;  // closes an open entry and the source with it
    return ZipOk;
}

int32_t ZipGetGlobalInfo(ZipReader* zip, ZipGlobalInfo* info) {
    if (!zip || !info) return ZipParamError;
    info->entryCount = zip->entryCount;
    info->commentSize = zip->commentSize;
    info->archiveSize = zip->source->Size();
    return ZipOk;
}

int32_t ZipGoToFirstEntry(ZipReader* zip) {
    if (!zip) return ZipParamError;
    zip->currentCentralPosition = zip->centralDirectoryOffset;
    zip->currentEntryNumber = 0;
    const int32_t result = ReadCurrentHeader(*zip);
    zip->currentEntryValid = result == ZipOk;
    return result;
}

int32_t ZipGoToNextEntry(ZipReader* zip) {
    if (!zip) return ZipParamError;
    if (!zip->currentEntryValid || zip->currentEntryNumber + 1 == zip->entryCount) return ZipEndOfList;
    const ArchiveEntry& entry = zip->currentEntry;
    zip->currentCentralPosition += static_cast<uint32_t>(zip::kCentralHeaderSize) + entry.nameLength +
                                   entry.extraLength + entry.commentLength;
    ++zip->currentEntryNumber;
    const int32_t result = ReadCurrentHeader(*zip);
    zip->currentEntryValid = result == ZipOk;
    return result;
}

int32_t ZipGetEntryInfo(ZipReader* zip, ArchiveEntry* entry, char* name, uint32_t nameSize, uint8_t* extra,
                        uint32_t extraSize, char* comment, uint32_t commentSize) {
    if (!zip) return ZipParamError;
    return ReadCentralHeader(*zip, entry, nullptr, name, nameSize, extra, extraSize, comment, commentSize);
}

int32_t ZipOpenEntry(ZipReader* zip) {
    if (!zip || !zip->currentEntryValid) return ZipParamError;
    if (zip->entryReader) ZipCloseEntry(zip);

    uint32_t dataPosition = 0;
    if (!CheckLocalHeader(*zip, &dataPosition)) return ZipBadArchive;

    std::unique_ptr<EntryReader> reader(new (std::nothrow) EntryReader);
    if (!reader) return ZipInternalError;
    reader->input.reset(new (std::nothrow) uint8_t[kInputBufferSize]);
    if (!reader->input) return ZipInternalError;

    const ArchiveEntry& entry = zip->currentEntry;
    reader->expectedCrc = entry.crc;
    reader->method = entry.method;
    if (reader->method == zip::kMethodDeflated) {
        // Raw deflate: ZIP entries carry no zlib header.
        if (inflateInit2(&reader->stream, -MAX_WBITS) != Z_OK) return ZipInternalError;
        reader->inflateInitialised = true;
    }
    reader->compressedLeft = entry.compressedSize;
    reader->uncompressedLeft = entry.uncompressedSize;
    reader->dataPosition = dataPosition;
    zip->entryReader = std::move(reader);
    return ZipOk;
}

int32_t ZipReadEntry(ZipReader* zip, uint8_t* buffer, uint32_t length) {
    if (!zip || !zip->entryReader) return ZipParamError;
    if (length == 0) return 0;
    EntryReader& reader = *zip->entryReader;
    z_stream& stream = reader.stream;

    // The count delivered must fit the signed result.
    uint32_t room = std::min({length, reader.uncompressedLeft, uint32_t{std::numeric_limits<int32_t>::max()}});
    uint32_t delivered = 0;
    while (room > 0) {
        if (stream.avail_in == 0 && reader.compressedLeft > 0) {
            const uint32_t chunk = std::min(kInputBufferSize, reader.compressedLeft);
            if (!zip->source->ReadAt(uint64_t{reader.dataPosition} + zip->prefix, reader.input.get(), chunk)) {
                return ZipIoError;
            }
            reader.dataPosition += chunk;
            reader.compressedLeft -= chunk;
            stream.next_in = reader.input.get();
            stream.avail_in = chunk;
        }
        if (reader.method == zip::kMethodStored) {
            const uint32_t n = std::min(room, uint32_t{stream.avail_in});
            // A stored entry claiming more bytes than it holds ends here, short.
            if (n == 0) break;
            std::memcpy(buffer + delivered, stream.next_in, n);
            reader.runningCrc = static_cast<uint32_t>(crc32(reader.runningCrc, stream.next_in, n));
            stream.next_in += n;
            stream.avail_in -= n;
            delivered += n;
            room -= n;
            reader.uncompressedLeft -= n;
            continue;
        }
        stream.next_out = buffer + delivered;
        stream.avail_out = room;
        const int result = inflate(&stream, Z_SYNC_FLUSH);
        const uint32_t produced = room - stream.avail_out;
        reader.runningCrc = static_cast<uint32_t>(crc32(reader.runningCrc, buffer + delivered, produced));
        delivered += produced;
        room -= produced;
        reader.uncompressedLeft -= produced;
        if (result == Z_STREAM_END) break;
        if (result != Z_OK) return result;
    }
    return static_cast<int32_t>(delivered);
}

int32_t ZipCloseEntry(ZipReader* zip) {
    if (!zip || !zip->entryReader) return ZipParamError;
    const EntryReader& reader = *zip->entryReader;
    const bool crcMismatch = reader.uncompressedLeft == 0 && reader.runningCrc != reader.expectedCrc;
    zip->entryReader.reset();
    return crcMismatch ? ZipCrcError : ZipOk;
}

}  // namespace tavrin
