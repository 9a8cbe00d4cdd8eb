// Mutexes: ownership in and between threads, and named mutexes seen by
// other processes through the runtime folder.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ProbePath;
using kavro::test::TempDir;

// Saves an environment variable and puts it back afterwards.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = getenv(name)) old_ = v;
  }
  ~EnvGuard() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A child process; killed (if still running) and reaped when the object goes.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env)
      : pid_(kavro::test::Spawn(argv, env)) {}
  ~Child() { Kill(); }
  bool started() const { return pid_ > 0; }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int pid_;
};

// Waits for a file that a child writes when it is ready (bounded so that a
// broken child fails the test instead of hanging it).
bool AppearsWithin30s(const std::string& path) {
  for (int i = 0; i < 3000; ++i) {
    if (Exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class Mutex : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KAVRO_RUNTIME_DIR", runtime_.path().c_str(), 1); }

  std::string Env() const { return "KAVRO_RUNTIME_DIR=" + runtime_.path(); }
  // Exit code of a separate process asking OpenMutexW: 0 found, 1 not found.
  int CheckFromAnotherProcess(const std::string& name) const {
    return kavro::test::Run({ProbePath("mutex_probe_platform"), "check", name}, {Env()}).exitCode;
  }
  std::string Ready(const char* tag) const { return runtime_.Sub(std::string("ready-") + tag); }

  EnvGuard keepRuntime_{"KAVRO_RUNTIME_DIR"};
  EnvGuard keepXdg_{"XDG_RUNTIME_DIR"};
  TempDir runtime_;
};

TEST_F(Mutex, CreateOpensAnExistingNameAndTheNameGoesWithTheLastHandle) {
  SetLastError(1234);
  HANDLE first = CreateMutexW(nullptr, FALSE, L"Kv.Test.Name");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  HANDLE second = CreateMutexW(nullptr, TRUE, L"Kv.Test.Name");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(second, first);
  EXPECT_FALSE(ReleaseMutex(second)) << "initial ownership is ignored for an existing mutex";

  for (const wchar_t* alias : {L"Kv.Test.Name", L"Global\\Kv.Test.Name", L"Local\\Kv.Test.Name"}) {
    SCOPED_TRACE(kavro::test::Utf8(alias));
    HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, alias);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(CloseHandle(opened));
  }
  SetLastError(0);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"kv.test.name"), nullptr) << "names are case-sensitive";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_TRUE(CloseHandle(first));
  HANDLE third = OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Test.Name");
  EXPECT_NE(third, nullptr) << "one handle was left";
  EXPECT_TRUE(CloseHandle(third));
  EXPECT_TRUE(CloseHandle(second));
}

TEST_F(Mutex, NameVanishesWhenAllHandlesAreClosed) {
  HANDLE a = CreateMutexW(nullptr, FALSE, L"Kv.Gone");
  HANDLE b = OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Gone");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_TRUE(CloseHandle(b));
  SetLastError(0);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Gone"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(CheckFromAnotherProcess("Kv.Gone"), 1);
  EXPECT_FALSE(CloseHandle(a)) << "closed twice";
}

TEST_F(Mutex, OwnershipIsRecursiveAndOnlyTheOwnerReleases) {
  for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L"Kv.Recursive"}) {
    SCOPED_TRACE(name ? "named" : "unnamed");
    HANDLE m = CreateMutexW(nullptr, TRUE, name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_TRUE(ReleaseMutex(m));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(m));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    EXPECT_TRUE(CloseHandle(m));
  }
  int notAHandle = 0;
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(&notAHandle));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Mutex, OtherThreadsWaitForTheOwner) {
  for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L"Kv.Threads"}) {
    SCOPED_TRACE(name ? "named" : "unnamed");
    HANDLE m = CreateMutexW(nullptr, TRUE, name);
    ASSERT_NE(m, nullptr);
    DWORD quick = 0, shortWait = 0, releaseByOther = 0;
    std::thread([&] {
      quick = WaitForSingleObject(m, 0);
      shortWait = WaitForSingleObject(m, 20);
      releaseByOther = ReleaseMutex(m) ? ERROR_SUCCESS : GetLastError();
    }).join();
    EXPECT_EQ(quick, WAIT_TIMEOUT);
    EXPECT_EQ(shortWait, WAIT_TIMEOUT);
    EXPECT_EQ(releaseByOther, static_cast<DWORD>(ERROR_NOT_OWNER));

    DWORD waited = 0;
    std::thread waiter([&] {
      waited = WaitForSingleObject(m, INFINITE);
      ReleaseMutex(m);
    });
    EXPECT_TRUE(ReleaseMutex(m));
    waiter.join();
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
  }
}

TEST_F(Mutex, AThreadEndingWhileOwningAbandonsIt) {
  for (const wchar_t* name : {static_cast<const wchar_t*>(nullptr), L"Kv.Abandoned"}) {
    SCOPED_TRACE(name ? "named" : "unnamed");
    HANDLE m = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(m, nullptr);
    std::thread([&] { EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(WaitForSingleObject(m, 5000), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(m)) << "the abandoned mutex now belongs to this thread";
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0) << "abandonment is reported once";
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
  }
}

// The wait used to reach the mutex's state through the handle object, which
// CloseHandle destroys while another thread is still waiting on it.
TEST_F(Mutex, ClosingAHandleAnotherThreadWaitsOnIsSafe_WaitUsedToReadTheDestroyedHandle) {
  HANDLE mine = CreateMutexW(nullptr, TRUE, L"Kv.CloseWhileWaiting");
  HANDLE theirs = OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.CloseWhileWaiting");
  ASSERT_NE(theirs, nullptr);
  DWORD waited = WAIT_FAILED;
  std::thread waiter([&] {
    waited = WaitForSingleObject(theirs, INFINITE);
    ReleaseMutex(mine);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it start waiting
  EXPECT_TRUE(CloseHandle(theirs));
  EXPECT_TRUE(ReleaseMutex(mine));
  waiter.join();
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mine));
  CloseHandle(mine);
}

TEST_F(Mutex, AnotherProcessSeesTheNameWhileTheHolderLives) {
  Child holder({ProbePath("mutex_probe_platform"), "hold", "Kv.Held", Ready("hold")}, {Env()});
  ASSERT_TRUE(holder.started());
  ASSERT_TRUE(AppearsWithin30s(Ready("hold")));
  EXPECT_EQ(CheckFromAnotherProcess("Kv.Held"), 0);
  HANDLE here = OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Held");
  ASSERT_NE(here, nullptr);
  CloseHandle(here);

  holder.Kill();
  EXPECT_EQ(CheckFromAnotherProcess("Kv.Held"), 1);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Held"), nullptr);
}

TEST_F(Mutex, AProcessKilledWhileOwningAbandonsIt) {
  Child owner({ProbePath("mutex_probe_platform"), "own", "Kv.Owned", Ready("own")}, {Env()});
  ASSERT_TRUE(AppearsWithin30s(Ready("own")));
  HANDLE m = CreateMutexW(nullptr, FALSE, L"Kv.Owned");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(m, 30), WAIT_TIMEOUT);
  owner.Kill();
  EXPECT_EQ(WaitForSingleObject(m, 30000), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);

  Child polite({ProbePath("mutex_probe_platform"), "released", "Kv.Released", Ready("released")}, {Env()});
  ASSERT_TRUE(AppearsWithin30s(Ready("released")));
  HANDLE r = OpenMutexW(SYNCHRONIZE, FALSE, L"Kv.Released");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(WaitForSingleObject(r, 30000), WAIT_OBJECT_0) << "released properly: not abandoned";
  EXPECT_TRUE(ReleaseMutex(r));
  CloseHandle(r);
}

TEST_F(Mutex, TheLoadedLibraryMarksItsProcess) {
  Child host({ProbePath("mutex_library_probe"), Ready("library"), "Kv.FromLibraryProbe"}, {Env()});
  ASSERT_TRUE(AppearsWithin30s(Ready("library")));
  EXPECT_EQ(CheckFromAnotherProcess("KavrodeskForAutoCAD"), 0);
  EXPECT_EQ(CheckFromAnotherProcess("Kv.FromLibraryProbe"), 0);
  host.Kill();
  EXPECT_EQ(CheckFromAnotherProcess("KavrodeskForAutoCAD"), 1);
  EXPECT_EQ(CheckFromAnotherProcess("Kv.FromLibraryProbe"), 1);
}

TEST_F(Mutex, AnyNameMapsToFilesInsideTheRuntimeFolder) {
  const std::wstring longest(MAX_PATH, L'x');
  const std::wstring longestOther = std::wstring(MAX_PATH - 1, L'x') + L"y";
  const wchar_t* names[] = {L"a/b", L"..", L"../../escape", L"back\\slash", L".hidden", L"A", L"%41",
                            L"Größe ✓", L"tab\there", longest.c_str(), longestOther.c_str()};
  std::vector<HANDLE> handles;
  for (const wchar_t* name : names) {
    SCOPED_TRACE(kavro::test::Utf8(name));
    HANDLE h = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "every name is its own object";
    handles.push_back(h);
  }
  for (const auto& entry : std::filesystem::directory_iterator(runtime_.path())) {
    EXPECT_TRUE(entry.is_regular_file()) << entry.path();
  }
  EXPECT_FALSE(Exists(std::filesystem::path(runtime_.path()).parent_path() / "escape.mutex"));

  const std::wstring tooLong(MAX_PATH + 1, L'x');
  SetLastError(0);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, tooLong.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  for (HANDLE h : handles) CloseHandle(h);
}

TEST_F(Mutex, RuntimeFolderComesFromTheEnvironmentWhenItIsSafe) {
  unsetenv("KAVRO_RUNTIME_DIR");
  TempDir xdg;
  setenv("XDG_RUNTIME_DIR", xdg.path().c_str(), 1);
  const std::string name = "Kv.Xdg." + std::to_string(getpid());
  HANDLE h = CreateMutexW(nullptr, FALSE, CString(name.c_str()));
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(Exists(xdg.Sub("kavro/" + name + ".mutex")));
  struct stat st;
  ASSERT_EQ(stat(xdg.Sub("kavro").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  CloseHandle(h);

  // A folder others may write to is not used: the per-user folder in /tmp is.
  chmod(xdg.path().c_str(), 0777);
  const std::string other = "Kv.Unsafe." + std::to_string(getpid());
  h = CreateMutexW(nullptr, FALSE, CString(other.c_str()));
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(Exists(xdg.Sub("kavro/" + other + ".mutex")));
  const std::string perUser = "/tmp/kavro-" + std::to_string(geteuid());
  EXPECT_TRUE(Exists(perUser + "/" + other + ".mutex"));
  ASSERT_EQ(lstat(perUser.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(st.st_mode & 0077, 0u);
  CloseHandle(h);

  setenv("KAVRO_RUNTIME_DIR", runtime_.Sub("not-a-folder").c_str(), 1);
  kavro::test::WriteBytes(runtime_.Sub("not-a-folder"), "x");
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, L"Kv.NoFolder"), nullptr);
}

}  // namespace
