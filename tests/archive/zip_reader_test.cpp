#include "archive/zip_reader.h"

#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "archive_fixtures.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

using test::Bytes;

struct ZipCloser {
    void operator()(ZipReader* zip) const { ZipClose(zip); }
};
using ZipHandle = std::unique_ptr<ZipReader, ZipCloser>;

ZipHandle Open(std::vector<uint8_t> archive) { return ZipHandle(ZipOpen(test::InMemory(std::move(archive)))); }

// Where the first central header of an archive without a comment or prefix lies.
size_t FirstCentralHeader(const std::vector<uint8_t>& archive) {
    return le::Read32(&archive[archive.size() - zip::kEndRecordSize + 16]);
}

std::vector<uint8_t> ThreeEntries() {
    ZipWriter writer;
    writer.Add("Scrollertext.txt", test::TextBytes(70000));
    writer.Add("SkyBox/Front.jpg", test::NoiseBytes(40000, 3), ZipMethod::kStored);
    writer.Add("KVB.xm", test::TextBytes(100));
    return writer.Finish();
}

TEST(ZipReader, WalksTheCentralDirectoryInOrder) {
    auto zip = Open(ThreeEntries());
    ASSERT_NE(zip, nullptr);
    ZipGlobalInfo info{};
    ASSERT_EQ(ZipGetGlobalInfo(zip.get(), &info), ZipOk);
    EXPECT_EQ(info.entryCount, 3u);

    std::vector<std::string> names;
    uint32_t previousPosition = 0;
    for (int32_t result = ZipGoToFirstEntry(zip.get()); result == ZipOk; result = ZipGoToNextEntry(zip.get())) {
        ArchiveEntry entry{};
        char name[64];
        ASSERT_EQ(ZipGetEntryInfo(zip.get(), &entry, name, sizeof name, nullptr, 0, nullptr, 0), ZipOk);
        EXPECT_EQ(entry.nameLength, std::string(name).size());
        if (!names.empty()) {
            EXPECT_GT(entry.centralPosition, previousPosition);
        }
        previousPosition = entry.centralPosition;
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Scrollertext.txt", "SkyBox/Front.jpg", "KVB.xm"}));
    EXPECT_EQ(ZipGoToNextEntry(zip.get()), ZipEndOfList);
}

TEST(ZipReader, NameBufferGetsATerminatorOnlyWhenThereIsRoom) {
    ZipWriter writer;
    writer.Add("Flare.bmp", Bytes("f"));
    auto zip = Open(writer.Finish());
    ASSERT_NE(zip, nullptr);

    char roomy[16];
    std::fill(std::begin(roomy), std::end(roomy), '#');
    ASSERT_EQ(ZipGetEntryInfo(zip.get(), nullptr, roomy, sizeof roomy, nullptr, 0, nullptr, 0), ZipOk);
    EXPECT_STREQ(roomy, "Flare.bmp");
    EXPECT_EQ(roomy[10], '#');

    char tight[6];
    std::fill(std::begin(tight), std::end(tight), '#');
    ASSERT_EQ(ZipGetEntryInfo(zip.get(), nullptr, tight, 5, nullptr, 0, nullptr, 0), ZipOk);
    EXPECT_EQ(std::string(tight, 6), "Flare#");
}

// Reads an entry in odd-sized pieces so that pieces straddle the reader's input chunks.
std::vector<uint8_t> ReadInPieces(ZipReader* zip, uint32_t piece, int32_t* closeResult) {
    std::vector<uint8_t> out;
    EXPECT_EQ(ZipOpenEntry(zip), ZipOk);
    std::vector<uint8_t> buffer(piece);
    int32_t n;
    while ((n = ZipReadEntry(zip, buffer.data(), piece)) > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_EQ(n, 0);
    *closeResult = ZipCloseEntry(zip);
    return out;
}

TEST(ZipReader, ReadsStoredAndDeflatedEntriesPieceByPiece) {
    auto zip = Open(ThreeEntries());
    ASSERT_NE(zip, nullptr);
    int32_t closeResult = -1;
    ASSERT_EQ(ZipGoToFirstEntry(zip.get()), ZipOk);
    EXPECT_EQ(ReadInPieces(zip.get(), 4099, &closeResult), test::TextBytes(70000));
    EXPECT_EQ(closeResult, ZipOk);
    ASSERT_EQ(ZipGoToNextEntry(zip.get()), ZipOk);
    EXPECT_EQ(ReadInPieces(zip.get(), 777, &closeResult), test::NoiseBytes(40000, 3));
    EXPECT_EQ(closeResult, ZipOk);
}

TEST(ZipReader, CrcIsCheckedOnlyOnceEverythingWasDelivered) {
    auto archive = ThreeEntries();
    const size_t central = FirstCentralHeader(archive);
    // Same wrong CRC in both headers, so the entry still opens.
    const uint32_t wrongCrc = le::Read32(&archive[central + 16]) ^ 1;
    test::Put32At(archive, central + 16, wrongCrc);
    test::Put32At(archive, 14, wrongCrc);
    auto zip = Open(archive);
    ASSERT_NE(zip, nullptr);

    uint8_t some[100];
    ASSERT_EQ(ZipOpenEntry(zip.get()), ZipOk);
    EXPECT_EQ(ZipReadEntry(zip.get(), some, sizeof some), 100);
    EXPECT_EQ(ZipCloseEntry(zip.get()), ZipOk);

    int32_t closeResult = ZipOk;
    EXPECT_EQ(ReadInPieces(zip.get(), 10000, &closeResult), test::TextBytes(70000));
    EXPECT_EQ(closeResult, ZipCrcError);
}

TEST(ZipReader, OperationsWithoutTheirPreconditionsAreParamErrors) {
    uint8_t byte;
    EXPECT_EQ(ZipClose(nullptr), ZipParamError);
    EXPECT_EQ(ZipGetGlobalInfo(nullptr, nullptr), ZipParamError);
    EXPECT_EQ(ZipOpenEntry(nullptr), ZipParamError);
    auto zip = Open(ThreeEntries());
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipReadEntry(zip.get(), &byte, 1), ZipParamError);
    EXPECT_EQ(ZipCloseEntry(zip.get()), ZipParamError);
    ASSERT_EQ(ZipOpenEntry(zip.get()), ZipOk);
    EXPECT_EQ(ZipReadEntry(zip.get(), &byte, 0), 0);
    // Opening again closes the open entry first.
    ASSERT_EQ(ZipOpenEntry(zip.get()), ZipOk);
    EXPECT_EQ(ZipCloseEntry(zip.get()), ZipOk);
    EXPECT_EQ(ZipCloseEntry(zip.get()), ZipParamError);
}

TEST(ZipReader, LocalHeaderMustAgreeWithTheCentralOne) {
    const auto archive = ThreeEntries();
    const auto openFirst = [](std::vector<uint8_t> bytes) {
        auto zip = Open(std::move(bytes));
        return zip ? ZipOpenEntry(zip.get()) : ZipIoError;
    };
    auto method = archive;
    method[8] = 0;  // local says stored, central says deflated
    EXPECT_EQ(openFirst(method), ZipBadArchive);
    auto nameLength = archive;
    nameLength[26] += 1;
    EXPECT_EQ(openFirst(nameLength), ZipBadArchive);
    auto size = archive;
    size[22] ^= 1;
    EXPECT_EQ(openFirst(size), ZipBadArchive);
    auto signature = archive;
    signature[0] = 'X';
    EXPECT_EQ(openFirst(signature), ZipBadArchive);
    auto extraLength = archive;  // may differ: it only moves the data
    extraLength[28] = 0;
    EXPECT_EQ(openFirst(extraLength), ZipOk);
}

TEST(ZipReader, UnknownMethodIsRefused) {
    ZipWriter writer;
    writer.Add("a", Bytes("alpha"), ZipMethod::kStored);
    auto archive = writer.Finish();
    archive[8] = 12;  // bzip2, in both headers
    archive[FirstCentralHeader(archive) + 10] = 12;
    auto zip = Open(archive);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipOpenEntry(zip.get()), ZipBadArchive);
}

TEST(ZipReader, RejectsWhatIsNotASingleDiskArchive) {
    const auto archive = ThreeEntries();
    const size_t record = archive.size() - zip::kEndRecordSize;
    EXPECT_EQ(Open({}), nullptr);
    EXPECT_EQ(Open(test::NoiseBytes(5000, 9)), nullptr);
    EXPECT_EQ(Open(std::vector<uint8_t>(archive.begin(), archive.begin() + record + 10)), nullptr);
    auto disk = archive;
    disk[record + 4] = 1;
    EXPECT_EQ(Open(disk), nullptr);
    auto entriesOnDisk = archive;
    entriesOnDisk[record + 8] = 2;
    EXPECT_EQ(Open(entriesOnDisk), nullptr);
    auto directoryPastRecord = archive;
    test::Put32At(directoryPastRecord, record + 16, static_cast<uint32_t>(record));
    EXPECT_EQ(Open(directoryPastRecord), nullptr);
    EXPECT_EQ(ZipOpen(std::string("/nonexistent/Tavrin.data")), nullptr);
}

TEST(ZipReader, BrokenCentralHeaderInvalidatesTheEntry) {
    auto archive = ThreeEntries();
    archive[FirstCentralHeader(archive)] = 'X';
    auto zip = Open(archive);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipGoToFirstEntry(zip.get()), ZipBadArchive);
    EXPECT_EQ(ZipGoToNextEntry(zip.get()), ZipEndOfList);
    EXPECT_EQ(ZipOpenEntry(zip.get()), ZipParamError);
}

TEST(ZipReader, CorruptDeflateStreamReportsTheZlibError) {
    auto archive = ThreeEntries();
    const size_t data = zip::kLocalHeaderSize + std::string("Scrollertext.txt").size();
    std::fill(archive.begin() + data, archive.begin() + data + 64, 0xFF);
    auto zip = Open(archive);
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(ZipOpenEntry(zip.get()), ZipOk);
    std::vector<uint8_t> out(70000);
    EXPECT_LT(ZipReadEntry(zip.get(), out.data(), 70000), 0);
}

}  // namespace
}  // namespace tavrin
