// KvRewriteFile: the locked, atomic read-modify-write of a whole file.
#include "platform/fs/rewrite_internal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::platform::KvRewriteFile;
using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

class FileRewriteTest : public testing::Test {
 protected:
  std::string Path(const char* name = "f.ini") const { return dir_.Sub(name); }
  CString Win(const char* name = "f.ini") const { return dir_.Win(name); }
  ino_t Inode(const char* name = "f.ini") const {
    struct stat st;
    return stat(Path(name).c_str(), &st) == 0 ? st.st_ino : 0;
  }
  // Every entry of the folder, for spotting a temporary file left behind.
  size_t EntryCount(const char* sub = ".") const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.Sub(sub)), {}));
  }
  static bool Append(std::string& bytes, const char* text) {
    bytes += text;
    return true;
  }

  kavro::test::TempDir dir_;
};

TEST_F(FileRewriteTest, EditReplacesTheFile) {
  WriteBytes(Path(), "abc");
  ino_t before = Inode();
  std::string seen;
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win("F.INI"), false, [&](std::string& b) {
              seen = b;
              return Append(b, "def");
            }));
  EXPECT_EQ("abc", seen);
  EXPECT_EQ("abcdef", ReadBytes(Path()));
  EXPECT_NE(before, Inode()) << "replaced by a rename, not written in place";
  EXPECT_EQ(1u, EntryCount());
}

TEST_F(FileRewriteTest, NoChangeWritesNothing) {
  WriteBytes(Path(), "abc");
  ino_t before = Inode();
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            KvRewriteFile(Win(), true, [](std::string& b) { return b.append("x"), false; }));
  EXPECT_EQ(before, Inode());
  EXPECT_EQ("abc", ReadBytes(Path()));

  // A file created for the call goes again when nothing is written to it.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win("new.ini"), true, [](std::string&) { return false; }));
  EXPECT_FALSE(Exists(Path("new.ini")));
}

TEST_F(FileRewriteTest, MissingFile) {
  bool called = false;
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), KvRewriteFile(Win(), false, [&](std::string&) {
              called = true;
              return true;
            }));
  EXPECT_FALSE(called);
  EXPECT_FALSE(Exists(Path()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

  mode_t mask = umask(022);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win(), true, [&](std::string& b) {
              called = true;
              EXPECT_TRUE(b.empty());
              return Append(b, "new");
            }));
  umask(mask);
  EXPECT_TRUE(called);
  EXPECT_EQ("new", ReadBytes(Path()));
  struct stat st;
  ASSERT_EQ(0, stat(Path().c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 07777);
}

TEST_F(FileRewriteTest, RefusalsLeaveEverythingAsItWas) {
  std::filesystem::create_directory(Path("folder"));
  WriteBytes(Path("ro"), "keep");
  ASSERT_EQ(0, chmod(Path("ro").c_str(), 0444));
  ASSERT_EQ(0, mkfifo(Path("fifo").c_str(), 0644));
  struct Row {
    const char* name;
    bool create;
    DWORD error;
  } rows[] = {
      {"folder", true, ERROR_ACCESS_DENIED},
      {"fifo", true, ERROR_ACCESS_DENIED},
      {"ro", false, ERROR_ACCESS_DENIED},
      {"missing/f.ini", true, ERROR_PATH_NOT_FOUND},
      {"missing/f.ini", false, ERROR_PATH_NOT_FOUND},
      {"ro/f.ini", true, ERROR_PATH_NOT_FOUND},
  };
  const size_t entries = EntryCount();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SetLastError(0);
    EXPECT_EQ(r.error, KvRewriteFile(Win(r.name), r.create, [](std::string& b) { return Append(b, "x"); }));
    EXPECT_EQ(r.error, GetLastError());
    EXPECT_EQ(entries, EntryCount());
  }
  EXPECT_EQ("keep", ReadBytes(Path("ro")));
  // Reading a read-only file without changing it is no write.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win("ro"), false, [](std::string&) { return false; }));
}

TEST_F(FileRewriteTest, UnwritableFolderIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  std::filesystem::create_directory(Path("locked"));
  WriteBytes(Path("locked/f.ini"), "keep");
  ASSERT_EQ(0, chmod(Path("locked").c_str(), 0555));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
            KvRewriteFile(Win("locked/f.ini"), false, [](std::string& b) { return Append(b, "x"); }));
  EXPECT_EQ("keep", ReadBytes(Path("locked/f.ini")));
}

TEST_F(FileRewriteTest, KeepsModeAndLinks) {
  std::filesystem::create_directory(Path("sub"));
  WriteBytes(Path("sub/real"), "a");
  ASSERT_EQ(0, chmod(Path("sub/real").c_str(), 0604));
  ASSERT_EQ(0, symlink("real", Path("sub/hop").c_str()));         // relative, in its own folder
  ASSERT_EQ(0, symlink(Path("sub/hop").c_str(), Path("f.ini").c_str()));  // absolute, to a link
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win(), false, [](std::string& b) { return Append(b, "b"); }));
  EXPECT_EQ("ab", ReadBytes(Path("sub/real")));
  struct stat st;
  ASSERT_EQ(0, lstat(Path("f.ini").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(0, lstat(Path("sub/hop").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(0, stat(Path("sub/real").c_str(), &st));
  EXPECT_EQ(0604u, st.st_mode & 07777);
  EXPECT_EQ(2u, EntryCount("sub"));

  // A dangling link gets its file created where it points.
  ASSERT_EQ(0, symlink("sub/later", Path("dangling").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win("dangling"), true, [](std::string& b) { return Append(b, "c"); }));
  EXPECT_EQ("c", ReadBytes(Path("sub/later")));
  ASSERT_EQ(0, lstat(Path("dangling").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  ASSERT_EQ(0, symlink("loop2", Path("loop1").c_str()));
  ASSERT_EQ(0, symlink("loop1", Path("loop2").c_str()));
  EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win("loop1"), true, [](std::string&) { return true; }));
}

// Things a user or another program may have put in the folder, at names a
// temporary file had or could have: none may make a write fail, be written
// through, or be changed or removed by it.
enum class Planted { kFolder, kReadOnlyFile, kLinkOutside };

class PlantedNamesTest : public FileRewriteTest {
 protected:
  static constexpr const char* kNames[] = {
      ".f.ini.kvtmp", ".f.ini.tmp", "f.ini.kvtmp", ".f.ini.0000000000.kvtmp", ".f.ini.aaaaaaaaaa.kvtmp",
      ".f.ini.kvtmp.kvtmp",
  };
  void Plant(Planted kind, const std::string& at) {
    switch (kind) {
      case Planted::kFolder:
        ASSERT_TRUE(std::filesystem::create_directory(at));
        WriteBytes(at + "/inside", "inside");
        break;
      case Planted::kReadOnlyFile:
        WriteBytes(at, "planted");
        ASSERT_EQ(0, chmod(at.c_str(), 0444));
        break;
      case Planted::kLinkOutside:
        ASSERT_EQ(0, symlink(outside_.Sub("victim").c_str(), at.c_str()));
        break;
    }
  }
  void ExpectUntouched(Planted kind, const std::string& at) {
    struct stat st;
    ASSERT_EQ(0, lstat(at.c_str(), &st));
    switch (kind) {
      case Planted::kFolder:
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ("inside", ReadBytes(at + "/inside"));
        break;
      case Planted::kReadOnlyFile:
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(0444u, st.st_mode & 07777);
        EXPECT_EQ("planted", ReadBytes(at));
        break;
      case Planted::kLinkOutside:
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        EXPECT_EQ(outside_.Sub("victim"), std::filesystem::read_symlink(at).string());
        break;
    }
  }

  kavro::test::TempDir outside_;
};

// Adds 1 to the number in the file.
bool Increment(std::string& bytes) {
  bytes = std::to_string(std::stoi(bytes) + 1);
  return true;
}

// The fixed temporary name ".<name>.kvtmp" let anything planted there fail
// every write of the file, or be written through.
TEST_F(PlantedNamesTest, PlantedTemporaryNamesNeverBlockAWrite_UsedToFailOrBeWrittenThrough) {
  WriteBytes(outside_.Sub("victim"), "untouched");
  const std::string probe = kavro::test::ProbePath("rewrite_probe_platform");
  const std::string file = kavro::test::Utf8(Win());
  struct Row {
    const char* what;
    Planted kind;
  } rows[] = {
      {"folder", Planted::kFolder},
      {"read-only file", Planted::kReadOnlyFile},
      {"link to a file outside", Planted::kLinkOutside},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    WriteBytes(Path(), "0");
    for (const char* name : kNames) Plant(r.kind, Path(name));
    const size_t entries = EntryCount();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win(), false, Increment));
    // Named temporary files, as where the file system has no unnamed ones.
    kavro::test::ProcessResult named = kavro::test::Run({probe, "count", "named", file, "3"});
    EXPECT_EQ(0, named.exitCode) << named.output;
    EXPECT_EQ("6", ReadBytes(Path()));
    EXPECT_EQ(entries, EntryCount()) << "a temporary file was left";
    for (const char* name : kNames) {
      SCOPED_TRACE(name);
      ExpectUntouched(r.kind, Path(name));
      std::filesystem::remove_all(Path(name));
    }
    EXPECT_EQ("untouched", ReadBytes(outside_.Sub("victim")));
  }
}

TEST_F(FileRewriteTest, FailedWriteKeepsTheFileAndLeavesNoTemporary) {
  const std::string probe = kavro::test::ProbePath("rewrite_probe_platform");
  for (const char* mode : {"unnamed", "named"}) {
    SCOPED_TRACE(mode);
    WriteBytes(Path(), "old content");
    // The size limit makes the write of the new content fail half-way.
    kavro::test::ProcessResult r =
        kavro::test::Run({probe, "oversize", mode, kavro::test::Utf8(Win()), "4096", "100000"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ(std::to_string(ERROR_DISK_FULL) + "\n", r.output);
    EXPECT_EQ("old content", ReadBytes(Path()));
    EXPECT_EQ(1u, EntryCount());
  }
}

TEST_F(FileRewriteTest, ConcurrentProcessesLoseNothing) {
  WriteBytes(Path(), "0");
  const std::string probe = kavro::test::ProbePath("rewrite_probe_platform");
  const int perProcess = 60;
  std::vector<int> pids;
  for (const char* mode : {"unnamed", "named", "unnamed", "named"}) {
    pids.push_back(kavro::test::Spawn({probe, "count", mode, kavro::test::Utf8(Win()), std::to_string(perProcess)}));
    ASSERT_GT(pids.back(), 0);
  }
  for (int pid : pids) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
  }
  EXPECT_EQ(std::to_string(4 * perProcess), ReadBytes(Path()));
  EXPECT_EQ(1u, EntryCount());
}

TEST_F(FileRewriteTest, ThrowingEditCleansUp) {
  EXPECT_THROW(KvRewriteFile(Win(), true, [](std::string&) -> bool { throw std::runtime_error("edit"); }),
               std::runtime_error);
  EXPECT_EQ(0u, EntryCount());
  // The lock went with the exception: the next call gets it at once.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), KvRewriteFile(Win(), true, [](std::string& b) { return Append(b, "x"); }));
}

TEST_F(FileRewriteTest, ConcurrentIncrementsAllCount) {
  WriteBytes(Path(), "0");
  const int threads = 4, rounds = 50;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < rounds; ++i) {
        DWORD err = KvRewriteFile(Win(), false, [](std::string& b) {
          b = std::to_string(std::stoi(b) + 1);
          return true;
        });
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), err);
      }
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_EQ(std::to_string(threads * rounds), ReadBytes(Path()));
}

}  // namespace
