#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrin {

enum class ZipMethod { kStored, kDeflated, kSmallest };  // kSmallest: deflate unless storing is smaller

// Builds a ZIP archive in memory: the data build writes Tavrin.data with it and tests make fixtures.
// Every entry carries the same DOS timestamp (1980-01-01 00:00), so equal input gives equal bytes.
// Offsets inside the archive count from the first entry, not from the prefix, exactly as when a
// self-extractor stub is glued in front of a finished archive.
class ZipWriter {
public:
    explicit ZipWriter(std::vector<uint8_t> prefix = {});  // bytes written before the first entry (a stub)

    // Appends one entry. With dataDescriptor the local header holds zeros for CRC and sizes and the
    // real values follow the data (flag bit 3). Returns false, adding nothing, when the entry cannot
    // be represented without 64-bit extensions (name over 65535 bytes, data or archive over 4 GiB,
    // more than 65535 entries).
    bool Add(const std::string& name, std::span<const uint8_t> bytes, ZipMethod method = ZipMethod::kSmallest,
             bool dataDescriptor = false);
    // The archive comment; longer than 65535 bytes is cut to that.
    void SetComment(const std::string& comment);
    std::vector<uint8_t> Finish();  // the whole archive

private:
    std::vector<uint8_t> prefix_;
    std::vector<uint8_t> entries_;    // local headers and data
    std::vector<uint8_t> directory_;  // central headers
    uint16_t entryCount_ = 0;
    std::string comment_;
};

}  // namespace tavrin
