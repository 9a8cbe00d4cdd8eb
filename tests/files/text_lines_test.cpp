#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

// Records the message boxes shown; answers OK.
struct Boxes {
  static int Record(LPCWSTR text, LPCWSTR, UINT, void* context) {
    static_cast<Boxes*>(context)->texts.push_back(text);
    return IDOK;
  }
  Boxes() { previous = KvSetMessageBoxHandler(Record, this); }
  ~Boxes() { KvSetMessageBoxHandler(previous, nullptr); }
  std::vector<std::wstring> texts;
  KvMessageBoxHandler previous;
};

// Sets the ANSI code page for one test.
struct ScopedAcp {
  explicit ScopedAcp(UINT cp) : old(GetACP()) { ok = KvSetACP(cp); }
  ~ScopedAcp() { KvSetACP(old); }
  UINT old;
  BOOL ok;
};

TEST(TextLines, RoundTripInTheAnsiCodePageWithCrLf) {
  struct Row {
    UINT codePage;
    const wchar_t* line;
    std::string bytes;
  } const rows[] = {
      {936, L"图纸列表", "\xcd\xbc\xd6\xbd\xc1\xd0\xb1\xed"},
      {1252, L"Caf\u00e9", "Caf\xe9"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.codePage);
    ScopedAcp acp(row.codePage);
    ASSERT_TRUE(acp.ok);
    TempDir dir;
    CStringArray lines;
    lines.Add(L"C:\\a\\x.dwg");
    lines.Add(CString());
    lines.Add(row.line);
    ASSERT_TRUE(CStringOpr::SaveTextFile(lines, dir.Win("list.txt")));
    EXPECT_EQ(ReadBytes(dir.Sub("list.txt")), "C:\\a\\x.dwg\r\n\r\n" + row.bytes + "\r\n");
    CStringArray back;
    back.Add(L"stale");
    ASSERT_TRUE(CStringOpr::LoadTextFile(back, dir.Win("list.txt")));
    EXPECT_TRUE(CStringOpr::IsSame(lines, back));
  }
}

TEST(TextLines, MissingFilesAndFailedOpens) {
  TempDir dir;
  Boxes boxes;
  CStringArray lines;
  lines.Add(L"kept");
  EXPECT_FALSE(CStringOpr::LoadTextFile(lines, dir.Win("none.txt")));
  EXPECT_FALSE(CStringOpr::LoadTextFile(lines, dir.Win()));  // a folder
  ASSERT_EQ(lines.GetSize(), 1);
  EXPECT_TRUE(boxes.texts.empty());

  CString target = dir.Win("no\\such\\list.txt");
  EXPECT_FALSE(CStringOpr::SaveTextFile(lines, target));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], L"Could not open file " + target.str() + L".\n");
}

TEST(TextLines, AskBeforeOverwriting) {
  TempDir dir;
  WriteBytes(dir.Sub("x.dwg"), "x");
  CString path = dir.Win("x.dwg");
  CString missing = dir.Win("y.dwg");
  EXPECT_TRUE(CStringOpr::JustFileIsExsit(missing, TRUE));
  EXPECT_FALSE(CStringOpr::JustFileIsExsit(path, FALSE));

  struct Answer {
    static int Yes(LPCWSTR text, LPCWSTR, UINT type, void* context) {
      auto* seen = static_cast<std::vector<std::pair<std::wstring, UINT>>*>(context);
      seen->emplace_back(text, type);
      return (type & MB_TYPEMASK) == MB_YESNOCANCEL ? IDYES : IDOK;
    }
  };
  std::vector<std::pair<std::wstring, UINT>> seen;
  KvMessageBoxHandler old = KvSetMessageBoxHandler(Answer::Yes, &seen);
  chmod(dir.Sub("x.dwg").c_str(), 0444);  // read-only: cannot be deleted
  EXPECT_FALSE(CStringOpr::JustFileIsExsit(path, TRUE));
  chmod(dir.Sub("x.dwg").c_str(), 0644);
  EXPECT_TRUE(CStringOpr::JustFileIsExsit(path, TRUE));
  KvSetMessageBoxHandler(old, nullptr);
  EXPECT_FALSE(kavro::test::Exists(dir.Sub("x.dwg")));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, path.str() + L"已存在，覆盖吗？");
  EXPECT_EQ(seen[0].second, MB_YESNOCANCEL | MB_ICONWARNING);
  EXPECT_EQ(seen[1].first, path.str() + L"文件无法覆盖，请查看文件是否正被打开！");
  EXPECT_EQ(seen[1].second & MB_TYPEMASK, MB_OK);
  EXPECT_EQ(seen[2].first, seen[0].first);
}

}  // namespace
