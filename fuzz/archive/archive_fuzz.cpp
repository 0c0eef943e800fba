// Opens arbitrary bytes as the data archive, lists it and loads every entry by its own name.
#include <cstddef>
#include <cstdint>
#include <span>

#include "archive/data_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavrin::DataArchive archive(
        std::make_unique<tavrin::MemoryByteSource>(std::span<const uint8_t>(data, size)));
    tavrin::ZipReader* zip = archive.Reader();
    if (!zip) return 0;

    std::vector<std::string> names;
    for (int32_t r = tavrin::ZipGoToFirstEntry(zip); r == tavrin::ZipOk; r = tavrin::ZipGoToNextEntry(zip)) {
        char name[300];
        uint8_t extra[8];
        char comment[8];
        if (tavrin::ZipGetEntryInfo(zip, nullptr, name, sizeof name - 1, extra, sizeof extra, comment,
                                    sizeof comment) != tavrin::ZipOk) {
            break;
        }
        name[sizeof name - 1] = '\0';
        names.emplace_back(name);
        // Read the entry through in small pieces, as a tool would.
        if (tavrin::ZipOpenEntry(zip) == tavrin::ZipOk) {
            uint8_t piece[4096];
            while (tavrin::ZipReadEntry(zip, piece, sizeof piece) > 0) {
            }
            tavrin::ZipCloseEntry(zip);
        }
    }
    for (const std::string& name : names) {
        uint8_t* bytes = nullptr;
        archive.Load(name.c_str(), &bytes);
        delete[] bytes;
    }
    return 0;
}
