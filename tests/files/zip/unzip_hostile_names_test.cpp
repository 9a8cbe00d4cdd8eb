// Extraction of every entry of a hostile archive under its own name, as
// the usage example in files.h does it: nothing outside the extraction
// folder changes, safe entries land inside it, and targets the caller
// chose are still used as given.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"
#include "support/hostile_tree.h"
#include "unzip_hostile_archive.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::Snapshot;
using kavro::test::SnapshotDiff;
using kavro::test::TakeSnapshot;
using kavro::test::unzip::HostileArchive;
using kavro::test::unzip::HostileContent;
using kavro::test::unzip::HostileEntries;
using kavro::test::unzip::HostileEntry;

// Printable form of a stored name for traces.
std::string Shown(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return "\"" + out + "\"";
}

// A temporary folder holding the extraction folder "sandbox" (the current
// folder while the archive is open and extracted) and decoys where escaping
// names would write: files they would overwrite and folders they would
// write into. Drive C maps to the decoy folder "cdrive".
class UnzipHostileNamesTest : public testing::Test {
 protected:
  void SetUp() override {
    base_ = dir_.path();
    sandbox_ = dir_.Sub("sandbox");
    for (const char* folder : {"sandbox", "abs", "drive", "long", "device", "deep", "cdrive"})
      ASSERT_EQ(0, mkdir(dir_.Sub(folder).c_str(), 0755)) << folder;
    for (const char* file : {"x", "abs/x", "deep/x", "cdrive/x"})
      kavro::test::WriteBytes(dir_.Sub(file), std::string("decoy ") + file);
    const char* drive = getenv("KAVRO_DRIVE_C");
    hadDrive_ = drive != nullptr;
    if (hadDrive_) oldDrive_ = drive;
    setenv("KAVRO_DRIVE_C", dir_.Sub("cdrive").c_str(), 1);
    old_ = getcwd(nullptr, 0);
    ASSERT_EQ(0, chdir(sandbox_.c_str()));
  }
  void TearDown() override {
    if (zip_) CloseZipU(zip_);
    EXPECT_EQ(0, chdir(old_));
    free(old_);
    if (hadDrive_) setenv("KAVRO_DRIVE_C", oldDrive_.c_str(), 1);
    else unsetenv("KAVRO_DRIVE_C");
  }

  void Open(const std::vector<HostileEntry>& entries) {
    bytes_ = HostileArchive(entries);
    zip_ = OpenZipU(bytes_.data(), static_cast<unsigned int>(bytes_.size()), ZIPKIND_MEMORY);
    ASSERT_NE(nullptr, zip_);
  }
  ZIPRESULT Extract(int index, const std::wstring& target) {
    return UnzipItem(zip_, index, const_cast<wchar_t*>(target.c_str()), 0, ZIPKIND_FILENAME);
  }

  // The temporary folder without the sandbox, and the root-level names an
  // escaping name could reach.
  Snapshot Outside() const {
    Snapshot tree = TakeSnapshot(base_, {"sandbox"});
    for (const char* path : {"/x", "/abs", "/deep", "/kavro-hostile"}) tree[path] = kavro::test::SnapPath(path);
    return tree;
  }

  // Every path below the sandbox.
  std::set<std::string> SandboxPaths() const {
    std::set<std::string> paths;
    for (const auto& e : std::filesystem::recursive_directory_iterator(sandbox_))
      paths.insert(e.path().lexically_relative(sandbox_).string());
    return paths;
  }

  // The safe entries' places and their folders: all the sandbox may hold.
  static std::set<std::string> Landings(const std::vector<HostileEntry>& entries) {
    std::set<std::string> paths;
    for (const HostileEntry& e : entries) {
      for (size_t at = e.lands.find('/'); at != std::string::npos; at = e.lands.find('/', at + 1))
        paths.insert(e.lands.substr(0, at));
      if (!e.lands.empty()) paths.insert(e.lands);
    }
    return paths;
  }

  void ExpectSafeEntriesInside(const std::vector<HostileEntry>& entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].lands.empty()) continue;
      SCOPED_TRACE(Shown(entries[i].name));
      const std::string place = sandbox_ + "/" + entries[i].lands;
      if (entries[i].folder) EXPECT_TRUE(kavro::test::IsDirectory(place));
      else EXPECT_EQ(HostileContent(i), ReadBytes(place));
    }
    EXPECT_EQ(Landings(entries), SandboxPaths());
  }

  kavro::test::TempDir dir_;
  std::string base_, sandbox_;
  char* old_ = nullptr;
  bool hadDrive_ = false;
  std::string oldDrive_;
  std::string bytes_;
  HZIPFILE zip_ = nullptr;
};

TEST_F(UnzipHostileNamesTest, OwnWideNamesNeverLeaveTheSandbox) {
  const std::vector<HostileEntry> entries = HostileEntries(base_);
  Open(entries);
  ZIPITEMW all;
  ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(zip_, -1, &all));
  ASSERT_EQ(static_cast<int>(entries.size()), all.index);
  const Snapshot before = Outside();
  for (int i = 0; i < all.index; ++i) {
    SCOPED_TRACE(Shown(entries[i].name));
    ZIPITEMW item;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(zip_, i, &item));
    EXPECT_EQ(entries[i].expected, UnzipItem(zip_, i, item.name, 0, ZIPKIND_FILENAME));
  }
  EXPECT_EQ("", SnapshotDiff(before, Outside()));
  ExpectSafeEntriesInside(entries);
}

// GetZipItemA's names turned back into wide text, in a code page where a
// name differs from GetZipItemW's ("ä" becomes '?', U+F02E too).
TEST_F(UnzipHostileNamesTest, OwnAnsiNamesNeverLeaveTheSandbox) {
  kavro::test::ScopedAcp ascii(20127);
  const std::vector<HostileEntry> entries = HostileEntries(base_);
  Open(entries);
  const Snapshot before = Outside();
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    SCOPED_TRACE(Shown(entries[i].name));
    ZIPITEMA item;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(zip_, i, &item));
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, item.name, -1, wide, MAX_PATH);
    const ZIPRESULT r = UnzipItem(zip_, i, wide, 0, ZIPKIND_FILENAME);
    // A private-use dot is '?' here: a plain name that stays inside.
    if (entries[i].name.find("\xEF\x80\xAE") == std::string::npos) {
      EXPECT_EQ(entries[i].expected, r);
    }
  }
  EXPECT_EQ("", SnapshotDiff(before, Outside()));
}

TEST_F(UnzipHostileNamesTest, OwnNameWithOtherSeparatorsIsRefused) {
  Open({{"a/../../x", false, false, ZRES_ARGS, ""}, {"..\\x", false, false, ZRES_ARGS, ""}});
  const Snapshot before = Outside();
  const struct {
    int index;
    const wchar_t* target;
  } cases[] = {{0, L"a/../../x"}, {0, L"a\\..\\..\\x"}, {0, L"a/..\\../x"},
               {1, L"../x"},      {1, L"..\\x"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << " " << kavro::test::Utf8(CString(c.target)));
    EXPECT_EQ(ZRES_ARGS, Extract(c.index, c.target));
  }
  EXPECT_EQ("", SnapshotDiff(before, Outside()));
  EXPECT_TRUE(SandboxPaths().empty());
}

// A target that is not the entry's name is the caller's choice: absolute
// or climbing, it is used as given.
TEST_F(UnzipHostileNamesTest, ChosenTargetsAreUsedAsGiven) {
  Open({{"../x", false, false, ZRES_ARGS, ""}});
  const std::string absolute = dir_.Sub("chosen.txt");
  EXPECT_EQ(ZRES_SUCCESS, Extract(0, std::wstring(absolute.begin(), absolute.end())));
  EXPECT_EQ(HostileContent(0), ReadBytes(absolute));
  EXPECT_EQ(ZRES_SUCCESS, Extract(0, L"../climbed.txt"));
  EXPECT_EQ(HostileContent(0), ReadBytes(dir_.Sub("climbed.txt")));
  EXPECT_EQ(ZRES_SUCCESS, Extract(0, L"inside/x"));
  EXPECT_EQ(HostileContent(0), ReadBytes(sandbox_ + "/inside/x"));
}

// The hostile archive is a seed of the reader's fuzz corpus, built with a
// fixed base folder. KAVRO_WRITE_ZIP_SEEDS=1 writes it afresh.
TEST(UnzipHostileCorpus, FuzzCorpusHoldsTheHostileArchive) {
  const std::filesystem::path corpus =
      std::filesystem::path(KAVRO_SOURCE_DIR) / "fuzz/corpus/zip_read";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no source tree at " << corpus;
  const std::string seed = (corpus / "hostile_names.zip").lexically_normal().string();
  const std::string archive = HostileArchive(HostileEntries("/kavro-hostile"));
  if (getenv("KAVRO_WRITE_ZIP_SEEDS")) kavro::test::WriteBytes(seed, archive);
  EXPECT_EQ(archive, ReadBytes(seed)) << "run with KAVRO_WRITE_ZIP_SEEDS=1 to update " << seed;
}

}  // namespace
