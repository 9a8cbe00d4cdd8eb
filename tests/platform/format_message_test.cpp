// FormatMessageW with system messages and its allocated buffers.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cwchar>
#include <string>

#include "KavroStd/platform/format_message.h"

namespace {

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

TEST(FormatMessageTest, SystemTextsEndWithCrLf) {
  struct Row {
    DWORD code;
    const wchar_t* want;
  } rows[] = {
      {ERROR_SUCCESS, L"The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified.\r\n"},
      {ERROR_ACCESS_DENIED, L"Access is denied.\r\n"},
      {ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists.\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    wchar_t buffer[256];
    DWORD n = FormatMessageW(kSystem, nullptr, r.code, 0, buffer, 256, nullptr);
    EXPECT_EQ(wcslen(r.want), n);
    EXPECT_STREQ(r.want, buffer);
  }
}

TEST(FormatMessageTest, AllocatedBufferIsReleasedWithLocalFree) {
  LPWSTR text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | kSystem, nullptr, ERROR_PATH_NOT_FOUND,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(std::wstring(L"The system cannot find the path specified.\r\n"), std::wstring(text, n));
  EXPECT_EQ(nullptr, LocalFree(text));
  EXPECT_EQ(nullptr, LocalFree(nullptr));
}

TEST(FormatMessageTest, MaximumWidthDropsOrBreaksLines) {
  wchar_t buffer[256];
  DWORD n = FormatMessageW(kSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 256,
                           nullptr);
  EXPECT_EQ(17u, n);
  EXPECT_STREQ(L"Access is denied.", buffer);
  n = FormatMessageW(kSystem | 20, nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, 256, nullptr);
  EXPECT_STREQ(L"The system cannot\r\nfind the file\r\nspecified.", buffer);
  EXPECT_EQ(wcslen(buffer), n);
}

TEST(FormatMessageTest, Failures) {
  wchar_t buffer[8] = L"keep";
  SetLastError(0);
  EXPECT_EQ(0u, FormatMessageW(kSystem, nullptr, 0x7654321, 0, buffer, 8, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), GetLastError());
  SetLastError(0);
  EXPECT_EQ(0u, FormatMessageW(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 8, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  SetLastError(0);
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_STRING, L"x", 0, 0, buffer, 8, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  LPWSTR none = reinterpret_cast<LPWSTR>(0x1);
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | kSystem, nullptr, 0x7654321, 0,
                               reinterpret_cast<LPWSTR>(&none), 0, nullptr));
  EXPECT_EQ(nullptr, none);
}

// A text with an insert: kept as it stands when inserts are ignored, filled
// from an argument array or a va_list, and a failure without arguments, as
// Windows reports it.
DWORD FormatWithList(DWORD flags, DWORD code, wchar_t* buffer, DWORD size, ...) {
  va_list list;
  va_start(list, size);
  DWORD n = FormatMessageW(flags, nullptr, code, 0, buffer, size, &list);
  va_end(list);
  return n;
}

TEST(FormatMessageTest, InsertsOfBadExeFormat) {
  wchar_t buffer[128];
  EXPECT_EQ(38u, FormatMessageW(kSystem, nullptr, ERROR_BAD_EXE_FORMAT, 0, buffer, 128, nullptr));
  EXPECT_STREQ(L"%1 is not a valid Win32 application.\r\n", buffer);
  DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(L"C:\\x.exe")};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, ERROR_BAD_EXE_FORMAT, 0, buffer,
                 128, reinterpret_cast<va_list*>(args));
  EXPECT_STREQ(L"C:\\x.exe is not a valid Win32 application.\r\n", buffer);
  FormatWithList(FORMAT_MESSAGE_FROM_SYSTEM, ERROR_BAD_EXE_FORMAT, buffer, 128, L"y.exe");
  EXPECT_STREQ(L"y.exe is not a valid Win32 application.\r\n", buffer);
  wcscpy(buffer, L"keep");
  SetLastError(0);
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_EXE_FORMAT, 0, buffer, 128, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_STREQ(L"keep", buffer);
}

}  // namespace
