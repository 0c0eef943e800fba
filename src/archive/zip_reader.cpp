#include "archive/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>
#include <vector>

#include "archive/zip_format.h"
#include "bytes/little_endian.h"

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

// Whether an end record at position is the archive's own: its comment reaches exactly the end.
bool CommentReachesEnd(ByteSource& source, uint64_t position, uint64_t size) {
    uint8_t length[2];
    return position + zip::kEndRecordSize <= size &&
           source.ReadAt(position + 20, length, sizeof length) &&
           position + zip::kEndRecordSize + le::Read16(length) == size;
}

// Position of the end-of-central-directory record, searched backwards from the end in windows that
// overlap by four bytes so a signature is never split; 0 when there is none. A signature whose
// comment length does not reach the end lies inside a comment (or is damage), so the search goes
// on past it; only when no signature fits is the one nearest the end taken.
uint64_t FindEndRecord(ByteSource& source) {
    const uint64_t size = source.Size();
    const uint64_t maxBack = std::min<uint64_t>(kMaxSearchBack, size);
    std::array<uint8_t, kSearchWindow + 4> window;
    uint64_t nearest = 0;
    uint64_t back = 4;
    while (back < maxBack) {
        back = std::min(back + kSearchWindow, maxBack);
        const uint64_t readPos = size - back;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(window.size(), size - readPos));
        if (!source.ReadAt(readPos, window.data(), length)) return nearest;
        for (size_t i = length - 4 + 1; i-- > 0;) {
            if (le::Read32(&window[i]) != zip::kEndRecordSignature) continue;
            const uint64_t position = readPos + i;
            if (CommentReachesEnd(source, position, size)) return position;
            if (nearest == 0) nearest = position;
        }
    }
    return nearest;
}

// The central directory as the end record, or its ZIP64 counterpart, describes it. `end` is the
// position of the record that follows the directory.
struct CentralDirectory {
    uint64_t disk, centralDisk, entriesOnDisk, totalEntries, size, offset, end;
    uint16_t commentLength;
};

bool ReadEndRecord(ByteSource& source, uint64_t position, CentralDirectory& directory) {
    uint8_t record[zip::kEndRecordSize];
    if (!source.ReadAt(position, record, sizeof record)) return false;
    directory = {le::Read16(record + 4),
                 le::Read16(record + 6),
                 le::Read16(record + 8),
                 le::Read16(record + 10),
                 le::Read32(record + 12),
                 le::Read32(record + 16),
                 position,
                 le::Read16(record + 20)};
    return true;
}

// A ZIP64 locator right in front of the end record points to the ZIP64 end record, whose fields
// then describe the directory. Streaming writers (zip reading standard input) add one even when
// the 32-bit fields would do. The record is looked for where it ends at the locator, which holds
// whatever the prefix, and then where the locator says. False when neither place has it.
bool ReadZip64EndRecord(ByteSource& source, uint64_t endRecordPosition,
                        CentralDirectory& directory) {
    if (endRecordPosition < zip::kZip64LocatorSize) return true;
    const uint64_t locatorPosition = endRecordPosition - zip::kZip64LocatorSize;
    uint8_t locator[zip::kZip64LocatorSize];
    if (!source.ReadAt(locatorPosition, locator, sizeof locator) ||
        le::Read32(locator) != zip::kZip64LocatorSignature) {
        return true;
    }
    uint8_t record[zip::kZip64EndRecordSize];
    if (locatorPosition < sizeof record) return false;
    const auto recordAt = [&](uint64_t position) {
        return position <= locatorPosition - sizeof record &&
               source.ReadAt(position, record, sizeof record) &&
               le::Read32(record) == zip::kZip64EndRecordSignature;
    };
    uint64_t position = locatorPosition - sizeof record;
    if (!recordAt(position)) {
        position = le::Read64(locator + 8);
        if (!recordAt(position)) return false;
    }
    directory.disk = le::Read32(record + 16);
    directory.centralDisk = le::Read32(record + 20);
    directory.entriesOnDisk = le::Read64(record + 24);
    directory.totalEntries = le::Read64(record + 32);
    directory.size = le::Read64(record + 40);
    directory.offset = le::Read64(record + 48);
    directory.end = position;
    return true;
}

// Replaces each of `fields` that holds the ZIP64 marker, in order, with its value from the ZIP64
// extra field, when that value fits; a field left marked makes the entry unreadable. False only
// when the extra field cannot be read.
bool ReadZip64Fields(ByteSource& source, uint64_t extraPosition, uint16_t extraLength,
                     std::initializer_list<uint32_t*> fields) {
    std::vector<uint8_t> extra(extraLength);
    if (!source.ReadAt(extraPosition, extra.data(), extra.size())) return false;
    for (size_t at = 0; at + 4 <= extra.size();) {
        const uint16_t tag = le::Read16(&extra[at]);
        const size_t size = le::Read16(&extra[at + 2]);
        at += 4;
        if (size > extra.size() - at) break;
        if (tag != zip::kZip64ExtraTag) {
            at += size;
            continue;
        }
        size_t value = at;
        for (uint32_t* field : fields) {
            if (*field != zip::kZip64Marker) continue;
            if (value + 8 > at + size) break;
            const uint64_t wide = le::Read64(&extra[value]);
            value += 8;
            if (wide < zip::kZip64Marker) *field = static_cast<uint32_t>(wide);
        }
        break;
    }
    return true;
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
    if (le::Read32(header) != zip::kCentralHeaderSignature) return ZipBadArchive;
    if (!zip.source->ReadAt(position + 4, header + 4, sizeof header - 4)) return ZipIoError;

    ArchiveEntry entry;
    entry.versionMadeBy = le::Read16(header + 4);
    entry.versionNeeded = le::Read16(header + 6);
    entry.flags = le::Read16(header + 8);
    entry.method = le::Read16(header + 10);
    entry.modificationTime = le::Read16(header + 12);
    entry.modificationDate = le::Read16(header + 14);
    entry.crc = le::Read32(header + 16);
    entry.compressedSize = le::Read32(header + 20);
    entry.uncompressedSize = le::Read32(header + 24);
    entry.nameLength = le::Read16(header + 28);
    entry.extraLength = le::Read16(header + 30);
    entry.commentLength = le::Read16(header + 32);
    entry.diskNumberStart = le::Read16(header + 34);
    entry.internalAttributes = le::Read16(header + 36);
    entry.externalAttributes = le::Read32(header + 38);
    entry.localHeaderOffset = le::Read32(header + 42);
    entry.centralPosition = zip.currentCentralPosition;

    const uint64_t namePosition = position + zip::kCentralHeaderSize;
    const uint64_t extraPosition = namePosition + entry.nameLength;
    const uint64_t commentPosition = extraPosition + entry.extraLength;
    if ((entry.uncompressedSize == zip::kZip64Marker || entry.compressedSize == zip::kZip64Marker ||
         entry.localHeaderOffset == zip::kZip64Marker) &&
        !ReadZip64Fields(
            *zip.source, extraPosition, entry.extraLength,
            {&entry.uncompressedSize, &entry.compressedSize, &entry.localHeaderOffset})) {
        return ZipIoError;
    }
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
    // A ZIP64 value that did not fit 32 bits: an entry this reader cannot deliver.
    if (central.compressedSize == zip::kZip64Marker ||
        central.uncompressedSize == zip::kZip64Marker ||
        central.localHeaderOffset == zip::kZip64Marker) {
        return false;
    }
    const uint64_t localPosition = uint64_t{zip.currentLocalHeaderOffset} + zip.prefix;
    uint8_t local[zip::kLocalHeaderSize];
    if (!zip.source->ReadAt(localPosition, local, sizeof local)) return false;
    const uint16_t flags = le::Read16(local + 6);
    const uint16_t method = le::Read16(local + 8);
    const uint16_t nameLength = le::Read16(local + 26);
    const uint16_t extraLength = le::Read16(local + 28);
    if (le::Read32(local) != zip::kLocalHeaderSignature || method != central.method ||
        (method != zip::kMethodStored && method != zip::kMethodDeflated) ||
        nameLength != central.nameLength) {
        return false;
    }
    // With a data descriptor the local CRC and sizes may be zeros; the central values count.
    if (!(flags & zip::kFlagDataDescriptor)) {
        uint32_t compressedSize = le::Read32(local + 18);
        uint32_t uncompressedSize = le::Read32(local + 22);
        if ((compressedSize == zip::kZip64Marker || uncompressedSize == zip::kZip64Marker) &&
            !ReadZip64Fields(*zip.source, localPosition + zip::kLocalHeaderSize + nameLength,
                             extraLength, {&uncompressedSize, &compressedSize})) {
            return false;
        }
        if (le::Read32(local + 14) != central.crc || compressedSize != central.compressedSize ||
            uncompressedSize != central.uncompressedSize) {
            return false;
        }
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
    CentralDirectory directory{};
    if (recordPosition == 0 || recordPosition > std::numeric_limits<uint32_t>::max() ||
        !ReadEndRecord(*source, recordPosition, directory) ||
        !ReadZip64EndRecord(*source, recordPosition, directory)) {
        return nullptr;
    }
    if (directory.disk != 0 || directory.centralDisk != 0 ||
        directory.entriesOnDisk != directory.totalEntries ||
        directory.totalEntries > std::numeric_limits<uint32_t>::max() ||
        directory.size > directory.end || directory.offset > directory.end - directory.size) {
        return nullptr;
    }

    std::unique_ptr<ZipReader> zip(new (std::nothrow) ZipReader);
    if (!zip) return nullptr;
    zip->source = std::move(source);
    zip->entryCount = static_cast<uint32_t>(directory.totalEntries);
    zip->commentSize = directory.commentLength;
    zip->endRecordPosition = static_cast<uint32_t>(recordPosition);
    // All three lie below the end record, so they fit 32 bits.
    zip->centralDirectorySize = static_cast<uint32_t>(directory.size);
    zip->centralDirectoryOffset = static_cast<uint32_t>(directory.offset);
    zip->prefix = static_cast<uint32_t>(directory.end - directory.offset - directory.size);
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

    // Encrypted data would come out as ciphertext: such an entry cannot be read.
    if (zip->currentEntry.flags & zip::kFlagEncrypted) return ZipBadArchive;
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
