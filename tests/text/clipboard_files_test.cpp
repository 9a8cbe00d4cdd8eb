#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace {

class ClipboardFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { kavro::platform::KvSetClipboardFolder(dir_.Sub("clip")); }
  void TearDown() override { kavro::platform::KvSetClipboardFolder(""); }
  // The bytes the clipboard holds for format.
  std::string Raw(UINT format) {
    std::string bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    if (HGLOBAL block = GetClipboardData(format)) {
      bytes.assign(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
      GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
  }
  void Put(UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GHND, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_NE(SetClipboardData(format, block), nullptr);
  }

  kavro::test::TempDir dir_;
};

TEST_F(ClipboardFilesTest, ArrayFormWritesTheDropLayout) {
  CStringArray files;
  files.Add(L"C:\\a");
  files.Add(L"D:\\\U0001F600");
  CStringOpr::CutOrCopyFiles(files, 1);
  std::string expected("\x14\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\x01\0\0\0", 20);
  expected += std::string("C\0:\0\\\0a\0\0\0", 10);
  expected += std::string("D\0:\0\\\0\x3D\xD8\x00\xDE\0\0", 12);
  expected += std::string(8, '\0');  // 20 + 2 x 11 units + 8, zero-filled
  EXPECT_EQ(Raw(CF_HDROP), expected);
  EXPECT_EQ(Raw(RegisterClipboardFormatW(L"Preferred DropEffect")), std::string("\x01\0\0\0", 4));
}

TEST_F(ClipboardFilesTest, RoundTripGivesNamesAndEffect) {
  struct Case {
    int mode;
    int copy;
  } cases[] = {{1, 1}, {0, 0}, {2, 0}, {7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    CStringArray files;
    files.Add(L"Z:\\tmp\\one.dwg");
    files.Add(CString(L'n', 2000));  // longer than any fixed buffer
    files.Add(L"Z:\\\u4e2d\u6587.txt");
    CStringOpr::CutOrCopyFiles(files, c.mode);
    CStringArray back;
    back.Add(L"stale");
    int copy = -1;
    EXPECT_TRUE(CStringOpr::CheckClipboard(nullptr, back, copy));
    EXPECT_TRUE(CStringOpr::IsSame(files, back));
    EXPECT_EQ(copy, c.copy);
  }
}

TEST_F(ClipboardFilesTest, ArrayFormHasNoLengthLimit) {
  CStringArray files;
  for (int i = 0; i < 300; ++i) files.Add(CString(L'a' + i % 26, 40));  // 12,300 characters
  CStringOpr::CutOrCopyFiles(files, 1);
  CStringArray back;
  int copy = 0;
  EXPECT_TRUE(CStringOpr::CheckClipboard(nullptr, back, copy));
  EXPECT_TRUE(CStringOpr::IsSame(files, back));
}

TEST_F(ClipboardFilesTest, AnsiListFormConvertsFromTheCodePage) {
  UINT saved = GetACP();
  ASSERT_TRUE(KvSetACP(936));
  const char names[] = "C:\\\xD6\xD0.txt\0C:\\b\0";
  CStringOpr::CutOrCopyFiles(names, sizeof names - 1, 0);
  std::string raw = Raw(CF_HDROP);
  EXPECT_EQ(raw.size(), 20u + 2 * 15 + 8) << "room for one unit per byte given";
  CStringArray back;
  int copy = 1;
  EXPECT_TRUE(CStringOpr::CheckClipboard(nullptr, back, copy));
  ASSERT_EQ(back.GetSize(), 2);
  EXPECT_EQ(back[0], CString(L"C:\\\u4e2d.txt"));
  EXPECT_EQ(back[1], CString(L"C:\\b"));
  EXPECT_EQ(copy, 0);
  KvSetACP(saved);
}

TEST_F(ClipboardFilesTest, EffectRulesAndMissingPieces) {
  UINT effect = RegisterClipboardFormatW(L"Preferred DropEffect");
  std::string drop("\x14\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\x01\0\0\0" "x\0\0\0\0\0", 26);
  struct Case {
    const char* what;
    bool withDrop;
    bool withEffect;
    std::string effect;
    int copy;  // expected, starting from 9
    int result;
  } cases[] = {
      {"no effect block reads as copy", true, false, "", 1, TRUE},
      {"copy and move bits: cut", true, true, std::string("\x03\0\0\0", 4), 0, TRUE},
      {"link only: copy unchanged", true, true, std::string("\x04\0\0\0", 4), 9, TRUE},
      {"only the low byte counts", true, true, std::string("\x00\x02\0\0", 4), 9, TRUE},
      {"effect block shorter than a DWORD", true, true, std::string("\x02", 1), 0, TRUE},
      {"no drop: copy unchanged", false, true, std::string("\x02\0\0\0", 4), 9, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (c.withDrop) Put(CF_HDROP, drop);
    if (c.withEffect) Put(effect, c.effect);
    CloseClipboard();
    CStringArray files;
    int copy = 9;
    EXPECT_EQ(CStringOpr::CheckClipboard(nullptr, files, copy), c.result);
    EXPECT_EQ(copy, c.copy);
    EXPECT_EQ(files.GetSize(), c.withDrop ? 1 : 0);
  }
}

TEST_F(ClipboardFilesTest, BusyClipboardChangesNothing) {
  CStringArray files;
  files.Add(L"Z:\\first");
  CStringOpr::CutOrCopyFiles(files, 1);
  std::string before = Raw(CF_HDROP);
  bool done = false;
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::thread([&] {
    CStringArray other;
    other.Add(L"Z:\\second");
    CStringOpr::CutOrCopyFiles(other, 0);
    CStringArray read;
    int copy = 5;
    EXPECT_FALSE(CStringOpr::CheckClipboard(nullptr, read, copy));
    EXPECT_EQ(copy, 5);
    done = true;
  }).join();
  CloseClipboard();
  EXPECT_TRUE(done);
  EXPECT_EQ(Raw(CF_HDROP), before);
}

}  // namespace
