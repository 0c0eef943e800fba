// tavrin-forge OUT.data [--files DIR]: builds the show's data archive from nothing. With --files,
// every entry is also written as a loose file under DIR for inspection.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "forge.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

int Usage() {
    std::fprintf(stderr, "usage: tavrin-forge OUT.data [--files DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) return Usage();
    std::string filesDir;
    if (argc == 4) {
        if (std::string(argv[2]) != "--files") return Usage();
        filesDir = argv[3];
    }
    const auto entries = tavrin::forge::ForgeEntries();
    const std::vector<uint8_t> archive = tavrin::forge::AssembleArchive(entries);
    if (archive.empty()) {
        std::fprintf(stderr, "tavrin-forge: an entry could not be made or stored\n");
        return 1;
    }
    // Written beside the target and renamed, so a failed run never leaves half an archive.
    const std::filesystem::path target(argv[1]);
    std::filesystem::path temporary = target;
    temporary += ".part";
    std::error_code error;
    if (!WriteFile(temporary, archive)) {
        std::fprintf(stderr, "tavrin-forge: cannot write %s\n", temporary.c_str());
        return 1;
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::fprintf(stderr, "tavrin-forge: cannot rename to %s: %s\n", target.c_str(), error.message().c_str());
        return 1;
    }
    for (const auto& entry : entries) {
        if (!filesDir.empty() && !WriteFile(std::filesystem::path(filesDir) / entry.name, entry.bytes)) {
            std::fprintf(stderr, "tavrin-forge: cannot write %s\n", entry.name.c_str());
            return 1;
        }
    }
    std::printf("tavrin-forge: %zu entries, %zu bytes in %s\n", entries.size(), archive.size(), target.c_str());
    return 0;
}
