// The file dialog through its handler: what the handler is shown, what
// comes back from OK and Cancel, and the path parts.
#include <gtest/gtest.h>

#include <string>

#include "KavroStd/platform/windows.h"

namespace {

struct Seen {
  BOOL open = -1;
  std::wstring defaultExt, fileName, filter;
  DWORD flags = 0;
  HWND owner = reinterpret_cast<HWND>(1);
  std::wstring zeroFilter;  // m_ofn.lpstrFilter with its zeros as '|'
  const wchar_t* answer = nullptr;
};

BOOL Record(const KvFileDialogRequest* request, CString* path, void* context) {
  Seen* seen = static_cast<Seen*>(context);
  seen->open = request->openFileDialog;
  seen->defaultExt = request->defaultExt;
  seen->fileName = request->fileName;
  seen->filter = request->filter;
  seen->flags = request->flags;
  seen->owner = request->owner;
  seen->zeroFilter.clear();
  if (const wchar_t* f = request->ofn->lpstrFilter) {
    while (*f) {
      size_t n = wcslen(f);
      seen->zeroFilter.append(f, n).push_back(L'|');
      f += n + 1;
    }
  }
  if (!seen->answer) return FALSE;
  *path = seen->answer;
  return TRUE;
}

class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override { previous_ = KvSetFileDialogHandler(Record, &seen_); }
  void TearDown() override { KvSetFileDialogHandler(previous_, nullptr); }
  Seen seen_;
  KvFileDialogHandler previous_ = nullptr;
};

TEST_F(FileDialogTest, HandlerSeesTheSettingsAndChoosesThePath) {
  CDialog owner;
  ASSERT_TRUE(owner.Create(7u));
  seen_.answer = L"Z:\\tmp\\dir.x\\report.final.txt";
  CFileDialog dialog(FALSE, L"txt", L"start.txt", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     L"txt-files (*.txt)|*.txt|All Files (*.*)|*.*||", &owner);
  EXPECT_STREQ(L"start.txt", dialog.GetPathName().GetString());
  ASSERT_EQ(IDOK, dialog.DoModal());
  EXPECT_FALSE(seen_.open);
  EXPECT_EQ(L"txt", seen_.defaultExt);
  EXPECT_EQ(L"start.txt", seen_.fileName);
  EXPECT_EQ(L"txt-files (*.txt)|*.txt|All Files (*.*)|*.*||", seen_.filter);
  EXPECT_EQ(L"txt-files (*.txt)|*.txt|All Files (*.*)|*.*|", seen_.zeroFilter);
  EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), seen_.flags);
  EXPECT_EQ(owner.m_hWnd, seen_.owner);
  EXPECT_TRUE(dialog.m_ofn.Flags & OFN_OVERWRITEPROMPT);

  EXPECT_STREQ(L"Z:\\tmp\\dir.x\\report.final.txt", dialog.GetPathName().GetString());
  EXPECT_STREQ(L"report.final.txt", dialog.GetFileName().GetString());
  EXPECT_STREQ(L"txt", dialog.GetFileExt().GetString());
  EXPECT_STREQ(L"report.final", dialog.GetFileTitle().GetString());
  EXPECT_EQ(13, dialog.m_ofn.nFileOffset);
  EXPECT_EQ(26, dialog.m_ofn.nFileExtension);
  EXPECT_STREQ(L"report.final.txt", dialog.m_ofn.lpstrFileTitle);
}

TEST_F(FileDialogTest, CancelAndNoHandlerGiveIdCancel) {
  CFileDialog open(TRUE);
  EXPECT_EQ(IDCANCEL, open.DoModal());
  EXPECT_TRUE(seen_.open);
  EXPECT_EQ(L"", seen_.filter);
  EXPECT_EQ(nullptr, seen_.owner);
  EXPECT_TRUE(open.GetPathName().IsEmpty());

  KvSetFileDialogHandler(nullptr, nullptr);
  seen_.open = -1;
  seen_.answer = L"Z:\\x.txt";
  CFileDialog save(FALSE);
  EXPECT_EQ(IDCANCEL, save.DoModal());
  EXPECT_EQ(-1, seen_.open);  // nobody was asked
}

TEST_F(FileDialogTest, DefaultExtensionAndBufferRules) {
  struct Row {
    const wchar_t* defaultExt;
    const wchar_t* answer;
    const wchar_t* path;
    const wchar_t* ext;
  } rows[] = {
      {L"txt", L"Z:\\a\\notes", L"Z:\\a\\notes.txt", L"txt"},
      {L"txt", L"Z:\\a\\notes.csv", L"Z:\\a\\notes.csv", L"csv"},
      {L"txt", L"Z:\\a.b\\notes.", L"Z:\\a.b\\notes.", L""},
      {nullptr, L"Z:\\a.b\\notes", L"Z:\\a.b\\notes", L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.answer);
    seen_.answer = r.answer;
    CFileDialog dialog(TRUE, r.defaultExt);
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_STREQ(r.path, dialog.GetPathName().GetString());
    EXPECT_STREQ(r.ext, dialog.GetFileExt().GetString());
  }

  // A long path grows the dialog's own buffer...
  std::wstring longPath = L"Z:\\" + std::wstring(600, L'd') + L"\\f.txt";
  seen_.answer = longPath.c_str();
  CFileDialog own(TRUE);
  ASSERT_EQ(IDOK, own.DoModal());
  EXPECT_EQ(longPath, std::wstring(own.GetPathName().GetString()));
  // ...but does not overrun a caller's.
  wchar_t small[8] = L"keep";
  CFileDialog theirs(TRUE);
  theirs.m_ofn.lpstrFile = small;
  theirs.m_ofn.nMaxFile = 8;
  EXPECT_EQ(IDCANCEL, theirs.DoModal());
  EXPECT_EQ(static_cast<DWORD>(FNERR_BUFFERTOOSMALL), CommDlgExtendedError());
  EXPECT_STREQ(L"keep", small);
}

}  // namespace
