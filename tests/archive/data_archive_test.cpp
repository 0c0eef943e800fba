#include "archive/data_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/zip_format.h"
#include "archive_fixtures.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

using test::Bytes;
using test::LoadAll;

DataArchive FromWriter(ZipWriter& writer) { return DataArchive(test::InMemory(writer.Finish())); }

size_t FirstCentralHeader(const std::vector<uint8_t>& archive) {
    return le::Read32(&archive[archive.size() - zip::kEndRecordSize + 16]);
}

TEST(DataArchive, FindsNamesWhateverTheirLetterCase) {
    ZipWriter writer;
    writer.Add("BlueEnv.bmp", Bytes("blue"));
    writer.Add("SkyBox/Front.jpg", Bytes("front"));
    writer.Add("Stadion.x", test::TextBytes(3000));
    DataArchive archive = FromWriter(writer);
    EXPECT_EQ(archive.EntryCount(), 3u);

    EXPECT_EQ(LoadAll(archive, "bLuEeNv.BMP"), Bytes("blue"));
    EXPECT_EQ(LoadAll(archive, "skybox/FRONT.JPG"), Bytes("front"));
    EXPECT_EQ(LoadAll(archive, "Stadion.x"), test::TextBytes(3000));
    // Separators are compared as stored, and a name must match whole.
    EXPECT_TRUE(LoadAll(archive, "SkyBox\\Front.jpg").empty());
    EXPECT_TRUE(LoadAll(archive, "BlueEnv").empty());
    EXPECT_TRUE(LoadAll(archive, "BlueEnv.bmpx").empty());
}

TEST(DataArchive, MissingNameLeavesTheBufferUntouched) {
    ZipWriter writer;
    writer.Add("KVB.xm", Bytes("xm"));
    DataArchive archive = FromWriter(writer);
    uint8_t sentinel = 0;
    uint8_t* buffer = &sentinel;
    EXPECT_EQ(archive.Load("Pokal3.x", &buffer), 0u);
    EXPECT_EQ(buffer, &sentinel);
}

TEST(DataArchive, NamesAreToldApartByTheirFirst256Characters) {
    const std::string stem(256, 'n');
    ZipWriter writer;
    writer.Add(stem + "first", Bytes("1"));
    writer.Add(stem + "second", Bytes("2"));
    writer.Add(std::string(255, 'm'), Bytes("3"));
    DataArchive archive = FromWriter(writer);
    EXPECT_EQ(LoadAll(archive, (stem + "second").c_str()), Bytes("1"));
    EXPECT_EQ(LoadAll(archive, std::string(255, 'M').c_str()), Bytes("3"));
    EXPECT_TRUE(LoadAll(archive, std::string(254, 'm').c_str()).empty());
}

TEST(DataArchive, ArchiveBehindAStubOpens) {
    ZipWriter writer(test::NoiseBytes(3000, 4));
    writer.Add("Fussball.x", test::TextBytes(20000));
    writer.Add("Flare.bmp", test::NoiseBytes(500, 5));
    DataArchive archive = FromWriter(writer);
    EXPECT_EQ(LoadAll(archive, "Fussball.x"), test::TextBytes(20000));
    EXPECT_EQ(LoadAll(archive, "Flare.bmp"), test::NoiseBytes(500, 5));
}

TEST(DataArchive, DataDescriptorEntriesUseTheCentralValues) {
    ZipWriter writer;
    writer.Add("stored", Bytes("stored bytes"), ZipMethod::kStored, true);
    writer.Add("deflated", test::TextBytes(9000), ZipMethod::kDeflated, true);
    DataArchive archive = FromWriter(writer);
    EXPECT_EQ(LoadAll(archive, "stored"), Bytes("stored bytes"));
    EXPECT_EQ(LoadAll(archive, "deflated"), test::TextBytes(9000));
}

TEST(DataArchive, EndSignatureInTheCommentCountsOnlyWhereItsCommentReachesTheEnd) {
    const auto withComment = [](const std::string& comment) {
        ZipWriter writer;
        writer.Add("a", Bytes("alpha"));
        writer.SetComment(comment);
        return DataArchive(test::InMemory(writer.Finish()));
    };
    DataArchive plain = withComment("made for the show");
    EXPECT_EQ(plain.CommentSize(), 17u);
    EXPECT_EQ(LoadAll(plain, "a"), Bytes("alpha"));

    // The fake record is well formed, empty and ends exactly at the end of the file: it is taken.
    DataArchive fakeEmpty = withComment(std::string("PK\5\6") + std::string(18, '\0'));
    EXPECT_TRUE(fakeEmpty.IsOpen());
    EXPECT_EQ(fakeEmpty.EntryCount(), 0u);
    EXPECT_TRUE(LoadAll(fakeEmpty, "a").empty());

    // A signature whose comment length does not reach the end is passed over for the real record.
    DataArchive passedOver = withComment("PK\5\6 and then some text that is no record");
    EXPECT_TRUE(passedOver.IsOpen());
    EXPECT_EQ(passedOver.CommentSize(), 41u);
    EXPECT_EQ(LoadAll(passedOver, "a"), Bytes("alpha"));
}

// One stored entry written the way ZIP64 writers do: every size and offset in the headers is the
// 0xFFFFFFFF marker, the real values are in the extra fields, and a ZIP64 end record with its
// locator stands before an end record whose counts are saturated too.
std::vector<uint8_t> Zip64Archive(const std::string& name, const std::string& data, size_t prefix) {
    std::vector<uint8_t> out(prefix, 0x5A);
    const auto u16 = [&](uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const auto u64 = [&](uint64_t v) { u32(uint32_t(v)), u32(uint32_t(v >> 32)); };
    const auto text = [&](const std::string& s) { out.insert(out.end(), s.begin(), s.end()); };
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    u32(zip::kLocalHeaderSignature), u16(45), u16(0), u16(0), u32(0), u32(crc);
    u32(0xFFFFFFFF), u32(0xFFFFFFFF), u16(uint16_t(name.size())), u16(20), text(name);
    u16(1), u16(16), u64(data.size()), u64(data.size()), text(data);
    const size_t central = out.size() - prefix;
    u32(zip::kCentralHeaderSignature), u16(45), u16(45), u16(0), u16(0), u32(0), u32(crc);
    u32(0xFFFFFFFF), u32(0xFFFFFFFF), u16(uint16_t(name.size())), u16(28), u16(0), u16(0), u16(0),
        u32(0);
    u32(0xFFFFFFFF), text(name);
    u16(1), u16(24), u64(data.size()), u64(data.size()), u64(0);
    const size_t zip64End = out.size() - prefix;
    u32(zip::kZip64EndRecordSignature), u64(44), u16(45), u16(45), u32(0), u32(0);
    u64(1), u64(1), u64(zip64End - central), u64(central);
    u32(zip::kZip64LocatorSignature), u32(0), u64(zip64End), u32(1);
    u32(zip::kEndRecordSignature), u16(0xFFFF), u16(0xFFFF), u16(0xFFFF), u16(0xFFFF);
    u32(0xFFFFFFFF), u32(0xFFFFFFFF), u16(0);
    return out;
}

TEST(DataArchive, Zip64RecordsAndExtraFieldsAreRead) {
    for (size_t prefix : {0, 777}) {
        DataArchive archive(
            test::InMemory(Zip64Archive("Scrollertext.txt", "Thanks for watching", prefix)));
        ASSERT_TRUE(archive.IsOpen()) << "prefix " << prefix;
        EXPECT_EQ(archive.EntryCount(), 1u);
        EXPECT_EQ(LoadAll(archive, "scrollertext.txt"), Bytes("Thanks for watching"));
    }
    // A size beyond 32 bits cannot be delivered: the entry is refused, not misread.
    auto huge = Zip64Archive("a", "alpha", 0);
    huge[30 + 1 + 20 + 5 + 46 + 1 + 4 + 4] = 1;  // high half of the central uncompressed size
    DataArchive archive(test::InMemory(huge));
    ASSERT_TRUE(archive.IsOpen());
    EXPECT_EQ(ZipOpenEntry(archive.Reader()), ZipBadArchive);
    EXPECT_TRUE(LoadAll(archive, "a").empty());
}

TEST(DataArchive, EncryptedEntriesCountAsMissing) {
    ZipWriter writer;
    writer.Add("secret.txt", Bytes("ciphertext"), ZipMethod::kStored);
    writer.Add("plain.txt", Bytes("plain"));
    std::vector<uint8_t> bytes = writer.Finish();
    bytes[6] |= zip::kFlagEncrypted;
    bytes[FirstCentralHeader(bytes) + 8] |= zip::kFlagEncrypted;
    DataArchive archive(test::InMemory(bytes));
    uint8_t untouched = 0;
    uint8_t* buffer = &untouched;
    EXPECT_EQ(archive.Load("secret.txt", &buffer), 0u);
    EXPECT_EQ(buffer, &untouched);
    EXPECT_EQ(ZipOpenEntry(archive.Reader()), ZipBadArchive);
    EXPECT_EQ(LoadAll(archive, "plain.txt"), Bytes("plain"));
}

TEST(DataArchive, FailedLoadsLeaveNoBuffer) {
    ZipWriter writer;
    writer.Add("empty.txt", {});
    writer.Add("broken", test::TextBytes(5000), ZipMethod::kDeflated);
    writer.Add("short", Bytes("0123456789"), ZipMethod::kStored, true);
    auto bytes = writer.Finish();
    // Corrupt the deflate stream of "broken".
    const size_t brokenData = zip::kLocalHeaderSize + 9 + zip::kLocalHeaderSize + 6;
    std::fill(bytes.begin() + brokenData, bytes.begin() + brokenData + 16, 0xFF);
    // "short" claims more bytes than it stores (its data descriptor lets the local header disagree).
    size_t central = FirstCentralHeader(bytes);
    for (int skip = 0; skip < 2; ++skip)
        central += zip::kCentralHeaderSize + le::Read16(&bytes[central + 28]);
    test::Put32At(bytes, central + 24, 20);
    DataArchive archive(test::InMemory(bytes));

    for (const char* name : {"empty.txt", "broken", "short"}) {
        uint8_t sentinel = 0;
        uint8_t* buffer = &sentinel;
        EXPECT_EQ(archive.Load(name, &buffer), 0u) << name;
        EXPECT_EQ(buffer, nullptr) << name;
    }
}

TEST(DataArchive, StoredEntryClaimingMoreThanItHoldsStopsShort) {
    ZipWriter writer;
    writer.Add("short", test::NoiseBytes(20000, 6), ZipMethod::kStored, true);
    auto bytes = writer.Finish();
    test::Put32At(bytes, FirstCentralHeader(bytes) + 24, 30000);
    ZipReader* zip = ZipOpen(test::InMemory(bytes));
    ASSERT_NE(zip, nullptr);
    std::vector<uint8_t> out(30000);
    ASSERT_EQ(ZipOpenEntry(zip), ZipOk);
    EXPECT_EQ(ZipReadEntry(zip, out.data(), 30000), 20000);
    EXPECT_EQ(ZipReadEntry(zip, out.data(), 30000), 0);
    ZipClose(zip);
}

TEST(DataArchive, CrcMismatchStillReturnsTheBytes) {
    ZipWriter writer;
    writer.Add("Outline_Bunt.tga", test::TextBytes(1000));
    auto bytes = writer.Finish();
    test::Put32At(bytes, 14, 0x12345678);
    test::Put32At(bytes, FirstCentralHeader(bytes) + 16, 0x12345678);
    DataArchive archive(test::InMemory(bytes));
    EXPECT_EQ(LoadAll(archive, "outline_bunt.tga"), test::TextBytes(1000));
}

TEST(DataArchive, UnopenedArchiveLoadsNothing) {
    DataArchive missing(std::string("/nonexistent/Tavrin.data"));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.EntryCount(), 0u);
    EXPECT_TRUE(LoadAll(missing, "KVB.xm").empty());

    DataArchive garbage(test::InMemory(test::NoiseBytes(2000, 7)));
    EXPECT_FALSE(garbage.IsOpen());
    EXPECT_TRUE(LoadAll(garbage, "KVB.xm").empty());
}

TEST(DataArchive, OpensAFileOnDisk) {
    test::TempDir dir;
    ZipWriter writer;
    writer.Add("Scrollertext.txt", test::TextBytes(40000));
    dir.Write("Tavrin.data", writer.Finish());
    DataArchive archive((dir / "Tavrin.data").string());
    EXPECT_EQ(LoadAll(archive, "SCROLLERTEXT.TXT"), test::TextBytes(40000));
}

}  // namespace
}  // namespace tavrin
