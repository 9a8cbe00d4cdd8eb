// The kvzip tool as a real process: create, list, test and extract, its
// refusal to write outside the destination or through links in it, and
// special files on the create command line.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/hostile_tree.h"
#include "files/zip/zip_peer_tools.h"
#include "support/test_support.h"
#include "unzip_test_archive.h"

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

// Writes an archive of (name, content) file entries and folder entries
// (names ending in '/') made with the library's writer.
void WriteArchive(const std::string& path, const std::vector<std::pair<std::wstring, std::string>>& entries) {
  HZIPFILE zip = CreateZipZ(nullptr, 4096, ZIPKIND_MEMORY);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, content] : entries) {
    if (!name.empty() && name.back() == L'/') {
      ASSERT_EQ(ZipAdd(zip, name.c_str(), nullptr, 0, ZIPKIND_FOLDER), ZRES_SUCCESS);
    } else {
      ASSERT_EQ(ZipAdd(zip, name.c_str(), (void*)content.data(), static_cast<unsigned>(content.size()),
                       ZIPKIND_MEMORY),
                ZRES_SUCCESS);
    }
  }
  void* base = nullptr;
  unsigned int length = 0;
  ASSERT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
  WriteBytes(path, std::string(static_cast<char*>(base), length));
  CloseZipZ(zip);
}

bool IsLink(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
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

// A link already in the destination where a file goes is replaced by the
// file; what it points to stays as it was. "B.TXT" is the place the library
// resolves "b.txt" to, so it counts as the file's place too.
TEST(KvZipTool, FileLinkInDestinationIsReplacedNotWrittenThrough) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Sub("outside").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("dest").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("dest/sub").c_str(), 0755), 0);
  const struct {
    const wchar_t* entry;
    const char* link;    // below dest
    const char* placed;  // where the file must be afterwards, below dest
  } cases[] = {{L"a.txt", "a.txt", "a.txt"},
               {L"b.txt", "B.TXT", "b.txt"},
               {L"sub/c.txt", "sub/c.txt", "sub/c.txt"}};
  std::vector<std::pair<std::wstring, std::string>> entries;
  for (const auto& c : cases) {
    const std::string outside = dir.Sub("outside/" + std::string(c.link).substr(std::string(c.link).rfind('/') + 1));
    WriteBytes(outside, "outside data");
    ASSERT_EQ(symlink(outside.c_str(), dir.Sub("dest/" + std::string(c.link)).c_str()), 0);
    entries.emplace_back(c.entry, "from the archive");
  }
  WriteArchive(dir.Sub("links.zip"), entries);
  const kavro::test::Snapshot before = kavro::test::TakeSnapshot(dir.Sub("outside"));

  ProcessResult run = kavro::test::Run({Tool(), "extract", dir.Sub("links.zip"), dir.Sub("dest")});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ("", kavro::test::SnapshotDiff(before, kavro::test::TakeSnapshot(dir.Sub("outside"))));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.placed);
    const std::string placed = dir.Sub("dest/" + std::string(c.placed));
    EXPECT_FALSE(IsLink(placed));
    EXPECT_EQ(ReadBytes(placed), "from the archive");
  }
  EXPECT_FALSE(Exists(dir.Sub("dest/B.TXT")));
}

// A folder of an entry's path that exists as a link (to a folder or to a
// file, in any case of its name) makes the entry refused; nothing is
// written where the link points, and the other entries are extracted.
TEST(KvZipTool, FolderLinkInDestinationRefusesItsEntries) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Sub("outside").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("dest").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.Sub("dest/real").c_str(), 0755), 0);
  WriteBytes(dir.Sub("outside/file"), "outside file");
  ASSERT_EQ(symlink(dir.Sub("outside").c_str(), dir.Sub("dest/sub").c_str()), 0);
  ASSERT_EQ(symlink(dir.Sub("outside").c_str(), dir.Sub("dest/Case").c_str()), 0);
  ASSERT_EQ(symlink(dir.Sub("outside").c_str(), dir.Sub("dest/real/inner").c_str()), 0);
  ASSERT_EQ(symlink(dir.Sub("outside/file").c_str(), dir.Sub("dest/tofile").c_str()), 0);
  const std::vector<std::string> refused = {"sub/x.txt", "sub/deeper/y.txt", "case/z.txt",
                                            "real/inner/w.txt", "tofile/v.txt", "sub/new/"};
  std::vector<std::pair<std::wstring, std::string>> entries;
  for (const std::string& name : refused) entries.emplace_back(std::wstring(name.begin(), name.end()), "bad");
  entries.emplace_back(L"fine.txt", "fine");
  entries.emplace_back(L"real/ok.txt", "ok");
  WriteArchive(dir.Sub("links.zip"), entries);
  const kavro::test::Snapshot before = kavro::test::TakeSnapshot(dir.Sub("outside"));

  ProcessResult run = kavro::test::Run({Tool(), "extract", dir.Sub("links.zip"), dir.Sub("dest")});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ("", kavro::test::SnapshotDiff(before, kavro::test::TakeSnapshot(dir.Sub("outside"))));
  for (const std::string& name : refused) {
    EXPECT_NE(run.output.find("refusing to extract \"" + name + "\": "), std::string::npos)
        << name << "\n" << run.output;
  }
  EXPECT_EQ(ReadBytes(dir.Sub("dest/fine.txt")), "fine");
  EXPECT_EQ(ReadBytes(dir.Sub("dest/real/ok.txt")), "ok");
  EXPECT_TRUE(IsLink(dir.Sub("dest/sub")));
}

// Special files named on the create command line are skipped with a
// message and never opened: opening a FIFO would wait for a writer. The
// run has a time limit so that a regression fails instead of hanging.
TEST(KvZipTool, CreateSkipsSpecialFilesWithoutOpeningThem) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  const std::string timeout = FindProgram("timeout");
  if (timeout.empty()) GTEST_SKIP() << "no timeout program";
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.Sub("fifo").c_str(), 0644), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.Sub("sock");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  WriteBytes(dir.Sub("plain.txt"), "plain");
  const std::string archive = dir.Sub("t.zip");

  ProcessResult run = kavro::test::Run({timeout, "60", Tool(), "create", archive, dir.Sub("fifo"),
                                        dir.Sub("sock"), "/dev/null", dir.Sub("plain.txt")});
  close(sock);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  for (const char* message : {"fifo: skipping FIFO", "sock: skipping socket", "/dev/null: skipping device"}) {
    EXPECT_NE(run.output.find(message), std::string::npos) << message << "\n" << run.output;
  }
  ProcessResult listed = kavro::test::Run({Tool(), "list", archive});
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  EXPECT_NE(listed.output.find("\tplain.txt\n"), std::string::npos) << listed.output;
  EXPECT_EQ(listed.output.find("fifo"), std::string::npos) << listed.output;
  EXPECT_EQ(listed.output.find("sock"), std::string::npos) << listed.output;
}

// 70,000 entries (zip64 end record): listed, tested, and one past the
// classic count extracted by name.
TEST(KvZipTool, ListsTestsAndExtractsAnArchiveOf70000Entries) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  std::vector<std::pair<std::wstring, std::string>> entries;
  for (int i = 0; i < 70000; ++i) {
    const std::wstring n = std::to_wstring(i);
    if (i % 5000 == 0) entries.emplace_back(L"f" + n + L".txt", "content " + std::to_string(i));
    else entries.emplace_back(L"d" + n + L"/", "");
  }
  const std::string archive = dir.Sub("big.zip");
  WriteArchive(archive, entries);

  ProcessResult listed = kavro::test::Run({Tool(), "list", archive});
  ASSERT_EQ(listed.exitCode, 0) << listed.output.substr(0, 2000);
  EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 70001);
  EXPECT_NE(listed.output.find("\td69999/\n"), std::string::npos);

  ProcessResult tested = kavro::test::Run({Tool(), "test", archive});
  EXPECT_EQ(tested.exitCode, 0);
  EXPECT_NE(tested.output.find("70000 entries, no errors"), std::string::npos);

  ProcessResult one = kavro::test::Run({Tool(), "extract", archive, dir.Sub("one"), "f65000.txt"});
  ASSERT_EQ(one.exitCode, 0) << one.output;
  EXPECT_EQ(ReadBytes(dir.Sub("one/f65000.txt")), "content 65000");
}

// An entry declaring 5 GiB: listed with "-" for its sizes, the others as
// usual.
TEST(KvZipTool, ListsAnEntryPastFourGibibytesWithoutSizes) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  unzip::Entry huge("huge.bin", "");  // a few deflated bytes said to give 5 GiB
  huge.uncSize = 0xFFFFFFFF;
  huge.localUncSize = huge.localCompSize = 0;
  huge.centralExtra = unzip::Zip64Block({5ull << 30});
  huge.localExtra = unzip::Zip64Block({0, 0});
  huge.flags = 0x0008;
  WriteBytes(dir.Sub("huge.zip"), unzip::Build({unzip::Entry("a.txt", "alpha", 0), huge}));
  ProcessResult listed = kavro::test::Run({Tool(), "list", dir.Sub("huge.zip")});
  EXPECT_EQ(listed.exitCode, 0) << listed.output;
  EXPECT_NE(listed.output.find("\t5\t5\ta.txt\n"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("\t-\t-\thuge.bin\n"), std::string::npos) << listed.output;
}

}  // namespace
}  // namespace kavro::test
