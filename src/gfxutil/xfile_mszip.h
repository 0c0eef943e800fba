#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrin {

// Inflates the body of a compressed X file (the bytes after its 16-byte header): a 32-bit total
// size (header included), then blocks of [16-bit inflated size, 16-bit stored size, "CK", deflate
// data], each inflated with the previous 32 KiB of output as its dictionary.
bool InflateMsZip(std::span<const uint8_t> compressed, std::vector<uint8_t>& body,
                  std::string& error);

}  // namespace tavrin
