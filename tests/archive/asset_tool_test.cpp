// tavrin-asset as its users run it: exit statuses and what reaches stdout.
#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "archive_fixtures.h"
#include "bytes/little_endian.h"

namespace tavrin {
namespace {

class AssetTool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        ZipWriter writer;
        writer.Add("Scrollertext.txt", test::TextBytes(30000));
        writer.Add("empty.txt", {});
        writer.Add("SCROLLERTEXT.TXT", test::Bytes("never loaded"));
        archive_ = writer.Finish();
        dir_.Write("Tavrin.data", archive_);
    }

    // Runs the tool in the scratch folder with stdout to "out"; returns its exit status.
    int Run(const std::string& arguments) {
        const std::string command =
            std::string("'") + TAVRIN_BIN_DIR + "/tavrin-asset' " + arguments + " > out 2> err; exit $?";
        const std::string line = "cd '" + dir_.path().string() + "' && " + command;
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Out() const {
        const auto bytes = dir_.Read("out");
        return {bytes.begin(), bytes.end()};
    }

    test::TempDir dir_;
    std::vector<uint8_t> archive_;
};

TEST_F(AssetTool, CatWritesTheEntryTheShowWouldLoad) {
    EXPECT_EQ(Run("cat Tavrin.data scrollertext.txt"), 0);
    EXPECT_EQ(dir_.Read("out"), test::TextBytes(30000));
    EXPECT_EQ(Run("cat Tavrin.data empty.txt"), 0);
    EXPECT_TRUE(Out().empty());
}

TEST_F(AssetTool, ListShowsEntriesChecksAndHiddenDuplicates) {
    EXPECT_EQ(Run("list Tavrin.data"), 0);
    const std::string out = Out();
    EXPECT_NE(out.find("deflated"), std::string::npos);
    EXPECT_NE(out.find("Scrollertext.txt"), std::string::npos);
    EXPECT_NE(out.find("SCROLLERTEXT.TXT  (hidden by entry 0)"), std::string::npos);
    EXPECT_NE(out.find("3 entries,"), std::string::npos);
}

TEST_F(AssetTool, ListFlagsACrcMismatch) {
    auto bytes = archive_;
    const size_t central = le::Read32(&bytes[bytes.size() - zip::kEndRecordSize + 16]);
    test::Put32At(bytes, 14, 0xDEADBEEF);
    test::Put32At(bytes, central + 16, 0xDEADBEEF);
    dir_.Write("bad.data", bytes);
    EXPECT_EQ(Run("list bad.data"), 1);
    EXPECT_NE(Out().find("CRC mismatch"), std::string::npos);
}

TEST_F(AssetTool, ListNamesEncryptedEntries) {
    auto bytes = archive_;
    const size_t central = le::Read32(&bytes[bytes.size() - zip::kEndRecordSize + 16]);
    bytes[6] |= zip::kFlagEncrypted;
    bytes[central + 8] |= zip::kFlagEncrypted;
    dir_.Write("locked.data", bytes);
    EXPECT_EQ(Run("list locked.data"), 1);
    EXPECT_NE(Out().find("encrypted"), std::string::npos);
    EXPECT_EQ(Run("cat locked.data Scrollertext.txt"), 1);
}

TEST_F(AssetTool, FailuresExitNonZero) {
    EXPECT_EQ(Run("cat Tavrin.data Missing.x"), 1);
    EXPECT_TRUE(Out().empty());
    EXPECT_EQ(Run("list Missing.data"), 1);
    dir_.Write("junk.data", test::NoiseBytes(3000, 1));
    EXPECT_EQ(Run("cat junk.data KVB.xm"), 1);
    EXPECT_NE(Run("list"), 0);
    EXPECT_NE(Run("frobnicate Tavrin.data"), 0);
}

}  // namespace
}  // namespace tavrin
