#include "archive/zip_writer.h"

#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "archive_fixtures.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

using test::Bytes;

ArchiveEntry FirstEntry(const std::vector<uint8_t>& archive) {
    ZipReader* zip = ZipOpen(test::InMemory(archive));
    ArchiveEntry entry{};
    EXPECT_NE(zip, nullptr);
    EXPECT_EQ(ZipGetEntryInfo(zip, &entry, nullptr, 0, nullptr, 0, nullptr, 0), ZipOk);
    ZipClose(zip);
    return entry;
}

TEST(ZipWriter, SameInputGivesByteIdenticalArchives) {
    const auto make = [] {
        ZipWriter writer;
        writer.Add("Scrollertext.txt", test::TextBytes(5000));
        writer.Add("SkyBox/Front.jpg", test::NoiseBytes(3000, 1), ZipMethod::kStored, true);
        writer.SetComment("data");
        return writer.Finish();
    };
    EXPECT_EQ(make(), make());
}

TEST(ZipWriter, MethodChoice) {
    const auto methodOf = [](const std::vector<uint8_t>& bytes, ZipMethod method) {
        ZipWriter writer;
        writer.Add("x", bytes, method);
        const ArchiveEntry entry = FirstEntry(writer.Finish());
        EXPECT_EQ(entry.uncompressedSize, bytes.size());
        return entry.method;
    };
    const auto text = test::TextBytes(4000);
    const auto noise = test::NoiseBytes(4000, 2);
    EXPECT_EQ(methodOf(text, ZipMethod::kSmallest), zip::kMethodDeflated);
    EXPECT_EQ(methodOf(noise, ZipMethod::kSmallest), zip::kMethodStored);
    EXPECT_EQ(methodOf(noise, ZipMethod::kDeflated), zip::kMethodDeflated);
    EXPECT_EQ(methodOf(text, ZipMethod::kStored), zip::kMethodStored);
}

TEST(ZipWriter, DataDescriptorEntryZeroesLocalFieldsAndAppendsThem) {
    const auto data = Bytes("descriptor");
    ZipWriter writer;
    writer.Add("d", data, ZipMethod::kStored, true);
    const auto archive = writer.Finish();

    EXPECT_EQ(le::Read16(&archive[6]) & zip::kFlagDataDescriptor, zip::kFlagDataDescriptor);
    EXPECT_EQ(le::Read32(&archive[14]), 0u);  // CRC
    EXPECT_EQ(le::Read32(&archive[18]), 0u);  // compressed size
    EXPECT_EQ(le::Read32(&archive[22]), 0u);  // size
    const size_t descriptor = zip::kLocalHeaderSize + 1 + data.size();
    EXPECT_EQ(le::Read32(&archive[descriptor]), zip::kDataDescriptorSignature);
    const ArchiveEntry entry = FirstEntry(archive);
    EXPECT_EQ(le::Read32(&archive[descriptor + 4]), entry.crc);
    EXPECT_EQ(le::Read32(&archive[descriptor + 12]), data.size());
}

TEST(ZipWriter, PrefixComesFirstAndOffsetsIgnoreIt) {
    ZipWriter writer(Bytes("MZstub"));
    writer.Add("a", Bytes("alpha"));
    const auto archive = writer.Finish();
    EXPECT_EQ(std::string(archive.begin(), archive.begin() + 6), "MZstub");
    EXPECT_EQ(le::Read32(&archive[6]), zip::kLocalHeaderSignature);
    EXPECT_EQ(FirstEntry(archive).localHeaderOffset, 0u);
}

TEST(ZipWriter, RefusesWhatTheFormatCannotHold) {
    ZipWriter writer;
    EXPECT_FALSE(writer.Add(std::string(70000, 'n'), Bytes("x")));
    EXPECT_TRUE(writer.Add("ok", Bytes("x")));
    ZipReader* zip = ZipOpen(test::InMemory(writer.Finish()));
    ZipGlobalInfo info{};
    ASSERT_EQ(ZipGetGlobalInfo(zip, &info), ZipOk);
    EXPECT_EQ(info.entryCount, 1u);
    ZipClose(zip);
}

}  // namespace
}  // namespace tavrin
