#include "platform/resident_pages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace tavrin {
namespace {

constexpr size_t kPages = 64;

// A temporary file of kPages pages, byte i holding i * 7 mod 251, removed with the object.
class PatternFile {
public:
    PatternFile() {
        char path[] = "/tmp/tavrin-resident-XXXXXX";
        fd_ = mkstemp(path);
        path_ = path;
        bytes_.resize(kPages * static_cast<size_t>(sysconf(_SC_PAGESIZE)));
        for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<uint8_t>(i * 7 % 251);
        if (fd_ >= 0 && write(fd_, bytes_.data(), bytes_.size()) != static_cast<ssize_t>(bytes_.size())) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~PatternFile() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    PatternFile(const PatternFile&) = delete;
    PatternFile& operator=(const PatternFile&) = delete;

    int fd() const { return fd_; }
    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    // Maps the whole file privately and reads every page, so all of it is resident.
    uint8_t* MapAndTouch(int protection) const {
        void* at = mmap(nullptr, size(), protection, MAP_PRIVATE, fd_, 0);
        if (at == MAP_FAILED) return nullptr;
        auto* bytes = static_cast<uint8_t*>(at);
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < size(); i += 512) sum = static_cast<uint8_t>(sum + bytes[i]);
        return bytes;
    }

private:
    int fd_ = -1;
    std::string path_;
    std::vector<uint8_t> bytes_;
};

// The resident kilobytes of the mapping that starts at `start`, from /proc/self/smaps.
long ResidentKb(const void* start) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    const auto wanted = reinterpret_cast<uintptr_t>(start);
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx ", &from, &to) == 2) {  // a mapping's header
            inside = from == wanted;
            continue;
        }
        if (inside && line.rfind("Rss:", 0) == 0) return std::strtol(line.c_str() + 4, nullptr, 10);
    }
    return -1;
}

// A read-only private file mapping lets its pages go, and reads back the file's bytes after.
TEST(ResidentPages, ReadOnlyFilePagesGoAndComeBackUnchanged) {
    PatternFile file;
    ASSERT_GE(file.fd(), 0);
    const uint8_t* mapped = file.MapAndTouch(PROT_READ);
    ASSERT_NE(mapped, nullptr);
    const long fileKb = static_cast<long>(file.size() / 1024);
    ASSERT_EQ(ResidentKb(mapped), fileKb);

    EXPECT_GE(ReleaseFileBackedPages(), file.size());
    EXPECT_EQ(ResidentKb(mapped), 0);
    EXPECT_EQ(0, std::memcmp(mapped, file.bytes().data(), file.size()));
    munmap(const_cast<uint8_t*>(mapped), file.size());
}

// Pages the process wrote into are its own data: such a mapping stays whole, even once it is
// read-only again (as a library's relocated data is), and so does writable and anonymous memory.
TEST(ResidentPages, WrittenAndAnonymousMemoryIsKept) {
    PatternFile file;
    ASSERT_GE(file.fd(), 0);
    uint8_t* relocated = file.MapAndTouch(PROT_READ | PROT_WRITE);
    uint8_t* writable = file.MapAndTouch(PROT_READ | PROT_WRITE);
    ASSERT_NE(relocated, nullptr);
    ASSERT_NE(writable, nullptr);
    relocated[100] = 0xAB;
    ASSERT_EQ(mprotect(relocated, file.size(), PROT_READ), 0);
    writable[200] = 0xCD;
    std::vector<uint8_t> heap(1 << 20, 0x5A);

    ReleaseFileBackedPages();

    EXPECT_EQ(relocated[100], 0xAB);
    EXPECT_EQ(relocated[101], file.bytes()[101]);
    EXPECT_EQ(ResidentKb(relocated), static_cast<long>(file.size() / 1024));
    EXPECT_EQ(writable[200], 0xCD);
    EXPECT_EQ(ResidentKb(writable), static_cast<long>(file.size() / 1024));
    for (size_t i = 0; i < heap.size(); i += 4096) ASSERT_EQ(heap[i], 0x5A);
    munmap(relocated, file.size());
    munmap(writable, file.size());
}

}  // namespace
}  // namespace tavrin
