// CopyFileW under failing system calls: a copy that fails midway removes
// what it wrote (also over an existing target) and names the fault; short
// and interrupted transfers still copy every byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "internal/support/fault_injecting_sys_calls.h"
#include "internal/support/scratch_folder.h"

namespace {

using kavro::platform::ScopedSysCalls;
using kavro::platform::testing::FaultInjectingSysCalls;
using kavro::platform::testing::ReadBytes;
using kavro::platform::testing::ScratchFolder;
using kavro::platform::testing::SysCallKind;
using kavro::platform::testing::WriteBytes;

// 200 KiB: several buffers' worth, so a failure can come after a first part.
std::string SourceBytes() {
  std::string bytes(200 * 1024, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
  return bytes;
}

class CopyFaults : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(folder_.Sub("source.bin"), source_); }

  BOOL Copy(FaultInjectingSysCalls& faults) {
    ScopedSysCalls installed(&faults);
    return CopyFileW(folder_.Win("source.bin").c_str(), folder_.Win("target.bin").c_str(), FALSE);
  }

  ScratchFolder folder_;
  const std::string source_ = SourceBytes();
};

struct CopyFaultRow {
  const char* name;
  std::function<void(FaultInjectingSysCalls&)> arm;
  DWORD expected;
};

TEST_F(CopyFaults, FailedCopyRemovesItsPartialTarget) {
  const CopyFaultRow rows[] = {
      {"kernel copy: disk full", [](auto& f) { f.FailNth(SysCallKind::kCopyRange, 1, ENOSPC); }, ERROR_DISK_FULL},
      {"kernel copy: disk full after two parts",
       [](auto& f) {
         f.LimitTransfers(4096);
         f.FailNth(SysCallKind::kCopyRange, 3, ENOSPC);
       },
       ERROR_DISK_FULL},
      {"buffered write: disk full after a first buffer",
       [](auto& f) {
         f.FailAll(SysCallKind::kCopyRange, ENOSYS);
         f.FailNth(SysCallKind::kWrite, 2, ENOSPC);
       },
       ERROR_DISK_FULL},
      {"buffered write: quota exhausted midway",
       [](auto& f) {
         f.FailAll(SysCallKind::kCopyRange, EXDEV);
         f.LimitTransfers(1000);
         f.FailNth(SysCallKind::kWrite, 50, EDQUOT);
       },
       ERROR_DISK_FULL},
      {"buffered read: I/O error after a first buffer",
       [](auto& f) {
         f.FailAll(SysCallKind::kCopyRange, EXDEV);
         f.FailNth(SysCallKind::kRead, 2, EIO);
       },
       ERROR_GEN_FAILURE},
      {"closing the target reports a late write error",
       [](auto& f) { f.FailNth(SysCallKind::kClose, 1, EDQUOT); }, ERROR_DISK_FULL},
  };
  for (bool targetExisted : {false, true}) {
    for (const CopyFaultRow& row : rows) {
      SCOPED_TRACE(std::string(row.name) + (targetExisted ? " (over an existing target)" : ""));
      if (targetExisted) WriteBytes(folder_.Sub("target.bin"), "old target");
      FaultInjectingSysCalls faults;
      row.arm(faults);
      SetLastError(0);
      EXPECT_FALSE(Copy(faults));
      EXPECT_EQ(row.expected, GetLastError());
      EXPECT_EQ(std::vector<std::string>{"source.bin"}, folder_.Names());
      EXPECT_TRUE(ReadBytes(folder_.Sub("source.bin")) == source_);
    }
  }
}

struct CopyRetryRow {
  const char* name;
  bool kernel;      // copy_file_range offered
  size_t limit;     // bytes per transfer; 0 for no limit
  bool interrupt;   // every call fails once with EINTR first
};

TEST_F(CopyFaults, ShortAndInterruptedTransfersCopyEveryByte) {
  const CopyRetryRow rows[] = {
      {"kernel copy in 4 KiB parts", true, 4096, false},
      {"buffered copy, 1000 bytes per transfer", false, 1000, false},
      {"kernel copy, every call interrupted", true, 0, true},
      {"buffered copy, short and interrupted", false, 777, true},
  };
  for (const CopyRetryRow& row : rows) {
    SCOPED_TRACE(row.name);
    FaultInjectingSysCalls faults;
    if (!row.kernel) faults.FailAll(SysCallKind::kCopyRange, ENOSYS);
    faults.LimitTransfers(row.limit);
    faults.InterruptEveryCall(row.interrupt);
    EXPECT_TRUE(Copy(faults)) << GetLastError();
    const std::string copied = ReadBytes(folder_.Sub("target.bin"));
    EXPECT_TRUE(copied == source_) << copied.size() << " of " << source_.size() << " bytes";
  }
}

}  // namespace
