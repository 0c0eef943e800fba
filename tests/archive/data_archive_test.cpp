#include "archive/data_archive.h"

#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "archive_fixtures.h"

namespace tavrin {
namespace {

using test::Bytes;
using test::LoadAll;

DataArchive FromWriter(ZipWriter& writer) { return DataArchive(test::InMemory(writer.Finish())); }

size_t FirstCentralHeader(const std::vector<uint8_t>& archive) {
    return zip::ReadLe32(&archive[archive.size() - zip::kEndRecordSize + 16]);
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

TEST(DataArchive, CommentHoldingAnEndSignatureIsTakenForTheRecord) {
    const auto withComment = [](const std::string& comment) {
        ZipWriter writer;
        writer.Add("a", Bytes("alpha"));
        writer.SetComment(comment);
        return DataArchive(test::InMemory(writer.Finish()));
    };
    DataArchive plain = withComment("made for the show");
    EXPECT_EQ(plain.CommentSize(), 17u);
    EXPECT_EQ(LoadAll(plain, "a"), Bytes("alpha"));

    // The fake record is well formed and empty: the archive opens with no entries.
    DataArchive fakeEmpty = withComment(std::string("PK\5\6") + std::string(18, '\0'));
    EXPECT_TRUE(fakeEmpty.IsOpen());
    EXPECT_EQ(fakeEmpty.EntryCount(), 0u);
    EXPECT_TRUE(LoadAll(fakeEmpty, "a").empty());

    DataArchive fakeBroken = withComment("PK\5\6 and then some text that is no record");
    EXPECT_FALSE(fakeBroken.IsOpen());
    EXPECT_TRUE(LoadAll(fakeBroken, "a").empty());
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
    for (int skip = 0; skip < 2; ++skip) central += zip::kCentralHeaderSize + zip::ReadLe16(&bytes[central + 28]);
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
