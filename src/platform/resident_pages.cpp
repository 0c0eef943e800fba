#include "platform/resident_pages.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>
#endif

namespace tavrin {

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
namespace {

// One mapping of /proc/self/smaps: its header line and the counters that decide whether it can go.
struct Mapping {
    uintptr_t start = 0;
    uintptr_t end = 0;
    // Private, backed by a file, and not writable: no thread can write a page between the
    // reading of its counters and its release.
    bool releasable = false;
    size_t residentKb = 0;
    // Pages the process wrote into (a library's relocated data): letting them go would bring
    // back the file's bytes in their place.
    size_t privateCopiesKb = 0;
};

bool ParseHeader(const std::string& line, Mapping& mapping) {
    unsigned long long start = 0, end = 0, inode = 0;
    char perms[5] = {};
    // start-end perms offset device inode [path]
    if (std::sscanf(line.c_str(), "%llx-%llx %4s %*x %*s %llu", &start, &end, perms, &inode) != 4) {
        return false;
    }
    mapping = Mapping{};
    mapping.start = static_cast<uintptr_t>(start);
    mapping.end = static_cast<uintptr_t>(end);
    mapping.releasable = perms[1] != 'w' && perms[3] == 'p' && inode != 0;
    return true;
}

// "Name:   123 kB" lines; false for the mapping's header and for other counters.
bool ReadCounter(const std::string& line, const char* name, size_t& kb) {
    const size_t length = std::strlen(name);
    if (line.compare(0, length, name) != 0 || line.size() <= length || line[length] != ':') {
        return false;
    }
    kb = static_cast<size_t>(std::strtoull(line.c_str() + length + 1, nullptr, 10));
    return true;
}

size_t Release(const Mapping& mapping) {
    if (!mapping.releasable || mapping.residentKb == 0 || mapping.privateCopiesKb != 0) return 0;
    // Locked pages are refused here, and stay.
    if (madvise(reinterpret_cast<void*>(mapping.start), mapping.end - mapping.start,
                MADV_DONTNEED) != 0) {
        return 0;
    }
    return mapping.residentKb * 1024;
}

}  // namespace

size_t ReleaseFileBackedPages() {
    // Read to the end first: the file describes the mappings as they are while it is read.
    std::vector<Mapping> mappings;
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    while (std::getline(smaps, line)) {
        Mapping next;
        if (ParseHeader(line, next)) {
            mappings.push_back(next);
            continue;
        }
        if (mappings.empty()) continue;
        Mapping& mapping = mappings.back();
        size_t kb = 0;
        if (ReadCounter(line, "Rss", kb)) {
            mapping.residentKb = kb;
        } else if (ReadCounter(line, "Anonymous", kb)) {
            mapping.privateCopiesKb = kb;
        }
    }
    size_t released = 0;
    for (const Mapping& mapping : mappings) released += Release(mapping);
    return released;
}
#else
size_t ReleaseFileBackedPages() { return 0; }
#endif

}  // namespace tavrin
