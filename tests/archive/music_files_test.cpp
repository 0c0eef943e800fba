#include "archive/music_files.h"

#include <gtest/gtest.h>

#include "archive_fixtures.h"

namespace tavrin {
namespace {

class MusicFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ZipWriter writer;
        writer.Add("KVB.xm", test::Bytes("Extended Module: song"));
        archive_ = std::make_unique<DataArchive>(test::InMemory(writer.Finish()));
        SetMusicArchive(archive_.get());
        file_ = FileOpen("kvb.XM");
    }
    void TearDown() override {
        FileClose(file_);
        SetMusicArchive(nullptr);
    }

    std::string Read(uint32_t count) {
        std::string out(count, '#');
        out.resize(FileRead(out.data(), count, file_));
        return out;
    }

    std::unique_ptr<DataArchive> archive_;
    void* file_ = nullptr;
};

TEST_F(MusicFiles, ReadsSequentiallyAndStopsAtTheEnd) {
    EXPECT_EQ(Read(8), "Extended");
    EXPECT_EQ(FileTell(file_), 8);
    EXPECT_EQ(Read(100), " Module: song");
    EXPECT_EQ(FileTell(file_), 21);
    EXPECT_EQ(Read(4), "");
}

TEST_F(MusicFiles, SeekOrigins) {
    FileSeek(file_, 9, 0);
    EXPECT_EQ(Read(6), "Module");
    FileSeek(file_, -6, 1);
    EXPECT_EQ(Read(3), "Mod");
    FileSeek(file_, -4, 2);
    EXPECT_EQ(Read(16), "song");
    FileSeek(file_, 3, 7);  // unknown origin: nothing changes
    EXPECT_EQ(FileTell(file_), 21);
}

TEST_F(MusicFiles, PositionOutsideTheDataReadsNothing) {
    FileSeek(file_, 5, 2);
    EXPECT_EQ(FileTell(file_), 26);
    EXPECT_EQ(Read(4), "");
    EXPECT_EQ(FileTell(file_), 26);

    char buffer[4] = {'#', '#', '#', '#'};
    FileSeek(file_, -3, 0);
    EXPECT_EQ(FileTell(file_), -3);
    EXPECT_EQ(FileRead(buffer, sizeof buffer, file_), 0u);
    EXPECT_EQ(std::string(buffer, 4), "####");
    // Seeking back inside makes the data readable again.
    FileSeek(file_, 3, 1);
    EXPECT_EQ(Read(3), "Ext");
}

TEST_F(MusicFiles, MissingFileOrArchiveOpensEmpty) {
    void* missing = FileOpen("Missing.xm");
    ASSERT_NE(missing, nullptr);
    char byte;
    EXPECT_EQ(FileRead(&byte, 1, missing), 0u);
    FileClose(missing);

    SetMusicArchive(nullptr);
    void* noArchive = FileOpen("KVB.xm");
    ASSERT_NE(noArchive, nullptr);
    EXPECT_EQ(FileRead(&byte, 1, noArchive), 0u);
    FileClose(noArchive);
}

}  // namespace
}  // namespace tavrin
