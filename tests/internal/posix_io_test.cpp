// The whole-file read of the platform layer: every byte, whatever the size
// hint says and however short each read is, and the file position untouched.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "internal/support/fault_injecting_sys_calls.h"
#include "internal/support/scratch_folder.h"
#include "platform/core/posix_io_internal.h"

namespace {

using kavro::platform::ReadWholeFile;
using kavro::platform::ScopedSysCalls;
using kavro::platform::testing::FaultInjectingSysCalls;
using kavro::platform::testing::ScratchFolder;
using kavro::platform::testing::WriteBytes;

struct ReadRow {
  const char* name;
  size_t size;     // bytes in the file
  off_t hint;      // the size the caller expects
  size_t limit;    // bytes per read; 0 for no limit
  bool interrupt;  // every read fails once with EINTR first
};

TEST(PosixIo, ReadWholeFileReadsEveryByteWhateverTheHint) {
  const ReadRow rows[] = {
      {"empty file", 0, 0, 0, false},
      {"hint exact", 5000, 5000, 0, false},
      {"hint too small: the file grew", 100000, 10, 0, false},
      {"hint too large: the file shrank", 10, 100000, 0, false},
      {"no hint, one byte per read", 9000, 0, 1, false},
      {"stale hint, short and interrupted reads", 70000, 4096, 333, true},
  };
  ScratchFolder folder;
  for (const ReadRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string bytes(row.size, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    WriteBytes(folder.Sub("f"), bytes);
    int fd = open(folder.Sub("f").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(3, lseek(fd, 3, SEEK_SET));
    FaultInjectingSysCalls faults;
    faults.LimitTransfers(row.limit);
    faults.InterruptEveryCall(row.interrupt);
    std::string out = "stale";
    {
      ScopedSysCalls installed(&faults);
      EXPECT_EQ(0, ReadWholeFile(fd, row.hint, out));
    }
    EXPECT_EQ(bytes.size(), out.size());
    EXPECT_TRUE(out == bytes);
    EXPECT_EQ(3, lseek(fd, 0, SEEK_CUR)) << "the file position stays";
    close(fd);
  }
}

}  // namespace
