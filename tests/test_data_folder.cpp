// Where a game's files come from: an installed game under its prefix, and a
// Windows game beside its .exe or in the folder it was started in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/common.h"
#include "quorl/host.h"

namespace fs = std::filesystem;

namespace {

// A scratch tree <root>/bin and <root>/share/quorl (the bundled game's
// dataDirectory), each holding a file, and a folder to start from.
struct Tree {
    fs::path root = fs::temp_directory_path() /
                    (std::string("quorl-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path bin = root / "bin";
    fs::path data = root / "share" / "quorl";
    fs::path start = root / "start";
    fs::path before = fs::current_path();

    Tree()
    {
        fs::create_directories(bin);
        fs::create_directories(data);
        fs::create_directories(start);
        std::ofstream(bin / "beside.png") << "x";
        std::ofstream(data / "installed.png") << "x";
        std::ofstream(start / "here.png") << "x";
        fs::current_path(start);
    }
    ~Tree()
    {
        fs::current_path(before);
        fs::remove_all(root);
    }
};

}  // namespace

TEST(DataFolder, AnInstalledGameReadsTheFolderUnderItsPrefix)
{
    Tree tree;
    chooseDataFolder(tree.bin.string().c_str(), DATA_UNDER_PREFIX);
    EXPECT_TRUE(fs::equivalent(fs::current_path(), tree.data));
}

// A .exe in a folder named bin with a share/quorl beside it stays in the
// folder it was started in, and finds what that lacks beside itself.
TEST(DataFolder, AWindowsGameReadsItsStartFolderThenItsOwn)
{
    Tree tree;
    chooseDataFolder(tree.bin.string().c_str(), DATA_BESIDE_PROGRAM);
    EXPECT_TRUE(fs::equivalent(fs::current_path(), tree.start));
    EXPECT_EQ(dataFilePath("here.png"), "here.png");
    EXPECT_TRUE(fs::equivalent(dataFilePath("beside.png"), tree.bin / "beside.png"));
    EXPECT_EQ(dataFilePath("installed.png"), "installed.png") << "missing everywhere: as given";
    std::string absolute = (tree.bin / "none.png").string();
    EXPECT_EQ(dataFilePath(absolute.c_str()), absolute);
}
