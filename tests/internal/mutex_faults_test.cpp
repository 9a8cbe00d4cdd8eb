// Named mutexes under failing system calls: interrupted calls are retried, a
// lock file that cannot be opened or locked fails the call with its Win32
// code and leaves nothing held, so the next attempt succeeds.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/sync.h"
#include "internal/support/fault_injecting_sys_calls.h"
#include "internal/support/scratch_folder.h"

namespace {

using kavro::platform::ScopedSysCalls;
using kavro::platform::testing::FaultInjectingSysCalls;
using kavro::platform::testing::ScratchFolder;
using kavro::platform::testing::SysCallKind;

// Named objects live in a runtime folder of the test's own.
class MutexFaults : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KAVRO_RUNTIME_DIR", folder_.path().c_str(), 1); }
  void TearDown() override { unsetenv("KAVRO_RUNTIME_DIR"); }

  ScratchFolder folder_;
};

TEST_F(MutexFaults, InterruptedCallsStillCreateTakeAndReleaseTheMutex) {
  FaultInjectingSysCalls faults;
  faults.InterruptEveryCall(true);
  ScopedSysCalls installed(&faults);
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\kv-interrupted");
  ASSERT_NE(nullptr, mutex) << GetLastError();
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(mutex, INFINITE));
  HANDLE again = OpenMutexW(0, FALSE, L"Local\\kv-interrupted");
  EXPECT_NE(nullptr, again) << GetLastError();
  EXPECT_TRUE(ReleaseMutex(mutex));
  if (again) CloseHandle(again);
  CloseHandle(mutex);
  EXPECT_GT(faults.injected(), 5);
}

struct MutexFaultRow {
  const char* name;
  SysCallKind kind;
  int nth;
  int error;
  DWORD expected;
};

TEST_F(MutexFaults, LockFileFaultFailsCreateWithItsErrorAndHoldsNothing) {
  const MutexFaultRow rows[] = {
      {"guard file: disk full", SysCallKind::kOpen, 1, ENOSPC, ERROR_DISK_FULL},
      {"name file: refused", SysCallKind::kOpen, 2, EACCES, ERROR_ACCESS_DENIED},
      {"owner file: too many open files", SysCallKind::kOpen, 3, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
      {"guard lock: no locks left", SysCallKind::kFlock, 1, ENOLCK, ERROR_GEN_FAILURE},
  };
  for (const MutexFaultRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring name = L"kv-fault-" + std::to_wstring(&row - rows);
    FaultInjectingSysCalls faults;
    faults.FailNth(row.kind, row.nth, row.error);
    {
      ScopedSysCalls installed(&faults);
      EXPECT_EQ(nullptr, CreateMutexW(nullptr, FALSE, name.c_str()));
      EXPECT_EQ(row.expected, GetLastError());
    }
    EXPECT_EQ(1, faults.injected());
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(nullptr, mutex);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError()) << "no one else holds the name";
    CloseHandle(mutex);
  }
}

TEST_F(MutexFaults, OwnerLockFailureIsWaitFailedAndLeavesTheMutexFree) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"kv-owner-lock");
  ASSERT_NE(nullptr, mutex);
  FaultInjectingSysCalls faults;
  faults.FailNth(SysCallKind::kFlock, 1, ENOLCK);
  {
    ScopedSysCalls installed(&faults);
    EXPECT_EQ(static_cast<DWORD>(WAIT_FAILED), WaitForSingleObject(mutex, INFINITE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_GEN_FAILURE), GetLastError());
  }
  EXPECT_FALSE(ReleaseMutex(mutex)) << "a failed wait owns nothing";
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(mutex, 0));
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(mutex);
}

}  // namespace
