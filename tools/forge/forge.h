#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The data build: every entry of Tavrin.data, generated from nothing, and the archive around them.

namespace tavrin::forge {

struct ForgedEntry {
    std::string name;  // archive name, '/' between folders
    std::vector<uint8_t> bytes;
};

// All entries in archive order. Pure: the same bytes on every call.
std::vector<ForgedEntry> ForgeEntries();

// The ZIP archive holding the entries (deflated where that is smaller), or empty on failure.
std::vector<uint8_t> AssembleArchive(const std::vector<ForgedEntry>& entries);

}  // namespace tavrin::forge
