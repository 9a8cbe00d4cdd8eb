// The kvzip tool as a real process: create, list, test and extract, and
// its refusal to write outside the destination.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "files/zip/zip_peer_tools.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

std::string Tool() {
  // The library lies in <build>/Sys; the tool in <build>/bin.
  std::string library = KAVRO_LIBRARY_FILE;
  return library.substr(0, library.rfind("/Sys/")) + "/bin/kvzip";
}

TEST(KvZipTool, CreatesListsTestsAndExtracts) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Sub("tree").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("tree/sub").c_str(), 0755), 0);
  WriteBytes(dir.Sub("tree/sub/a.txt"), std::string(5000, 'a'));
  WriteBytes(dir.Sub("single.txt"), "single");
  const std::string archive = dir.Sub("t.zip");

  ProcessResult created = kavro::test::Run({Tool(), "create", archive, dir.Sub("tree"), dir.Sub("single.txt")});
  ASSERT_EQ(created.exitCode, 0) << created.output;
  std::string unzip;
  EXPECT_TRUE(UnzipTestPasses(archive, unzip)) << unzip;

  ProcessResult listed = kavro::test::Run({Tool(), "list", archive});
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  EXPECT_NE(listed.output.find("\t5000\ttree/sub/a.txt\n"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("\ttree/sub/\n"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("\t6\tsingle.txt\n"), std::string::npos) << listed.output;

  ProcessResult tested = kavro::test::Run({Tool(), "test", archive});
  EXPECT_EQ(tested.exitCode, 0) << tested.output;
  EXPECT_NE(tested.output.find("4 entries, no errors"), std::string::npos) << tested.output;

  ProcessResult all = kavro::test::Run({Tool(), "extract", archive, dir.Sub("out")});
  ASSERT_EQ(all.exitCode, 0) << all.output;
  EXPECT_EQ(ReadBytes(dir.Sub("out/tree/sub/a.txt")), std::string(5000, 'a'));
  EXPECT_EQ(ReadBytes(dir.Sub("out/single.txt")), "single");

  ProcessResult one = kavro::test::Run({Tool(), "extract", archive, dir.Sub("one"), "single.txt"});
  ASSERT_EQ(one.exitCode, 0) << one.output;
  EXPECT_TRUE(Exists(dir.Sub("one/single.txt")));
  EXPECT_FALSE(Exists(dir.Sub("one/tree")));
}

TEST(KvZipTool, RefusesNamesThatLeaveTheDestination) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  HZIPFILE zip = CreateZipZ(nullptr, 4096, ZIPKIND_MEMORY);
  ASSERT_NE(zip, nullptr);
  for (const wchar_t* name : {L"../escape.txt", L"/abs.txt", L"C:\\drive.txt", L"a/../../up.txt", L"fine.txt"}) {
    ASSERT_EQ(ZipAdd(zip, name, (void*)"bad", 3, ZIPKIND_MEMORY), ZRES_SUCCESS);
  }
  void* base = nullptr;
  unsigned int length = 0;
  ASSERT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
  WriteBytes(dir.Sub("evil.zip"), std::string(static_cast<char*>(base), length));
  CloseZipZ(zip);

  ASSERT_EQ(mkdir(dir.Sub("in").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("in/dest").c_str(), 0755), 0);
  ProcessResult run = kavro::test::Run({Tool(), "extract", dir.Sub("evil.zip"), dir.Sub("in/dest")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  for (const char* refused : {"../escape.txt", "/abs.txt", "C:/drive.txt", "a/../../up.txt"}) {
    EXPECT_NE(run.output.find(std::string("refusing to extract \"") + refused), std::string::npos)
        << refused << "\n" << run.output;
  }
  EXPECT_EQ(ReadBytes(dir.Sub("in/dest/fine.txt")), "bad");
  EXPECT_FALSE(Exists(dir.Sub("in/escape.txt")));
  EXPECT_FALSE(Exists(dir.Sub("escape.txt")));
  EXPECT_FALSE(Exists(dir.Sub("up.txt")));
  EXPECT_FALSE(Exists("/abs.txt"));
}

}  // namespace
}  // namespace kavro::test
