// File handles around POSIX descriptors: the descriptor behind a handle,
// a handle that owns a descriptor, and the kinds GetFileType reports for
// descriptors no Win32 call opens (sockets).
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "KavroStd/platform/handleapi.h"
#include "platform/fs/fileapi_internal.h"
#include "support/test_support.h"

namespace {

using kavro::platform::KvFileDescriptor;
using kavro::platform::KvHandleFromDescriptor;

TEST(FileHandlesInternal, DescriptorAndHandleLeadToTheSameFile) {
  kavro::test::TempDir dir;
  kavro::test::WriteBytes(dir.Sub("f"), "hello");
  const int fd = open(dir.Sub("f").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  HANDLE h = KvHandleFromDescriptor(fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_EQ(fd, KvFileDescriptor(h));
  char buf[8] = {};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ("hello", std::string(buf, n));
  // The handle owns the descriptor: closing it closes the descriptor.
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(-1, fcntl(fd, F_GETFD));
  EXPECT_EQ(-1, KvFileDescriptor(h));
}

TEST(FileHandlesInternal, OtherHandlesHaveNoDescriptor) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
  ASSERT_NE(nullptr, mutex);
  EXPECT_EQ(-1, KvFileDescriptor(mutex));
  CloseHandle(mutex);
  EXPECT_EQ(-1, KvFileDescriptor(nullptr));
  EXPECT_EQ(-1, KvFileDescriptor(INVALID_HANDLE_VALUE));
}

TEST(FileHandlesInternal, SocketIsAPipe) {
  int pair[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair));
  HANDLE socket = KvHandleFromDescriptor(pair[0]);
  close(pair[1]);
  EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_PIPE), GetFileType(socket));
  CloseHandle(socket);
}

}  // namespace
