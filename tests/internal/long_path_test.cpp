// The long-path helper on its own: a path past the system limit is reached
// through its folder, and a missing folder on the way gives its errno.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fs/long_path_internal.h"

namespace {

using kavro::platform::PathLstat;
using kavro::platform::PathMkdir;
using kavro::platform::PathOpen;
using kavro::platform::PathRmdir;

TEST(LongPathInternal, CallsReachPathsPastTheLimitAndReportMissingFolders) {
  char pattern[] = "/tmp/kv-longpath-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  std::string path = root;
  while (path.size() < PATH_MAX + 200) {
    path += "/a_folder_name_of_thirty_bytes";
    ASSERT_EQ(0, PathMkdir(path, 0755)) << path.size() << " errno " << errno;
  }
  struct stat st;
  EXPECT_EQ(0, PathLstat(path, &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  const int fd = PathOpen(path + "/file", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(-1, PathLstat(path + "/none/x", &st));
  EXPECT_EQ(ENOENT, errno);
  EXPECT_EQ(-1, PathRmdir(path));
  EXPECT_EQ(ENOTEMPTY, errno);
  std::system(("rm -rf " + root).c_str());
}

}  // namespace
