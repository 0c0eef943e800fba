#include "shell/data_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/scoped_environment.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// Runs each case in an empty folder of its own, without TAVRIN_DATA, and puts both back after.
class DataLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory_ = fs::current_path();
        folder_ = fs::temp_directory_path() / ("tavrin-data-location-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(previousDirectory_);
        fs::remove_all(folder_);
    }
    std::string Make(const std::string& name) {
        const fs::path path = folder_ / name;
        std::ofstream(path) << "archive";
        return path.string();
    }

    fs::path folder_;
    fs::path previousDirectory_;
    const ScopedEnvironment noData_{{"TAVRIN_DATA", nullptr}};
};

// The tests run from the build's bin folder, where the build puts Tavrin.data beside them.
const std::string kBesideTheTests = TAVRIN_BIN_DIR "/Tavrin.data";

TEST_F(DataLocationTest, SearchesTheWorkingDirectoryThenBesideTheProgram) {
    if (!fs::exists(kBesideTheTests)) GTEST_SKIP() << "no Tavrin.data in the build";
    DataLocation found = LocateDataArchive();
    EXPECT_EQ(found.path, kBesideTheTests);
    EXPECT_EQ(found.tried,
              (std::vector<std::string>{(folder_ / "Tavrin.data").string(), kBesideTheTests}));

    const std::string here = Make("Tavrin.data");
    found = LocateDataArchive();
    EXPECT_EQ(found.path, here);
    EXPECT_EQ(found.tried.size(), 1u);

    // A folder of that name is not an archive.
    fs::remove(here);
    fs::create_directory(here);
    EXPECT_EQ(LocateDataArchive().path, kBesideTheTests);
}

TEST_F(DataLocationTest, ANamedArchiveIsTheOnlyPlaceLookedAt) {
    Make("Tavrin.data");
    const std::string named = Make("other.data");
    setenv("TAVRIN_DATA", named.c_str(), 1);
    EXPECT_EQ(LocateDataArchive().path, named);

    // The command line goes before the environment, and a missing file is reported, not replaced.
    const std::string missing = (folder_ / "missing.data").string();
    const DataLocation location = LocateDataArchive(missing);
    EXPECT_TRUE(location.path.empty());
    EXPECT_EQ(location.tried, std::vector<std::string>{missing});
    EXPECT_EQ(DescribeMissingData(location), "no data archive: looked at " + missing);

    setenv("TAVRIN_DATA", missing.c_str(), 1);
    EXPECT_TRUE(LocateDataArchive().path.empty());
    EXPECT_EQ(LocateDataArchive(named).path, named);
    // Set but empty counts as not set.
    setenv("TAVRIN_DATA", "", 1);
    EXPECT_EQ(LocateDataArchive().path, (folder_ / "Tavrin.data").string());
}

TEST(DataLocation, TheErrorNamesEveryPlaceInOrder) {
    const DataLocation location{"", {"/a/Tavrin.data", "/b/Tavrin.data", "/c/Tavrin.data"}};
    EXPECT_EQ(DescribeMissingData(location),
              "no data archive: looked at /a/Tavrin.data, /b/Tavrin.data and /c/Tavrin.data");
}

}  // namespace
}  // namespace tavrin
