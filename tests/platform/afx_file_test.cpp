// CFile: open flags, open errors and their causes, paths, and the
// read/write/seek calls over a real file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "KavroStd/platform/afx_file.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

struct Thrown {
  bool thrown = false;
  int cause = -1;
  LONG osError = 0;
  std::wstring fileName;
};

// Runs `f` and reports the CFileException* it threw (released here).
Thrown Catch(const std::function<void()>& f) {
  Thrown t;
  try {
    f();
  } catch (CFileException* e) {
    t.thrown = true;
    t.cause = e->m_cause;
    t.osError = e->m_lOsError;
    t.fileName = e->m_strFileName.GetString();
    e->Delete();
  }
  return t;
}

class CFileTest : public testing::Test {
 protected:
  CString Win(const std::string& relative) const { return dir_.Win(relative); }
  kavro::test::TempDir dir_;
};

TEST_F(CFileTest, OpenFlagsCreateTruncateOrKeep) {
  WriteBytes(dir_.Sub("keep"), "old data");
  WriteBytes(dir_.Sub("trunc"), "old data");
  {
    CFile f;
    ASSERT_TRUE(f.Open(Win("keep"), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
    EXPECT_EQ(8u, f.GetLength());
    f.Write("N", 1);  // at the start: the pointer is not moved to the end
  }
  EXPECT_EQ("Nld data", ReadBytes(dir_.Sub("keep")));
  {
    CFile f(Win("trunc"), CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(0u, f.GetLength());
  }
  EXPECT_EQ("", ReadBytes(dir_.Sub("trunc")));
  {
    CFile f(Win("fresh"), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
    f.Write("abc", 3);
    f.SeekToBegin();
    char buf[4] = {};
    EXPECT_EQ(3u, f.Read(buf, 3));
    EXPECT_STREQ("abc", buf);
  }
  EXPECT_EQ("abc", ReadBytes(dir_.Sub("fresh")));
}

TEST_F(CFileTest, OpenErrorsFillTheExceptionRecord) {
  WriteBytes(dir_.Sub("ro.txt"), "x");
  ASSERT_EQ(0, chmod(dir_.Sub("ro.txt").c_str(), 0444));
  std::filesystem::create_directory(dir_.Sub("folder"));
  unsetenv("KAVRO_DRIVE_M");
  struct Row {
    const char* name;
    CString path;
    UINT flags;
    int cause;
    LONG osError;
  } rows[] = {
      {"missing file", Win("missing.txt"), CFile::modeRead, CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
      {"missing folder", Win("nowhere\\a.txt"), CFile::modeRead, CFileException::badPath, ERROR_PATH_NOT_FOUND},
      {"missing folder, create", Win("nowhere\\a.txt"), CFile::modeCreate | CFile::modeWrite, CFileException::badPath,
       ERROR_PATH_NOT_FOUND},
      {"folder as file", Win("folder"), CFile::modeRead, CFileException::accessDenied, ERROR_ACCESS_DENIED},
      {"read-only for writing", Win("ro.txt"), CFile::modeWrite, CFileException::accessDenied, ERROR_ACCESS_DENIED},
      {"read-only truncated", Win("ro.txt"), CFile::modeCreate | CFile::modeWrite, CFileException::accessDenied,
       ERROR_ACCESS_DENIED},
      {"unmapped drive", CString(L"M:\\a.txt"), CFile::modeRead, CFileException::badPath, ERROR_PATH_NOT_FOUND},
      {"empty name", CString(L""), CFile::modeRead, CFileException::badPath, ERROR_PATH_NOT_FOUND},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(r.path, r.flags, &e));
    EXPECT_EQ(r.cause, e.m_cause);
    EXPECT_EQ(r.osError, e.m_lOsError);
    EXPECT_EQ(r.path, e.m_strFileName);  // the name as given
    EXPECT_EQ(CFile::hFileNull, f.m_hFile);
    EXPECT_FALSE(f.Open(r.path, r.flags));  // no record asked for

    Thrown t = Catch([&] { CFile thrower(r.path, r.flags); });
    EXPECT_TRUE(t.thrown);
    EXPECT_EQ(r.cause, t.cause);
    EXPECT_EQ(r.osError, t.osError);
    EXPECT_EQ(std::wstring(r.path.GetString()), t.fileName);
  }
  EXPECT_EQ("x", ReadBytes(dir_.Sub("ro.txt")));
}

TEST_F(CFileTest, PathsAreFullAndInWindowsForm) {
  WriteBytes(dir_.Sub("sub/Data.File.txt"), "x");
  std::wstring root = dir_.Win().GetString();
  std::string saved = std::filesystem::current_path().string();
  ASSERT_EQ(0, chdir(dir_.path().c_str()));
  struct Row {
    const char* name;
    CString open;
    std::wstring path;
  } rows[] = {
      {"full", Win("sub\\Data.File.txt"), root + L"sub\\Data.File.txt"},
      {"dots and slashes", dir_.Win() + L"sub/./x/../Data.File.txt", root + L"sub\\Data.File.txt"},
      {"relative", CString(L"sub\\Data.File.txt"), root + L"sub\\Data.File.txt"},
      {"relative with dot", CString(L".\\sub\\..\\sub\\Data.File.txt"), root + L"sub\\Data.File.txt"},
      {"posix", CString((dir_.path() + "/sub/Data.File.txt").c_str()), root + L"sub\\Data.File.txt"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CFile f;
    ASSERT_TRUE(f.Open(r.open, CFile::modeRead));
    EXPECT_EQ(r.path, f.GetFilePath().str());
    EXPECT_STREQ(L"Data.File.txt", f.GetFileName().GetString());
    EXPECT_STREQ(L"Data.File", f.GetFileTitle().GetString());
    f.Close();
    EXPECT_TRUE(f.GetFilePath().IsEmpty());
  }
  ASSERT_EQ(0, chdir(saved.c_str()));
  CFile named;
  named.SetFilePath(L"C:\\x\\noext");
  EXPECT_STREQ(L"noext", named.GetFileTitle().GetString());
}

TEST_F(CFileTest, ReadWriteSeekAndLength) {
  CFile f(Win("data.bin"), CFile::modeCreate | CFile::modeReadWrite);
  const char bytes[] = "0123456789";
  f.Write(bytes, 10);
  EXPECT_EQ(10u, f.GetPosition());
  EXPECT_EQ(10u, f.GetLength());
  EXPECT_EQ(4u, f.Seek(4, CFile::begin));
  char buf[16] = {};
  EXPECT_EQ(3u, f.Read(buf, 3));
  EXPECT_STREQ("456", buf);
  EXPECT_EQ(5u, f.Seek(-2, CFile::current));
  EXPECT_EQ(8u, f.Seek(-2, CFile::end));
  EXPECT_EQ(2u, f.Read(buf, 16));
  EXPECT_EQ(0u, f.Read(buf, 16));  // end of the file: no exception
  EXPECT_EQ(0u, f.Read(buf, 0));
  // Past the end, then a write: the gap reads as zeros.
  EXPECT_EQ(12u, f.Seek(12, CFile::begin));
  f.Write("Z", 1);
  EXPECT_EQ(13u, f.GetLength());
  f.SetLength(5);
  EXPECT_EQ(5u, f.GetLength());
  EXPECT_EQ(5u, f.GetPosition());
  f.SetLength(1ull << 33);  // sparse: lengths are 64-bit
  EXPECT_EQ(1ull << 33, f.GetLength());
  f.SetLength(5);
  f.Flush();
  Thrown t = Catch([&] { f.Seek(-1, CFile::begin); });
  EXPECT_TRUE(t.thrown);
  EXPECT_EQ(CFileException::badSeek, t.cause);
  EXPECT_EQ(ERROR_NEGATIVE_SEEK, t.osError);
  f.Close();
  EXPECT_EQ("01234", ReadBytes(dir_.Sub("data.bin")));
}

TEST_F(CFileTest, FailuresOnAnOpenFileThrowWithTheFullName) {
  WriteBytes(dir_.Sub("r.txt"), "abc");
  CFile reader(Win("r.txt"), CFile::modeRead);
  Thrown write = Catch([&] { reader.Write("x", 1); });
  EXPECT_TRUE(write.thrown);
  EXPECT_EQ(CFileException::accessDenied, write.cause);
  EXPECT_EQ(std::wstring(Win("r.txt").GetString()), write.fileName);

  CFile writer(Win("w.txt"), CFile::modeCreate | CFile::modeWrite);
  char buf[4];
  Thrown read = Catch([&] { writer.Read(buf, 4); });
  EXPECT_TRUE(read.thrown);
  EXPECT_EQ(CFileException::accessDenied, read.cause);
  EXPECT_EQ(ERROR_ACCESS_DENIED, read.osError);

  CFile closed;
  Thrown onClosed = Catch([&] { closed.Read(buf, 4); });
  EXPECT_TRUE(onClosed.thrown);
  EXPECT_EQ(ERROR_INVALID_HANDLE, onClosed.osError);
  EXPECT_NO_THROW(closed.Close());
  EXPECT_NO_THROW(closed.Abort());
}

TEST_F(CFileTest, HandleOwnership) {
  HANDLE h = CreateFileW(Win("h.txt"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  {
    CFile wrapped(h);
    wrapped.Write("hi", 2);
  }
  // A file made from a handle leaves the handle open.
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ("hi", ReadBytes(dir_.Sub("h.txt")));

  HANDLE owned;
  {
    CFile f(Win("o.txt"), CFile::modeCreate | CFile::modeWrite);
    owned = f.m_hFile;
    f.Write("x", 1);
  }
  // The destructor closed its own handle.
  EXPECT_FALSE(CloseHandle(owned));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

  // Opening again over an open file closes the first handle.
  CFile twice(Win("o.txt"), CFile::modeRead);
  HANDLE first = twice.m_hFile;
  ASSERT_TRUE(twice.Open(Win("h.txt"), CFile::modeRead));
  EXPECT_FALSE(CloseHandle(first));
}

}  // namespace
