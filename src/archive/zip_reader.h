#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/byte_source.h"

// Reader for the ZIP subset the show's data uses: stored and deflated entries on one disk. ZIP64
// records and extra fields are read where their values fit 32 bits; encrypted entries cannot be
// opened. Bytes in front of the archive (a self-extractor stub) are allowed.
namespace tavrin {

inline constexpr int32_t ZipOk = 0;
inline constexpr int32_t ZipIoError = -1;  // a seek or read failed
inline constexpr int32_t ZipEndOfList = -100;
inline constexpr int32_t ZipParamError = -102;  // no archive, or no valid or open entry
inline constexpr int32_t ZipBadArchive = -103;
inline constexpr int32_t ZipInternalError = -104;  // allocation failed
inline constexpr int32_t ZipCrcError = -105;
// Negative zlib codes pass through from ZipReadEntry.

// One entry's central header after its signature, field by field, and where that header lies.
struct ArchiveEntry {
    uint16_t versionMadeBy;
    uint16_t versionNeeded;
    uint16_t flags;
    uint16_t method;
    uint16_t modificationTime;
    uint16_t modificationDate;
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint16_t nameLength;
    uint16_t extraLength;
    uint16_t commentLength;
    uint16_t diskNumberStart;
    uint16_t internalAttributes;
    uint32_t externalAttributes;
    uint32_t localHeaderOffset;
    uint32_t centralPosition;  // file position of the central header, not counting the prefix
};

struct ZipGlobalInfo {
    uint32_t entryCount;
    uint32_t commentSize;
    uint64_t archiveSize;  // bytes in the source, prefix included
};

struct ZipReader;  // one open archive; created by ZipOpen, freed by ZipClose

// Null when the source cannot be read or is not a ZIP archive.
ZipReader* ZipOpen(const std::string& path);
ZipReader* ZipOpen(std::unique_ptr<ByteSource> source);
int32_t ZipClose(ZipReader* zip);
int32_t ZipGetGlobalInfo(ZipReader* zip, ZipGlobalInfo* info);

int32_t ZipGoToFirstEntry(ZipReader* zip);
int32_t ZipGoToNextEntry(ZipReader* zip);
// Any out pointer may be null. A buffer longer than its field gets a terminating zero after it;
// a shorter one receives only its size's worth.
int32_t ZipGetEntryInfo(ZipReader* zip, ArchiveEntry* entry, char* name, uint32_t nameSize, uint8_t* extra,
                        uint32_t extraSize, char* comment, uint32_t commentSize);

// One entry may be open at a time; opening another closes the previous one.
int32_t ZipOpenEntry(ZipReader* zip);
// Bytes delivered (at most length), or a negative result.
int32_t ZipReadEntry(ZipReader* zip, uint8_t* buffer, uint32_t length);
// ZipCrcError when all bytes were delivered and their CRC differs from the stored one.
int32_t ZipCloseEntry(ZipReader* zip);

}  // namespace tavrin
