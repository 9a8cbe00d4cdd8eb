// CTextFile: whole-file reads and writes with exact bytes, the control
// forms, the file dialog through its handler and the error texts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "KavroStd/files.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::ScopedAcp;
using kavro::test::WriteBytes;

struct DialogAnswer {
  int calls = 0;
  BOOL open = -1;
  std::wstring filter, defaultExt;
  DWORD flags = 0;
  HWND owner = reinterpret_cast<HWND>(1);
  CString path;  // empty: Cancel
};

BOOL Answer(const KvFileDialogRequest* request, CString* path, void* context) {
  DialogAnswer* a = static_cast<DialogAnswer*>(context);
  ++a->calls;
  a->open = request->openFileDialog;
  a->filter = request->filter;
  a->defaultExt = request->defaultExt;
  a->flags = request->flags;
  a->owner = request->owner;
  if (a->path.IsEmpty()) return FALSE;
  *path = a->path;
  return TRUE;
}

class TextFileTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = KvSetFileDialogHandler(Answer, &dialog_);
    ASSERT_TRUE(window_.Create(200u));
  }
  void TearDown() override { KvSetFileDialogHandler(previous_, nullptr); }
  CString Win(const std::string& relative) const { return dir_.Win(relative); }
  static CStringArray Array(std::initializer_list<const wchar_t*> items) {
    CStringArray a;
    for (const wchar_t* s : items) a.Add(s);
    return a;
  }

  kavro::test::TempDir dir_;
  ScopedAcp acp_{936};
  DialogAnswer dialog_;
  KvFileDialogHandler previous_ = nullptr;
  CDialog window_;
  const RECT rect_{0, 0, 10, 10};
};

TEST_F(TextFileTest, WritesExactBytes) {
  CTextFile text;
  CString name = Win("w.txt");
  ASSERT_TRUE(text.WriteTextFile(name, Array({L"x", L"y"})));
  EXPECT_EQ("x\r\ny\r\n", ReadBytes(dir_.Sub("w.txt")));
  ASSERT_TRUE(text.WriteTextFile(name, Array({L"\u4e2d\u6587\u4e2d\u6587", L"\u0e01"})));
  EXPECT_EQ("\xd6\xd0\xce\xc4\xd6\xd0\xce\xc4\r\n#\r\n", ReadBytes(dir_.Sub("w.txt")));
  ASSERT_TRUE(text.WriteTextFile(name, CString(L"a\nb")));  // as it is
  EXPECT_EQ("a\nb", ReadBytes(dir_.Sub("w.txt")));

  CTextFile lf(L"", L"\n");
  ASSERT_TRUE(lf.WriteTextFile(name, Array({L"1", L"2"})));
  EXPECT_EQ("1\n2\n", ReadBytes(dir_.Sub("w.txt")));
  ASSERT_TRUE(lf.AppendFile(name, Array({L"3"})));
  EXPECT_EQ("1\n2\n3\n", ReadBytes(dir_.Sub("w.txt")));
  // The one-text append writes raw UTF-16LE units, pairs for U+1F600.
  ASSERT_TRUE(lf.AppendFile(name, CString(L"\u4e2d\U0001F600")));
  EXPECT_EQ(std::string("1\n2\n3\n\x2d\x4e\x3d\xd8\x00\xde", 12), ReadBytes(dir_.Sub("w.txt")));
  CString fresh = Win("new.txt");
  ASSERT_TRUE(lf.AppendFile(fresh, Array({L"n"})));
  EXPECT_EQ("n\n", ReadBytes(dir_.Sub("new.txt")));
  EXPECT_EQ(0, dialog_.calls);
}

TEST_F(TextFileTest, ReadsIntoAnArrayAndAString) {
  WriteBytes(dir_.Sub("a.txt"), "a\r\nb\n\xd6\xd0");
  CTextFile text;
  CString name = Win("a.txt");
  CStringArray lines = Array({L"old", L"older", L"oldest", L"gone"});
  ASSERT_TRUE(text.ReadTextFile(name, lines));
  ASSERT_EQ(3, lines.GetSize());
  EXPECT_STREQ(L"a", lines[0].GetString());
  EXPECT_STREQ(L"b", lines[1].GetString());
  EXPECT_STREQ(L"\u4e2d", lines[2].GetString());

  CString all = L"stale";
  ASSERT_TRUE(text.ReadTextFile(name, all));
  EXPECT_STREQ(L"a\r\nb\r\n\u4e2d\r\n", all.GetString());
  WriteBytes(dir_.Sub("empty.txt"), "");
  CString empty = Win("empty.txt");
  ASSERT_TRUE(text.ReadTextFile(empty, all));
  EXPECT_TRUE(all.IsEmpty());

  // A Unicode file is read as such in both forms.
  WriteBytes(dir_.Sub("u.txt"), std::string("\xff\xfe" "u\0\r\0\n\0v\0", 10));
  CString unicode = Win("u.txt");
  ASSERT_TRUE(text.ReadTextFile(unicode, lines));
  ASSERT_EQ(2, lines.GetSize());
  EXPECT_STREQ(L"u", lines[0].GetString());
  ASSERT_TRUE(text.ReadTextFile(unicode, all));
  EXPECT_STREQ(L"u\r\nv\r\n", all.GetString());
}

TEST_F(TextFileTest, OpenFailuresKeepTheSystemText) {
  CTextFile text;
  CString missing = Win("missing.txt");
  CStringArray lines = Array({L"kept"});
  EXPECT_FALSE(text.ReadTextFile(missing, lines));
  EXPECT_STREQ(L"The system cannot find the file specified.", text.GetErrorMessage().GetString());
  EXPECT_EQ(1, lines.GetSize());
  // An append that works keeps the last error; a read that works clears it.
  CString out = Win("out.txt");
  ASSERT_TRUE(text.AppendFile(out, Array({L"z"})));
  EXPECT_FALSE(text.GetErrorMessage().IsEmpty());
  ASSERT_TRUE(text.ReadTextFile(out, lines));
  EXPECT_TRUE(text.GetErrorMessage().IsEmpty());

  CString noFolder = Win("no\\such\\dir\\f.txt");
  EXPECT_FALSE(text.WriteTextFile(noFolder, CString(L"x")));
  EXPECT_STREQ(L"The system cannot find the path specified.", text.GetErrorMessage().GetString());
  if (geteuid() != 0) {
    WriteBytes(dir_.Sub("ro.txt"), "r");
    chmod(dir_.Sub("ro.txt").c_str(), 0444);
    CString ro = Win("ro.txt");
    EXPECT_FALSE(text.WriteTextFile(ro, CString(L"x")));
    EXPECT_STREQ(L"Access is denied.", text.GetErrorMessage().GetString());
    EXPECT_EQ("r", ReadBytes(dir_.Sub("ro.txt")));
  }
  CTextFile copy(text);
  EXPECT_EQ(text.GetErrorMessage(), copy.GetErrorMessage());
}

TEST_F(TextFileTest, EmptyNameAsksTheDialog) {
  CTextFile text(L"txt");
  CString name;
  dialog_.path = Win("chosen.txt");
  ASSERT_TRUE(text.WriteTextFile(name, Array({L"c"})));
  EXPECT_EQ(dialog_.path, name);
  EXPECT_FALSE(dialog_.open);
  EXPECT_EQ(L"txt-files (*.txt)|*.txt|All Files (*.*)|*.*||", dialog_.filter);
  EXPECT_EQ(L"txt", dialog_.defaultExt);
  EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), dialog_.flags);
  EXPECT_EQ(nullptr, dialog_.owner);
  EXPECT_EQ("c\r\n", ReadBytes(dir_.Sub("chosen.txt")));

  CString again;
  CStringArray lines;
  ASSERT_TRUE(text.ReadTextFile(again, lines));
  EXPECT_TRUE(dialog_.open);
  ASSERT_EQ(1, lines.GetSize());

  // Cancel: FALSE, the name untouched, no error text (AppendFile keeps its).
  dialog_.path.Empty();
  CTextFile plain;
  CString none;
  CString all;
  EXPECT_FALSE(plain.ReadTextFile(none, all));
  EXPECT_EQ(L"", dialog_.filter);
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_TRUE(plain.GetErrorMessage().IsEmpty());
  CString missing = Win("missing.txt");
  plain.ReadTextFile(missing, all);
  EXPECT_FALSE(plain.AppendFile(none, CString(L"x")));
  EXPECT_FALSE(plain.GetErrorMessage().IsEmpty());
}

TEST_F(TextFileTest, LoadAndSaveControls) {
  CEdit edit;
  ASSERT_TRUE(edit.Create(ES_MULTILINE, rect_, &window_, 1));
  CListBox list;
  ASSERT_TRUE(list.Create(0, rect_, &window_, 2));
  CTextFile text;
  WriteBytes(dir_.Sub("in.txt"), "one\r\n\r\ntwo\n\xd6\xd0");
  CString in = Win("in.txt");
  ASSERT_TRUE(text.Load(in, &edit));
  CString shown;
  edit.GetWindowText(shown);
  EXPECT_STREQ(L"one\r\n\r\ntwo\r\n\u4e2d\r\n", shown.GetString());
  list.AddString(L"existing");
  ASSERT_TRUE(text.Load(in, &list));
  ASSERT_EQ(4, list.GetCount());  // the empty line is skipped
  CString item;
  list.GetText(3, item);
  EXPECT_STREQ(L"\u4e2d", item.GetString());

  CString out = Win("out.txt");
  ASSERT_TRUE(text.Save(out, &list));
  EXPECT_EQ("existing\r\none\r\ntwo\r\n\xd6\xd0\r\n", ReadBytes(dir_.Sub("out.txt")));
  edit.SetWindowText(L"e\r\nf");
  ASSERT_TRUE(text.Save(out, &edit));
  EXPECT_EQ("e\r\nf", ReadBytes(dir_.Sub("out.txt")));
  list.ResetContent();
  ASSERT_TRUE(text.Save(out, &list));
  EXPECT_EQ("", ReadBytes(dir_.Sub("out.txt")));
  CString missing = Win("missing.txt");
  EXPECT_FALSE(text.Load(missing, &list));
  EXPECT_FALSE(text.GetErrorMessage().IsEmpty());
}

TEST_F(TextFileTest, InvalidControlsLeaveTheFileAlone) {
  CTextFile text;
  CString name = Win("never.txt");
  CEdit gone;
  ASSERT_TRUE(gone.Create(0, rect_, &window_, 3));
  gone.DestroyWindow();
  CListBox unmade;
  struct Row {
    const char* what;
    BOOL result;
  } rows[] = {
      {"load null edit", text.Load(name, static_cast<CEdit*>(nullptr))},
      {"save null list", text.Save(name, static_cast<CListBox*>(nullptr))},
      {"save destroyed edit", text.Save(name, &gone)},
      {"load destroyed edit", text.Load(name, &gone)},
      {"save unmade list", text.Save(name, &unmade)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_FALSE(r.result);
  }
  EXPECT_STREQ(L"Bad Window handle as parameter", text.GetErrorMessage().GetString());
  EXPECT_FALSE(Exists(dir_.Sub("never.txt")));
  EXPECT_EQ(0, dialog_.calls);
}

}  // namespace
