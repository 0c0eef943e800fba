// tavrin-forge OUT.data [--files DIR]: builds the show's data archive from nothing. With --files,
// every entry is also written as a loose file under DIR for inspection.
// tavrin-forge --sections: prints where each pattern of the soundtrack starts in song time and
// how far each scene change of the show lies from the nearest start.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "forge.h"
#include "music/xm_writer.h"
#include "soundtrack.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

int Usage() {
    std::fprintf(stderr, "usage: tavrin-forge OUT.data [--files DIR]\n       tavrin-forge --sections\n");
    return 2;
}

int PrintSections() {
    using namespace tavrin::forge;
    const double rowSeconds = SongSecondsPerRow();
    const SongTimeline timeline = PlaySongTimeline(tavrin::WriteXm(ComposeSoundtrack()), 1000.0);
    const std::vector<OrderStart>& starts = timeline.starts;
    if (rowSeconds <= 0.0 || starts.empty()) {
        std::fprintf(stderr, "tavrin-forge: the soundtrack does not play\n");
        return 1;
    }
    std::printf("one row = %.4f s of song time\norder pattern   start (s)\n", rowSeconds);
    for (const OrderStart& s : starts) std::printf("%5d %7d %11.3f\n", s.order, s.pattern, s.seconds);
    std::printf("scene change          time (s)  nearest start (s)  off by (rows)\n");
    int outside = 0;
    for (const SongSection& section : SongSections()) {
        const OrderStart* best = &starts.front();
        for (const OrderStart& s : starts) {
            if (std::fabs(s.seconds - section.start) < std::fabs(best->seconds - section.start)) best = &s;
        }
        const double rows = (best->seconds - section.start) / rowSeconds;
        outside += std::fabs(rows) > 1.0;
        std::printf("%-30s %7.2f %12.3f %14.2f\n", section.name, section.start, best->seconds, rows);
    }
    std::printf("song runs %.1f s, then loops to order %d\n", timeline.loopSeconds, timeline.loopOrder);
    std::printf("peak %.2f dBFS, %zu clipped samples\n", 20.0 * std::log10(std::max(timeline.peak, 1e-9)),
                timeline.clipped);
    return outside == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--sections") return PrintSections();
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
