// ReadFile and WriteFile under failing system calls: short and interrupted
// transfers are completed; an error midway reports the bytes moved so far and
// the Win32 code of the fault.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/handleapi.h"
#include "internal/support/fault_injecting_sys_calls.h"
#include "internal/support/scratch_folder.h"

namespace {

using kavro::platform::ScopedSysCalls;
using kavro::platform::testing::FaultInjectingSysCalls;
using kavro::platform::testing::ReadBytes;
using kavro::platform::testing::ScratchFolder;
using kavro::platform::testing::SysCallKind;
using kavro::platform::testing::WriteBytes;

class HandleFaults : public ::testing::Test {
 protected:
  HANDLE Open(DWORD access, DWORD creation) {
    return CreateFileW(folder_.Win("data.bin").c_str(), access, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  }

  ScratchFolder folder_;
  const std::string bytes_ = std::string(1000, 'a') + std::string(1000, 'b');
};

TEST_F(HandleFaults, WriteFileThatRunsOutOfSpaceReportsWhatItWrote) {
  HANDLE file = Open(GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FaultInjectingSysCalls faults;
  faults.LimitTransfers(10);
  faults.FailNth(SysCallKind::kWrite, 3, ENOSPC);
  DWORD written = 12345;
  {
    ScopedSysCalls installed(&faults);
    EXPECT_FALSE(WriteFile(file, bytes_.data(), 100, &written, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
  }
  EXPECT_EQ(20u, written);
  CloseHandle(file);
  EXPECT_EQ(bytes_.substr(0, 20), ReadBytes(folder_.Sub("data.bin")));
}

TEST_F(HandleFaults, ReadFileThatFailsMidwayReportsWhatItRead) {
  WriteBytes(folder_.Sub("data.bin"), bytes_);
  HANDLE file = Open(GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FaultInjectingSysCalls faults;
  faults.LimitTransfers(10);
  faults.FailNth(SysCallKind::kRead, 2, EIO);
  char buffer[100];
  DWORD read = 12345;
  {
    ScopedSysCalls installed(&faults);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_GEN_FAILURE), GetLastError());
  }
  EXPECT_EQ(10u, read);
  CloseHandle(file);
}

TEST_F(HandleFaults, ShortAndInterruptedTransfersMoveEveryByte) {
  FaultInjectingSysCalls faults;
  faults.LimitTransfers(7);
  faults.InterruptEveryCall(true);
  HANDLE file = Open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0, read = 0;
  std::string back(bytes_.size() + 10, '\0');
  {
    ScopedSysCalls installed(&faults);
    EXPECT_TRUE(WriteFile(file, bytes_.data(), static_cast<DWORD>(bytes_.size()), &written, nullptr));
    ASSERT_EQ(0u, SetFilePointer(file, 0, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(file, back.data(), static_cast<DWORD>(back.size()), &read, nullptr));
  }
  CloseHandle(file);
  EXPECT_EQ(bytes_.size(), written);
  ASSERT_EQ(bytes_.size(), read) << "the end of the file ends the read";
  back.resize(read);
  EXPECT_TRUE(back == bytes_);
  EXPECT_GT(faults.injected(), 2 * 2000 / 7);
}

}  // namespace
