// tavrin-forge OUT.data [--files DIR]: builds the show's data archive from nothing. With --files,
// every entry is also written as a loose file under DIR for inspection.
// tavrin-forge --icons DIR: the program's icon at the sizes the desktop asks for.
// tavrin-forge --sections: prints where each pattern of the soundtrack starts in song time and
// how far each scene change of the show lies from the nearest start.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/command_line.h"
#include "forge.h"
#include "gfxutil/png_write.h"
#include "music/xm_writer.h"
#include "pictures/icon.h"
#include "pictures/title_art.h"
#include "soundtrack/soundtrack.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

constexpr tavrin::cli::Option kOptions[] = {
    {"files", "DIR", "also write every entry as a loose file under DIR"},
    {"icons", "DIR", "write the program's icon as DIR/tavrin-N.png, N = 48, 128 and 256"},
    {"sections", nullptr, "print where the soundtrack's patterns start and the scene changes fall"},
};

constexpr tavrin::cli::Program kProgram{
    .name = "tavrin-forge",
    .operands = "[OUT.data]",
    .summary = "Build the Tavrin show's data archive from nothing.",
    .options = kOptions,
    .maxOperands = 1,
    .details = "Every picture, mesh, the soundtrack and the scroller text are generated; the same\n"
               "bytes come out on every run. The archive is written beside OUT.data and renamed,\n"
               "so a failed run never leaves half an archive.\n",
};

constexpr int kIconSizes[] = {48, 128, 256};

int WriteIcons(const std::filesystem::path& directory) {
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    const tavrin::forge::Canvas title = tavrin::forge::MakeTitleArt();
    for (const int size : kIconSizes) {
        const tavrin::forge::Canvas icon = tavrin::forge::MakeIcon(title, size);
        std::vector<uint32_t> pixels;
        for (const tavrin::forge::Rgba& p : icon.pixels) {
            using tavrin::forge::ToByte;
            pixels.push_back(uint32_t{ToByte(p.a)} << 24 | uint32_t{ToByte(p.r)} << 16 | uint32_t{ToByte(p.g)} << 8 |
                             ToByte(p.b));
        }
        const std::filesystem::path path = directory / ("tavrin-" + std::to_string(size) + ".png");
        if (!tavrin::WritePngFile(path.c_str(), pixels.data(), uint32_t(size), uint32_t(size))) {
            std::fprintf(stderr, "tavrin-forge: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
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
    tavrin::cli::CommandLine line;
    int exitCode = 0;
    if (tavrin::cli::ParseOrExit(kProgram, argc, argv, line, exitCode)) return exitCode;
    const tavrin::cli::Arguments& arguments = line.arguments;
    if (arguments.Has("sections")) {
        if (arguments.options.size() > 1 || !arguments.operands.empty()) {
            return tavrin::cli::UsageError(kProgram, "--sections takes nothing else");
        }
        return PrintSections();
    }
    if (const std::string* icons = arguments.Value("icons")) {
        if (const int status = WriteIcons(*icons); status != 0 || arguments.operands.empty()) return status;
    }
    if (arguments.operands.empty()) return tavrin::cli::UsageError(kProgram, "missing operand");
    const std::string* files = arguments.Value("files");
    const std::string filesDir = files ? *files : std::string();
    const auto entries = tavrin::forge::ForgeEntries();
    const std::vector<uint8_t> archive = tavrin::forge::AssembleArchive(entries);
    if (archive.empty()) {
        std::fprintf(stderr, "tavrin-forge: an entry could not be made or stored\n");
        return 1;
    }
    // Written beside the target and renamed, so a failed run never leaves half an archive.
    const std::filesystem::path target(arguments.operands.front());
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
