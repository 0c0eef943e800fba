#pragma once

#include <cstdint>

namespace tavrin {

// A whole archive file held in memory, read and sought like a stdio stream.
struct MemoryFile {
    uint8_t* data = nullptr;  // owned, from DataArchive::Load; null when the file was not found
    int32_t position = 0;     // may stand anywhere after a seek; reads only ever touch the data
    uint32_t size = 0;        // 0 when the file was not found
};

}  // namespace tavrin
