// CRedirect on real child processes, shown in a rich-edit control.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "support/test_support.h"

namespace {

// Polls every 10 ms instead of 100, so the tests run quickly.
class FastRedirect : public CRedirect {
 public:
  FastRedirect(const wchar_t* line, CRichEditCtrl* out, const wchar_t* folder = nullptr)
      : CRedirect(line, out, folder) {
    SetSleepInterval(10);
  }
};

// A window whose handler stops (or cancels) the run it is given.
class StopButton : public CWnd {
 public:
  FastRedirect* run = nullptr;
  bool cancel = false;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER) {
      if (cancel) CRedirect::SetCancel(TRUE);
      else run->Stop();
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class RedirectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Create(100u, nullptr));
    ASSERT_TRUE(output.Create(ES_MULTILINE, RECT{0, 0, 400, 300}, &dialog, 1001));
  }
  std::string Text() {
    CString text;
    output.GetWindowText(text);
    return kavro::test::Utf8(text);
  }
  CDialog dialog;
  CRichEditCtrl output;
};

bool ProcessGone(int pid) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    size_t close = line.rfind(')');
    if (close != std::string::npos && line.substr(close + 2, 1) == "Z") return true;
    Sleep(10);
  }
  return false;
}

TEST_F(RedirectTest, ShowsOutputInBlackAndReturnsTrue) {
  struct Row {
    const wchar_t* line;
    std::string shown;
  } rows[] = {
      {L"sh -c \"echo one; echo two >&2; echo three\"", "one\r\ntwo\r\nthree\r\n"},
      {L"printf a\\nb", "a\r\nb"},
      {L"printf a\\r\\nb", "a\r\nb"},
      // Several reads, a "\r\n" cut between two of them.
      {L"sh -c \"printf 'x\\r'; sleep 0.2; printf '\\ny'; sleep 0.2; printf z\"", "x\r\nyz"},
      // Backspaces become blanks; the pause prompt and the rest of its read go.
      {L"printf \"a\\bb\\nPress any key to continue . . .tail\"", "a b\r\n"},
      // The prompt cut between two reads is still found; text that only
      // looks like its beginning is shown once the next read tells.
      {L"sh -c \"printf 'x\\nPress any key to con'; sleep 0.2; printf 'tinue . . .tail'\"", "x\r\n"},
      {L"sh -c \"printf 'x\\nPress any'; sleep 0.2; printf ' door'\"", "x\r\nPress any door"},
      {L"printf \"ends with Press\"", "ends with Press"},
  };
  for (const Row& row : rows) {
    output.SetWindowText(L"");
    FastRedirect run(row.line, &output);
    EXPECT_TRUE(run.Run());
    EXPECT_EQ(row.shown, Text()) << kavro::test::Utf8(CString(row.line));
  }
  for (const KvTextRun& r : output.KvGetRuns()) {
    EXPECT_EQ(0u, r.format.crTextColor);
    EXPECT_EQ(0u, r.format.dwEffects & CFE_BOLD);
    EXPECT_EQ(GB2312_CHARSET, r.format.bCharSet);
  }
}

TEST_F(RedirectTest, ShowsAllOutputOfALargeOrQuicklyEndedChild) {
  // 1.5 MiB, and a child that is gone before the first read.
  for (const wchar_t* line : {L"sh -c \"head -c 1572864 /dev/zero | tr '\\0' a\"",
                              L"sh -c \"head -c 60000 /dev/zero | tr '\\0' b\""}) {
    output.SetWindowText(L"");
    FastRedirect run(line, &output);
    EXPECT_TRUE(run.Run());
    std::string text = Text();
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(text.size() == 1572864 || text.size() == 60000) << text.size();
    EXPECT_EQ(std::string::npos, text.find_first_not_of(text[0]));
  }
}

TEST_F(RedirectTest, DecodesCharactersCutBetweenReads) {
  // "中文" in UTF-8 and in GBK, each cut inside a character.
  output.SetWindowText(L"");
  FastRedirect utf8(L"sh -c \"printf '\\344\\270'; sleep 0.2; printf '\\255\\346\\226\\207'\"", &output);
  EXPECT_TRUE(utf8.Run());
  EXPECT_EQ("中文", Text());
  kavro::test::ScopedAcp gbk(936);
  output.SetWindowText(L"");
  FastRedirect gbkRun(L"sh -c \"printf '\\326'; sleep 0.2; printf '\\320\\316\\304'\"", &output);
  EXPECT_TRUE(gbkRun.Run());
  EXPECT_EQ("中文", Text());
}

TEST_F(RedirectTest, ErrorPhraseEndsTheWholeProcessGroup) {
  struct Row {
    const wchar_t* line;
    bool control;
  } rows[] = {
      // Within one read, and cut across two reads; the grandchild goes too.
      {L"sh -c \"sleep 30 & echo $!; echo Fatal Error C1; wait\"", true},
      {L"sh -c \"sleep 30 & echo $!; printf 'Fatal Er'; sleep 0.3; echo 'ror C1'; wait\"", true},
      {L"sh -c \"sleep 30 & echo $!; echo fatal error; wait\"", false},  // no control
  };
  for (const Row& row : rows) {
    output.SetWindowText(L"");
    FastRedirect run(row.line, row.control ? &output : nullptr);
    CString phrase = L"ERROR";
    run.AddErrorCondition(phrase);
    EXPECT_EQ(L"error", phrase);
    CStringArray never;
    never.Add(L"");
    never.Add(L" ");
    never.Add(L"\t");
    run.AddErrorCondition(never);
    EXPECT_FALSE(run.Run());
    if (!row.control) continue;
    std::string text = Text();
    int grandchild = atoi(text.c_str());
    ASSERT_GT(grandchild, 0) << text;
    EXPECT_TRUE(ProcessGone(grandchild));
    EXPECT_TRUE(text.find("进程终止错误.") != std::string::npos ||
                text.find("取消.\r\n\r\n进程成功终止.") != std::string::npos)
        << text;
  }
}

TEST_F(RedirectTest, EndsWithTheChildWhateverItsOutputDoes) {
  // A child that closes its output and runs on is waited for; a grandchild
  // that keeps the pipe open does not hold the run once the child has ended.
  FastRedirect closes(L"sh -c \"echo closing; exec >&- 2>&-; sleep 0.3\"", &output);
  EXPECT_TRUE(closes.Run());
  EXPECT_EQ("closing\r\n", Text());
  output.SetWindowText(L"");
  FastRedirect outlived(L"sh -c \"sleep 30 & echo $!\"", &output);
  EXPECT_TRUE(outlived.Run());
  int grandchild = atoi(Text().c_str());
  ASSERT_GT(grandchild, 0);
  kill(grandchild, SIGKILL);
}

TEST_F(RedirectTest, BlankPhrasesNeverMatch) {
  FastRedirect run(L"echo a b\tc", &output);
  CStringArray phrases;
  phrases.Add(L"");
  phrases.Add(L" ");
  phrases.Add(L"\t");
  run.AddErrorCondition(phrases);
  EXPECT_TRUE(run.Run());
}

TEST_F(RedirectTest, StopAndCancelFromAMessageHandler) {
  for (bool cancel : {false, true}) {
    output.SetWindowText(L"");
    FastRedirect run(L"sh -c \"sleep 30 & echo $!; wait\"", &output);
    StopButton button;
    ASSERT_TRUE(button.CreateEx(0, L"BUTTON", L"Stop", 0, 0, 0, 10, 10, nullptr, nullptr));
    button.run = &run;
    button.cancel = cancel;
    button.PostMessage(WM_USER);
    EXPECT_FALSE(run.Run());
    std::string text = Text();
    EXPECT_NE(std::string::npos, text.find("\r\n取消.\r\n\r\n进程成功终止.\r\n")) << text;
    int grandchild = atoi(text.c_str());
    if (grandchild > 0) {
      EXPECT_TRUE(ProcessGone(grandchild));
    }
    auto runs = output.KvGetRuns();
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(0x0000FFu, runs.back().format.crTextColor);  // red
    CRedirect::SetCancel(FALSE);
  }
}

TEST_F(RedirectTest, ChildThatCannotStartShowsTheReasonInRed) {
  FastRedirect run(L"no_such_program_kv --x", &output);
  EXPECT_FALSE(run.Run());
  EXPECT_EQ("进程创建错误\r\nThe system cannot find the file specified.\r\n", Text());
  for (const KvTextRun& r : output.KvGetRuns()) EXPECT_EQ(0x0000FFu, r.format.crTextColor);
  // A file that is no program: Windows' text for it has an insert, which
  // FormatMessageW without arguments cannot fill, so its own words show.
  kavro::test::TempDir dir;
  kavro::test::WriteBytes(dir.Sub("notaprogram.exe"), "MZ but nothing else");
  chmod(dir.Sub("notaprogram.exe").c_str(), 0755);
  output.SetWindowText(L"");
  CString badExe = dir.Win("notaprogram.exe");
  FastRedirect notExe(badExe, &output);
  EXPECT_FALSE(notExe.Run());
  EXPECT_EQ("进程创建错误\r\nNo status because FormatMessage failed.\r\n", Text());
  FastRedirect badFolder(L"pwd", &output, L"Z:\\no\\such\\folder");
  EXPECT_FALSE(badFolder.Run());
  EXPECT_NE(std::string::npos, Text().find("进程创建错误\r\nThe directory name is invalid.\r\n"));
}

TEST_F(RedirectTest, ShowMessageFormatsRunsAndWritesRtfAndTerminalText) {
  CRedirect::ShowMessage(&output, L"plain\n", CRedirect::MessagePlain);
  CRedirect::ShowMessage(&output, L"blue\r\n", CRedirect::MessageBlue);
  CRedirect::ShowMessage(&output, L"红\n", CRedirect::MessageError);
  CRedirect::ShowMessage(&output, L"bold", CRedirect::MessageBold);
  EXPECT_EQ("plain\r\nblue\r\n红\r\nbold", Text());
  auto runs = output.KvGetRuns();
  ASSERT_EQ(4u, runs.size());
  EXPECT_EQ(0u, runs[0].format.crTextColor);
  EXPECT_EQ(0xFF0000u, runs[1].format.crTextColor);
  EXPECT_EQ(0x0000FFu, runs[2].format.crTextColor);
  EXPECT_EQ(static_cast<DWORD>(CFE_BOLD), runs[3].format.dwEffects & CFE_BOLD);
  EXPECT_EQ(PFA_LEFT, runs[3].paragraph.wAlignment);
  EXPECT_EQ(4, runs[3].paragraph.cTabCount);
  long start = -2, end = -2;
  output.GetSel(start, end);
  EXPECT_EQ(start, end);
  EXPECT_EQ(static_cast<long>(std::wstring(L"plain\rblue\r红\rbold").size()), end);  // caret at the end

  std::string rtf = kavro::platform::KvRichTextToRtf(output);
  EXPECT_EQ(0u, rtf.find("{\\rtf1"));
  EXPECT_NE(std::string::npos, rtf.find("\\red0\\green0\\blue255;"));
  EXPECT_NE(std::string::npos, rtf.find("\\fcharset134"));
  EXPECT_NE(std::string::npos, rtf.find("\\u32418?"));  // 红
  EXPECT_NE(std::string::npos, rtf.find("\\b\\i0\\ulnone bold"));
  std::string term = kavro::platform::KvRichTextToTerminal(output);
  EXPECT_NE(std::string::npos, term.find("\x1b[38;2;255;0;0m红\n"));
  EXPECT_NE(std::string::npos, term.find("\x1b[38;2;0;0;255mblue\n"));
  EXPECT_NE(std::string::npos, term.find("\x1b[1mbold"));
}

}  // namespace
