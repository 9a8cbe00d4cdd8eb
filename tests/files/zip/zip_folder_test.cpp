// Packing folder trees with AddFolderContent.
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>

#include "files/zip/zip_peer_tools.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

std::set<std::string> Names(const std::vector<PeerEntry>& entries) {
  std::set<std::string> names;
  for (const PeerEntry& e : entries) names.insert(e.name);
  return names;
}

struct Packed {
  BOOL result = FALSE;
  std::vector<PeerEntry> entries;
};

Packed Pack(const TempDir& dir, const CString& root, const wchar_t* folder) {
  Packed out;
  const CString archive = dir.Win("out.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  EXPECT_NE(zip, nullptr);
  out.result = AddFolderContent(zip, root, folder);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
  std::string error;
  EXPECT_TRUE(PythonList(dir.Sub("out.zip"), out.entries, error)) << error;
  return out;
}

TEST(ZipFolder, PacksTheTreeUnderItsRelativeNames) {
  TempDir tree, out, elsewhere;
  ASSERT_EQ(mkdir(tree.Sub("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(tree.Sub("sub/d").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(tree.Sub("sub/empty").c_str(), 0755), 0);
  WriteBytes(tree.Sub("sub/x.txt"), "x content");
  WriteBytes(tree.Sub("sub/d/y.txt"), "y content");
  WriteBytes(tree.Sub("outside.txt"), "not packed");
  // Links are not followed into folders: a loop back to the root adds an
  // empty folder entry only.
  ASSERT_EQ(symlink(tree.path().c_str(), tree.Sub("sub/loop").c_str()), 0);
  ASSERT_EQ(symlink(tree.Sub("sub/x.txt").c_str(), tree.Sub("sub/d/x-link.txt").c_str()), 0);
  wchar_t cwd[4096];
  ASSERT_GT(GetCurrentDirectoryW(4096, cwd), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Win()));

  CString root = tree.Win();
  Packed packed = Pack(out, root, L"sub");
  EXPECT_TRUE(packed.result);
  EXPECT_EQ(Names(packed.entries),
            (std::set<std::string>{"sub/", "sub/x.txt", "sub/d/", "sub/d/y.txt", "sub/d/x-link.txt",
                                   "sub/empty/", "sub/loop/"}));
  for (const PeerEntry& e : packed.entries) {
    SCOPED_TRACE(e.name);
    if (e.name == "sub/d/y.txt") {
      EXPECT_EQ(e.content, "y content");
    } else if (e.name == "sub/d/x-link.txt") {
      EXPECT_EQ(e.content, "x content");
    } else if (e.name.back() == '/') {
      EXPECT_EQ(e.external, 0x41C00010u);
    }
  }
  EXPECT_EQ(packed.entries.front().name, "sub/");

  Packed nested = Pack(out, root, L"sub\\d");
  EXPECT_TRUE(nested.result);
  EXPECT_EQ(Names(nested.entries), (std::set<std::string>{"sub/d/", "sub/d/y.txt", "sub/d/x-link.txt"}));
  SetCurrentDirectoryW(cwd);
}

TEST(ZipFolder, WithoutARelativeFolderPacksTheRootsContent) {
  TempDir tree, out;
  ASSERT_EQ(mkdir(tree.Sub("d").c_str(), 0755), 0);
  WriteBytes(tree.Sub("a.txt"), "a");
  WriteBytes(tree.Sub("d/b.txt"), "b");
  Packed packed = Pack(out, tree.Win(), nullptr);
  EXPECT_TRUE(packed.result);
  EXPECT_EQ(Names(packed.entries), (std::set<std::string>{"a.txt", "d/", "d/b.txt"}));
}

TEST(ZipFolder, MissingFolderOrFailedAdditionGivesFalse) {
  TempDir tree, out;
  Packed missing = Pack(out, tree.Win(), L"nothing-here");
  EXPECT_FALSE(missing.result);
  EXPECT_EQ(Names(missing.entries), (std::set<std::string>{"nothing-here/"}));

  // A name too long for an archive stops the walk with the reason kept.
  const std::string deep = "s/" + std::string(200, 'd');
  ASSERT_EQ(mkdir(tree.Sub("s").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(tree.Sub(deep).c_str(), 0755), 0);
  WriteBytes(tree.Sub(deep + "/" + std::string(60, 'n')), "long");
  Packed tooLong = Pack(out, tree.Win(), L"s");
  EXPECT_FALSE(tooLong.result);
  char text[100];
  EXPECT_EQ(AddFolderContent(nullptr, tree.Win(), L"s"), FALSE);
  FormatZipMessageZ(ZRES_RECENT, text, sizeof text);
  EXPECT_STREQ(text, "Caller: faulty arguments");
}

}  // namespace
}  // namespace kavro::test
