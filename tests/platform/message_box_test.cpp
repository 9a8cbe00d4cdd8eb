// Message boxes: the replaceable handler and the standard-error default.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

// Captures what is written to file descriptor 2 while it lives.
class StderrCapture {
 public:
  explicit StderrCapture(const std::string& path) : path_(path) {
    std::fflush(stderr);
    saved_ = dup(2);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
  }
  ~StderrCapture() { Restore(); }
  std::string Take() {
    Restore();
    return kavro::test::ReadBytes(path_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }
  std::string path_;
  int saved_ = -1;
};

struct Seen {
  int calls = 0;
  std::wstring text, caption;
  UINT type = 0;
  int answer = IDYES;
};

int Record(LPCWSTR text, LPCWSTR caption, UINT type, void* context) {
  Seen* seen = static_cast<Seen*>(context);
  ++seen->calls;
  seen->text = text;
  seen->caption = caption;
  seen->type = type;
  return seen->answer;
}

// Makes sure no handler is left behind by a test.
class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = KvGetMessageBoxHandler(&previousContext_);
    KvSetMessageBoxHandler(nullptr, nullptr);
  }
  void TearDown() override { KvSetMessageBoxHandler(previous_, previousContext_); }
  KvMessageBoxHandler previous_ = nullptr;
  void* previousContext_ = nullptr;
  kavro::test::TempDir dir_;
};

TEST_F(MessageBoxTest, WithoutAHandlerTheSafeAnswerComes) {
  struct Row {
    const char* what;
    UINT type;
    int answer;
  } rows[] = {
      {"ok", MB_OK | MB_ICONINFORMATION, IDOK},
      {"ok cancel", MB_OKCANCEL, IDCANCEL},
      {"yes no cancel", MB_YESNOCANCEL | MB_ICONQUESTION, IDCANCEL},
      {"yes no", MB_YESNO | MB_ICONWARNING, IDNO},
      {"yes no, yes the default", MB_YESNO | MB_DEFBUTTON1, IDNO},
      {"retry cancel", MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL},
      {"cancel try continue", MB_CANCELTRYCONTINUE, IDCANCEL},
      {"abort retry ignore", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDABORT},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    StderrCapture capture(dir_.Sub("stderr"));
    EXPECT_EQ(MessageBoxW(nullptr, L"Question?", L"Caption", row.type), row.answer);
    EXPECT_EQ(capture.Take(), "Caption: Question?\n");
  }
}

TEST_F(MessageBoxTest, StandardErrorGetsOneUtf8Line) {
  StderrCapture capture(dir_.Sub("stderr"));
  EXPECT_EQ(MessageBoxW(nullptr, L"Größe:\r\nzu groß ✓\n\tEnde", nullptr, MB_OK), IDOK);
  EXPECT_EQ(capture.Take(), "Error: Größe: zu groß ✓  Ende\n");
}

TEST_F(MessageBoxTest, TheHandlerAnswersAndSeesEverything) {
  Seen seen;
  EXPECT_EQ(KvSetMessageBoxHandler(Record, &seen), nullptr);
  void* context = nullptr;
  EXPECT_EQ(KvGetMessageBoxHandler(&context), &Record);
  EXPECT_EQ(context, &seen);

  StderrCapture capture(dir_.Sub("stderr"));
  EXPECT_EQ(MessageBoxW(nullptr, L"Overwrite?", L"Save", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(seen.text, L"Overwrite?");
  EXPECT_EQ(seen.caption, L"Save");
  EXPECT_EQ(seen.type, MB_YESNO | MB_ICONQUESTION);

  seen.answer = IDRETRY;
  EXPECT_EQ(AfxMessageBox(L"Disk full", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(seen.caption, L"kavro_platform_tests") << "the application's name";
  EXPECT_EQ(seen.type, MB_RETRYCANCEL);
  EXPECT_EQ(AfxMessageBox(nullptr), IDRETRY);
  EXPECT_EQ(seen.text, L"");
  EXPECT_EQ(seen.type, MB_OK);
  EXPECT_EQ(seen.calls, 3);
  EXPECT_EQ(capture.Take(), "") << "a handler replaces the standard-error output";

  EXPECT_EQ(KvSetMessageBoxHandler(nullptr, nullptr), &Record);
}

TEST_F(MessageBoxTest, UnknownButtonSetsFailWithoutAsking) {
  Seen seen;
  KvSetMessageBoxHandler(Record, &seen);
  for (UINT type : {7u, 8u, 15u}) {
    SCOPED_TRACE(type);
    SetLastError(0);
    EXPECT_EQ(MessageBoxW(nullptr, L"x", L"y", type), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
  }
  EXPECT_EQ(seen.calls, 0);
}

}  // namespace
