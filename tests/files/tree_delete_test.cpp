#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

// A tree with nested folders, a read-only file, a read-only folder and links
// to a folder and a file outside it.
class TreeDeleteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_ = dir_.Sub("tree");
    mkdir(tree_.c_str(), 0755);
    mkdir((tree_ + "/a").c_str(), 0755);
    mkdir((tree_ + "/a/b").c_str(), 0755);
    mkdir((tree_ + "/empty").c_str(), 0755);
    mkdir((tree_ + "/empty/inner").c_str(), 0755);
    WriteBytes(tree_ + "/top.txt", "t");
    WriteBytes(tree_ + "/a/b/deep.txt", "d");
    WriteBytes(tree_ + "/a/.hidden", "h");
    WriteBytes(tree_ + "/a/ro.txt", "r");
    chmod((tree_ + "/a/ro.txt").c_str(), 0444);
    mkdir((tree_ + "/rodir").c_str(), 0755);
    WriteBytes(tree_ + "/rodir/f", "f");
    chmod((tree_ + "/rodir").c_str(), 0555);
    WriteBytes(outside_.Sub("keep.txt"), "k");
    chmod(outside_.Sub("keep.txt").c_str(), 0444);
    symlink(outside_.path().c_str(), (tree_ + "/a/outdir").c_str());
    symlink(outside_.Sub("keep.txt").c_str(), (tree_ + "/outfile").c_str());
    symlink((tree_ + "/a").c_str(), (tree_ + "/a/b/loop").c_str());
  }
  bool IsLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }

  TempDir dir_;
  TempDir outside_;
  std::string tree_;
};

TEST_F(TreeDeleteTest, DeletesEverythingInsideAndNothingOutside) {
  CStringOpr::DeleteDirectory(dir_.Win("tree"));
  EXPECT_FALSE(Exists(tree_));
  EXPECT_FALSE(IsLink(tree_ + "/a/outdir"));
  EXPECT_TRUE(Exists(outside_.Sub("keep.txt")));
  struct stat st;
  ASSERT_EQ(stat(outside_.Sub("keep.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);  // the target's attributes were not reset
}

TEST_F(TreeDeleteTest, ALinkNamedAsTheFolderIsRemovedNotEmptied) {
  WriteBytes(outside_.Sub("more.txt"), "m");
  symlink(outside_.path().c_str(), dir_.Sub("alias").c_str());
  CStringOpr::DeleteDirectory(dir_.Win("alias") + L"\\");
  EXPECT_FALSE(IsLink(dir_.Sub("alias")));
  EXPECT_TRUE(Exists(outside_.Sub("more.txt")));
  CStringOpr::DeleteEmptyDirectory(CString());  // empty text names nothing
  CStringOpr::DeleteDirectory(CString());
  EXPECT_TRUE(Exists(tree_ + "/top.txt"));
}

TEST_F(TreeDeleteTest, DeleteEmptyDirectoryKeepsFilesAndLinks) {
  CStringOpr::DeleteEmptyDirectory(dir_.Win("tree"));
  EXPECT_FALSE(Exists(tree_ + "/empty"));
  EXPECT_TRUE(Exists(tree_ + "/a/b/deep.txt"));
  EXPECT_TRUE(Exists(tree_ + "/a/ro.txt"));
  EXPECT_TRUE(IsLink(tree_ + "/a/outdir"));
  EXPECT_TRUE(Exists(outside_.Sub("keep.txt")));

  // Only files left: deleting them leaves empty folders that all go.
  CStringOpr::DeleteDirectory(dir_.Win("tree\\a"));
  CStringOpr::DeleteDirectory(dir_.Win("tree\\rodir"));
  unlink((tree_ + "/top.txt").c_str());
  unlink((tree_ + "/outfile").c_str());
  mkdir((tree_ + "/x").c_str(), 0755);
  CStringOpr::DeleteEmptyDirectory(dir_.Win("tree"));
  EXPECT_FALSE(Exists(tree_));
}

TEST(TreeDelete, BackslashNamesNeverReachOutsideTheTree) {
  TempDir dir;
  WriteBytes(dir.Sub("victim/precious.txt"), "p");
  WriteBytes(dir.Sub("tree/..\\victim/inside.txt"), "i");
  WriteBytes(dir.Sub("tree/\\/\\/inside.txt"), "i");
  WriteBytes(dir.Sub("tree/..\\victim.txt"), "i");
  WriteBytes(dir.Sub("victim.txt"), "v");
  CStringOpr::DeleteDirectory(dir.Win("tree"));
  EXPECT_FALSE(Exists(dir.Sub("tree")));
  EXPECT_TRUE(Exists(dir.Sub("victim/precious.txt")));
  EXPECT_TRUE(Exists(dir.Sub("victim.txt")));
}

TEST(TreeDelete, SpecialFilesGoAsEntries) {
  TempDir dir;
  WriteBytes(dir.Sub("tree/sub/a.txt"), "a");
  ASSERT_EQ(mkfifo(dir.Sub("tree/sub/pipe").c_str(), 0644), 0);
  CStringOpr::DeleteEmptyDirectory(dir.Win("tree"));
  EXPECT_TRUE(Exists(dir.Sub("tree/sub/pipe")));  // not a folder: stays
  CStringOpr::DeleteDirectory(dir.Win("tree"));
  EXPECT_FALSE(Exists(dir.Sub("tree")));
}

// Walks past the number of folders held open reopen them by name and close
// every descriptor they opened.
TEST(TreeDelete, DeepTreeGoesWholeAndLeavesNoDescriptorOpen) {
  auto openDescriptors = [] {
    int count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd"); it != std::filesystem::directory_iterator();
         ++it)
      ++count;
    return count;
  };
  TempDir dir;
  std::string path = dir.Sub("tree");
  mkdir(path.c_str(), 0755);
  std::string relative = "tree";
  for (int level = 0; level < 120; ++level) {
    relative += "/level-" + std::to_string(level);
    ASSERT_EQ(mkdir(dir.Sub(relative).c_str(), 0755), 0);
    if (level % 7 == 0) WriteBytes(dir.Sub(relative + "/f.txt"), "f");
  }
  const int before = openDescriptors();
  CStringArray files;
  EXPECT_EQ(CStringOpr::getFilesInFolder(dir.Win("tree"), files, TRUE, CString()), 18);
  CStringOpr::DeleteEmptyDirectory(dir.Win("tree"));
  EXPECT_TRUE(Exists(dir.Sub(relative.substr(0, relative.rfind('/')))));
  CStringOpr::DeleteDirectory(dir.Win("tree"));
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
