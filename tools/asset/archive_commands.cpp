// list and cat: the archive as DataArchive sees it.
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/data_archive.h"
#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "asset_commands.h"

namespace tavrin::asset {
namespace {

// Opens the archive or says why it cannot; null on failure.
std::unique_ptr<DataArchive> OpenArchive(const char* path) {
    if (!std::filesystem::exists(path)) {
        Fail("%s: no such file", path);
        return nullptr;
    }
    auto archive = std::make_unique<DataArchive>(path);
    if (!archive->IsOpen()) {
        Fail("%s: not a readable ZIP archive", path);
        return nullptr;
    }
    return archive;
}

// Reads the current entry through and reports what the reader thinks of it.
std::string CheckEntry(ZipReader* zip, const ArchiveEntry& info) {
    if (info.flags & zip::kFlagEncrypted) return "encrypted";
    const int32_t opened = ZipOpenEntry(zip);
    if (opened != ZipOk) return "bad header (" + std::to_string(opened) + ")";
    static uint8_t scratch[1 << 16];
    uint64_t total = 0;
    int32_t n;
    while ((n = ZipReadEntry(zip, scratch, sizeof scratch)) > 0) total += static_cast<uint32_t>(n);
    const int32_t closed = ZipCloseEntry(zip);
    if (n < 0) return "data error (" + std::to_string(n) + ")";
    if (total != info.uncompressedSize) return "short (" + std::to_string(total) + " bytes)";
    return closed == ZipCrcError ? "CRC mismatch" : "ok";
}

const char* MethodName(uint16_t method) {
    switch (method) {
        case 0: return "stored";
        case 8: return "deflated";
        default: return "unknown";
    }
}

}  // namespace

int Fail(const char* format, ...) {
    std::fputs("tavrin-asset: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 1;
}

int ListCommand(std::span<const char* const> args) {
    if (args.size() != 1) return Fail("usage: tavrin-asset list ARCHIVE");
    auto archive = OpenArchive(args[0]);
    if (!archive) return 1;

    ZipReader* zip = archive->Reader();
    std::printf("%-8s %10s %10s %-8s  %-14s %s\n", "method", "size", "packed", "crc", "check", "name");
    std::vector<std::string> names;
    std::vector<char> nameBuffer(65536);  // the longest name a ZIP entry can have, plus its end
    char* const name = nameBuffer.data();
    bool allGood = true;
    for (uint32_t i = 0; i < archive->EntryCount(); ++i) {
        ArchiveEntry info{};
        if ((i == 0 ? ZipGoToFirstEntry(zip) : ZipGoToNextEntry(zip)) != ZipOk ||
            ZipGetEntryInfo(zip, &info, name, static_cast<uint32_t>(nameBuffer.size()), nullptr, 0, nullptr, 0) !=
                ZipOk) {
            return Fail("%s: central directory breaks off after %u of %u entries", args[0], i,
                        archive->EntryCount());
        }
        const std::string check = CheckEntry(zip, info);
        allGood = allGood && check == "ok";
        // Lookups walk from the first entry, so a later entry with the same name is never loaded.
        std::string note;
        for (size_t j = 0; j < names.size() && note.empty(); ++j) {
            if (ArchiveNameMatches(name, names[j].c_str())) note = "  (hidden by entry " + std::to_string(j) + ")";
        }
        std::printf("%-8s %10u %10u %08x  %-14s %s%s\n", MethodName(info.method), info.uncompressedSize,
                    info.compressedSize, info.crc, check.c_str(), name, note.c_str());
        names.emplace_back(name, info.nameLength);
    }
    std::printf("%u entries, archive comment %u bytes\n", archive->EntryCount(), archive->CommentSize());
    return allGood ? 0 : 1;
}

int CatCommand(std::span<const char* const> args) {
    if (args.size() != 2) return Fail("usage: tavrin-asset cat ARCHIVE NAME");
    auto archive = OpenArchive(args[0]);
    if (!archive) return 1;

    uint8_t notFound = 0;
    uint8_t* bytes = &notFound;
    const uint32_t size = archive->Load(args[1], &bytes);
    if (bytes == &notFound) return Fail("%s: no entry named '%s'", args[0], args[1]);
    if (size == 0) {
        // Load cannot tell an empty entry from a failed one; the entry itself can.
        ArchiveEntry info{};
        ZipGetEntryInfo(archive->Reader(), &info, nullptr, 0, nullptr, 0, nullptr, 0);
        if (info.uncompressedSize == 0) return 0;
        return Fail("%s: entry '%s' cannot be read", args[0], args[1]);
    }
    const bool written = std::fwrite(bytes, 1, size, stdout) == size && std::fflush(stdout) == 0;
    delete[] bytes;
    return written ? 0 : Fail("writing '%s' to stdout failed", args[1]);
}

}  // namespace tavrin::asset
