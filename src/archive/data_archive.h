#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/byte_source.h"
#include "archive/zip_reader.h"

namespace tavrin {

// The show's data: one ZIP archive from which whole files are loaded by name.
class DataArchive {
public:
    explicit DataArchive(const std::string& path);
    explicit DataArchive(std::unique_ptr<ByteSource> source);
    ~DataArchive();
    DataArchive(const DataArchive&) = delete;
    DataArchive& operator=(const DataArchive&) = delete;

    // Finds name (ASCII letter case ignored, '/' as stored) and reads the whole file into a new
    // buffer that the caller frees with delete[]. Returns its size, or 0 when the name is missing
    // (buffer untouched) or encrypted (buffer untouched too), the entry is empty or cannot be read
    // in full (buffer set to null; nothing is left allocated). A CRC mismatch does not fail the
    // load: the bytes come back as read.
    uint32_t Load(const char* name, uint8_t** buffer);

    bool IsOpen() const { return reader_ != nullptr; }
    uint32_t EntryCount() const { return entryCount_; }
    uint32_t CommentSize() const { return commentSize_; }
    // For tools that walk the entries themselves; null when the archive did not open.
    ZipReader* Reader() const { return reader_; }

private:
    ZipReader* reader_;
    uint32_t entryCount_ = 0;
    uint32_t commentSize_ = 0;
    uint64_t archiveSize_ = 0;
};

// Compares a requested name with an entry's name the way DataArchive::Load does.
bool ArchiveNameMatches(const char* requested, const char* stored);

}  // namespace tavrin
