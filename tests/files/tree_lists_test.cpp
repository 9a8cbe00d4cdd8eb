// Copying listed trees whose names differ only in case, and trees made on
// Windows copied into folders of another case.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

TEST(TreeListsTest, CaseTwinsAreAllKeptByTheCopy) {
  TempDir from, to;
  mkdir(from.Sub("sub").c_str(), 0755);
  mkdir(from.Sub("SUB").c_str(), 0755);
  WriteBytes(from.Sub("sub/a.txt"), "lower");
  WriteBytes(from.Sub("SUB/a.txt"), "upper");
  WriteBytes(from.Sub("SUB/b.txt"), "upper b");
  WriteBytes(from.Sub("Sub"), "file");
  CStringArray files;
  ASSERT_EQ(4, CStringOpr::getFilesInFolder(from.Win(), files, 1, L""));
  CStringOpr::CopyFilesAndDirs(files, from.Win(), to.Win("copy\\"));
  EXPECT_EQ("lower", ReadBytes(to.Sub("copy/sub/a.txt")));
  EXPECT_EQ("upper", ReadBytes(to.Sub("copy/SUB/a.txt")));
  EXPECT_EQ("upper b", ReadBytes(to.Sub("copy/SUB/b.txt")));
  EXPECT_EQ("file", ReadBytes(to.Sub("copy/Sub")));
}

TEST(TreeListsTest, WithoutTwinsTheCopyJoinsFoldersOfAnotherCase) {
  // A tree made on Windows: "support\menu" answers for "Support\Menu".
  TempDir from, to;
  mkdir(from.Sub("Support").c_str(), 0755);
  mkdir(from.Sub("Support/Menu").c_str(), 0755);
  WriteBytes(from.Sub("Support/Menu/new.mns"), "new");
  mkdir(to.Sub("support").c_str(), 0755);
  mkdir(to.Sub("support/menu").c_str(), 0755);
  WriteBytes(to.Sub("support/menu/old.mns"), "old");
  CStringArray files;
  ASSERT_EQ(1, CStringOpr::getFilesInFolder(from.Win(), files, 1, L""));
  CStringOpr::CopyFilesAndDirs(files, from.Win(), to.Win());
  EXPECT_EQ("new", ReadBytes(to.Sub("support/menu/new.mns")));
  EXPECT_FALSE(Exists(to.Sub("Support")));
}

}  // namespace
