// The archive as the build leaves it: complete, reproducible and readable by other tools.

#include <cstdlib>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "forge.h"
#include "forge_fixture.h"

namespace tavrin::forge::test {
namespace {

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(ForgedArchive, IsByteIdenticalOnEveryRunAndMatchesTheBuiltFile) {
    const std::vector<ForgedEntry> first = ForgeEntries();
    const std::vector<ForgedEntry> second = ForgeEntries();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].name << " differs between runs";
    }
    const std::vector<uint8_t> archive = AssembleArchive(first);
    ASSERT_FALSE(archive.empty());
    EXPECT_TRUE(archive == AssembleArchive(second));
    EXPECT_TRUE(archive == LoadFile(BuiltArchivePath())) << "the build's Tavrin.data is stale";
}

TEST(ForgedArchive, HoldsEveryEntryTheShowNamesAndEveryTextureItsMeshesName) {
    std::vector<std::string> names = ShowImageNames();
    for (const std::string& mesh : ShowMeshNames()) names.push_back(mesh);
    names.push_back("Scrollertext.txt");
    names.push_back("KVB.xm");
    for (const std::string& name : names) EXPECT_FALSE(LoadEntry(name).empty()) << name;
    const std::regex textureName("TextureFilename\\s*\\{\\s*\"([^\"]+)\"");
    for (const std::string& mesh : ShowMeshNames()) {
        const std::string text = Text(LoadEntry(mesh));
        for (auto it = std::sregex_iterator(text.begin(), text.end(), textureName); it != std::sregex_iterator(); ++it) {
            EXPECT_FALSE(LoadEntry((*it)[1]).empty()) << mesh << " names missing texture " << (*it)[1];
        }
    }
}

TEST(ForgedArchive, AnEntryThatCannotBeStoredFailsTheWholeArchive) {
    EXPECT_TRUE(AssembleArchive({{"empty.txt", {}}}).empty());
    EXPECT_TRUE(AssembleArchive({{std::string(70000, 'n'), {1, 2, 3}}}).empty());
    EXPECT_FALSE(AssembleArchive({{"a.txt", {'a'}}}).empty());
}

TEST(ForgedArchive, OtherToolsAcceptEveryEntry) {
    const std::string archive = BuiltArchivePath();
    if (!HaveProgram("unzip") || !HaveProgram("identify") || !HaveProgram("assimp")) {
        GTEST_SKIP() << "unzip, ImageMagick identify and assimp are needed";
    }
    EXPECT_EQ(std::system(("unzip -tq '" + archive + "' > /dev/null").c_str()), 0);
    const std::string dir = std::string(TAVRIN_BIN_DIR) + "/forge-check";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "' && unzip -q -o '" + archive + "' -d '" + dir + "'").c_str()), 0);
    for (const std::string& image : ShowImageNames()) {
        EXPECT_EQ(std::system(("identify '" + dir + "/" + image + "' > /dev/null 2>&1").c_str()), 0) << image;
    }
    for (const std::string& mesh : ShowMeshNames()) {
        EXPECT_EQ(std::system(("assimp info '" + dir + "/" + mesh + "' > /dev/null 2>&1").c_str()), 0) << mesh;
    }
    if (HaveProgram("openmpt123")) {
        EXPECT_EQ(std::system(("openmpt123 --info '" + dir + "/KVB.xm' > /dev/null 2>&1").c_str()), 0);
    }
}

}  // namespace
}  // namespace tavrin::forge::test
