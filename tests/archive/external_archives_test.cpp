// Archives written by other tools: Info-ZIP's zip and Python's zipfile.
#include <gtest/gtest.h>

#include "archive/data_archive.h"
#include "archive/zip_format.h"
#include "archive_fixtures.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

using test::LoadAll;

class ExternalArchives : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        dir_.Write("BlueEnv.bmp", blue_);
        dir_.Write("Scrollertext.txt", text_);
        dir_.Write("SkyBox/Front.jpg", front_);
    }

    DataArchive Open(const std::string& name) { return DataArchive((dir_ / name).string()); }

    void ExpectAllThree(DataArchive& archive) {
        EXPECT_EQ(LoadAll(archive, "BlueEnv.bmp"), blue_);
        EXPECT_EQ(LoadAll(archive, "scrollertext.TXT"), text_);
        EXPECT_EQ(LoadAll(archive, "SkyBox/Front.jpg"), front_);
    }

    // Methods of the entries in directory order.
    std::vector<uint16_t> Methods(DataArchive& archive) {
        std::vector<uint16_t> methods;
        for (int32_t r = ZipGoToFirstEntry(archive.Reader()); r == ZipOk; r = ZipGoToNextEntry(archive.Reader())) {
            ArchiveEntry entry{};
            ZipGetEntryInfo(archive.Reader(), &entry, nullptr, 0, nullptr, 0, nullptr, 0);
            methods.push_back(entry.method);
        }
        return methods;
    }

    test::TempDir dir_;
    const std::vector<uint8_t> blue_ = test::NoiseBytes(40000, 11);
    const std::vector<uint8_t> text_ = test::TextBytes(100000);
    const std::vector<uint8_t> front_ = test::NoiseBytes(70000, 12);
};

TEST_F(ExternalArchives, InfoZipDeflatedAndStored) {
    ASSERT_TRUE(dir_.Run("zip -q -D -9 deflated.zip BlueEnv.bmp Scrollertext.txt SkyBox/Front.jpg"));
    ASSERT_TRUE(dir_.Run("zip -q -D -0 stored.zip BlueEnv.bmp Scrollertext.txt SkyBox/Front.jpg"));
    DataArchive deflated = Open("deflated.zip");
    EXPECT_EQ(deflated.EntryCount(), 3u);
    EXPECT_EQ(Methods(deflated)[1], zip::kMethodDeflated);
    ExpectAllThree(deflated);
    DataArchive stored = Open("stored.zip");
    EXPECT_EQ(Methods(stored), (std::vector<uint16_t>{0, 0, 0}));
    ExpectAllThree(stored);
}

TEST_F(ExternalArchives, InfoZipBehindAStub) {
    dir_.Write("stub", test::NoiseBytes(12345, 13));
    ASSERT_TRUE(dir_.Run("zip -q -D data.zip BlueEnv.bmp Scrollertext.txt SkyBox/Front.jpg"));
    ASSERT_TRUE(dir_.Run("cat stub data.zip > sfx.zip && cp sfx.zip adjusted.zip"));
    DataArchive sfx = Open("sfx.zip");
    ExpectAllThree(sfx);
    // zip -A rewrites the offsets to count from the stub: no prefix left to add.
    ASSERT_TRUE(dir_.Run("zip -q -A adjusted.zip"));
    DataArchive adjusted = Open("adjusted.zip");
    ExpectAllThree(adjusted);
}

TEST_F(ExternalArchives, InfoZipStreamedWithDataDescriptors) {
    ASSERT_TRUE(dir_.Run("zip -q - Scrollertext.txt BlueEnv.bmp | cat > streamed.zip"));
    const auto bytes = dir_.Read("streamed.zip");
    ASSERT_GT(bytes.size(), 30u);
    ASSERT_TRUE(le::Read16(&bytes[6]) & zip::kFlagDataDescriptor);
    DataArchive archive = Open("streamed.zip");
    EXPECT_EQ(LoadAll(archive, "Scrollertext.txt"), text_);
    EXPECT_EQ(LoadAll(archive, "BlueEnv.bmp"), blue_);
}

// zip reading standard input cannot know the size in advance: the local header carries ZIP64
// sizes, and a ZIP64 end record and locator stand between the directory and the end record.
TEST_F(ExternalArchives, InfoZipFromStandardInputWritesZip64) {
    ASSERT_TRUE(dir_.Run("zip -q - - < Scrollertext.txt > piped.zip"));
    const auto bytes = dir_.Read("piped.zip");
    ASSERT_GT(bytes.size(), 30u);
    ASSERT_EQ(le::Read32(&bytes[18]), zip::kZip64Marker);
    DataArchive archive = Open("piped.zip");
    EXPECT_EQ(LoadAll(archive, "-"), text_);
    dir_.Write("stub", test::NoiseBytes(999, 14));
    ASSERT_TRUE(dir_.Run("cat stub piped.zip > sfx.zip"));
    DataArchive sfx = Open("sfx.zip");
    EXPECT_EQ(LoadAll(sfx, "-"), text_);
}

TEST_F(ExternalArchives, InfoZipEncryptedEntryIsNotDelivered) {
    ASSERT_TRUE(
        dir_.Run("zip -q -P secret locked.zip BlueEnv.bmp && zip -q locked.zip Scrollertext.txt"));
    DataArchive archive = Open("locked.zip");
    uint8_t untouched = 0;
    uint8_t* buffer = &untouched;
    EXPECT_EQ(archive.Load("BlueEnv.bmp", &buffer), 0u);
    EXPECT_EQ(buffer, &untouched);
    EXPECT_EQ(LoadAll(archive, "Scrollertext.txt"), text_);
}

constexpr const char* kPythonZip = R"(python3 -c '
import sys, zipfile
out, method = sys.argv[1], {"stored": zipfile.ZIP_STORED, "deflated": zipfile.ZIP_DEFLATED}[sys.argv[2]]
target = sys.stdout.buffer if out == "-" else out
with zipfile.ZipFile(target, "w", method) as z:
    for name in ("BlueEnv.bmp", "Scrollertext.txt", "SkyBox/Front.jpg"):
        z.write(name, name)
' )";

TEST_F(ExternalArchives, PythonStoredAndDeflated) {
    ASSERT_TRUE(dir_.Run(std::string(kPythonZip) + "stored.zip stored"));
    ASSERT_TRUE(dir_.Run(std::string(kPythonZip) + "deflated.zip deflated"));
    DataArchive stored = Open("stored.zip");
    EXPECT_EQ(Methods(stored), (std::vector<uint16_t>{0, 0, 0}));
    ExpectAllThree(stored);
    DataArchive deflated = Open("deflated.zip");
    EXPECT_EQ(Methods(deflated), (std::vector<uint16_t>{8, 8, 8}));
    ExpectAllThree(deflated);
}

TEST_F(ExternalArchives, PythonUnseekableOutputZeroesLocalCrcAndSizes) {
    ASSERT_TRUE(dir_.Run(std::string(kPythonZip) + "- deflated | cat > streamed.zip"));
    const auto bytes = dir_.Read("streamed.zip");
    ASSERT_GT(bytes.size(), 30u);
    ASSERT_TRUE(le::Read16(&bytes[6]) & zip::kFlagDataDescriptor);
    EXPECT_EQ(le::Read32(&bytes[14]), 0u);
    EXPECT_EQ(le::Read32(&bytes[18]), 0u);
    DataArchive archive = Open("streamed.zip");
    ExpectAllThree(archive);
}

TEST_F(ExternalArchives, OtherToolsReadWhatTheWriterMakes) {
    ZipWriter writer;
    writer.Add("BlueEnv.bmp", blue_);
    writer.Add("Scrollertext.txt", text_, ZipMethod::kDeflated, true);
    writer.Add("SkyBox/Front.jpg", front_, ZipMethod::kStored);
    writer.SetComment("Tavrin");
    dir_.Write("written.zip", writer.Finish());
    EXPECT_TRUE(dir_.Run("unzip -tq written.zip > /dev/null"));
    EXPECT_TRUE(dir_.Run("python3 -c 'import zipfile,sys; sys.exit(zipfile.ZipFile(\"written.zip\").testzip() is not None)'"));
    ASSERT_TRUE(dir_.Run("mkdir out && cd out && unzip -q ../written.zip"));
    EXPECT_EQ(dir_.Read("out/Scrollertext.txt"), text_);
    EXPECT_EQ(dir_.Read("out/SkyBox/Front.jpg"), front_);
}

}  // namespace
}  // namespace tavrin
