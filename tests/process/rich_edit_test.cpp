// The rich-edit control's selection, format runs, paragraphs and streams.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

class RichEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Create(100u, nullptr));
    ASSERT_TRUE(edit.Create(ES_MULTILINE, RECT{0, 0, 100, 100}, &dialog, 1001));
  }
  void Insert(const wchar_t* text, COLORREF colour, bool bold = false) {
    CHARFORMATW cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR | CFM_BOLD;
    cf.crTextColor = colour;
    cf.dwEffects = bold ? CFE_BOLD : 0;
    edit.SetSelectionCharFormat(cf);
    edit.ReplaceSel(text);
  }
  std::string Text() {
    CString text;
    edit.GetWindowText(text);
    return kavro::test::Utf8(text);
  }
  CDialog dialog;
  CRichEditCtrl edit;
};

TEST_F(RichEditTest, SelectionPositionsCountABreakOnce) {
  edit.SetWindowText(L"ab\r\ncd\nef");
  EXPECT_EQ("ab\r\ncd\r\nef", Text());
  EXPECT_EQ(10, edit.GetTextLength());  // as WM_GETTEXTLENGTH counts
  struct Row {
    long start, end, wantStart, wantEnd;
  } rows[] = {
      {0, -1, 0, 8},    // all
      {3, 5, 3, 5},     // "cd"
      {5, 3, 3, 5},     // reversed
      {50, 60, 8, 8},   // beyond the end: the end
      {-1, 0, 8, 8},    // -1: no selection, caret where the selection ended
  };
  for (const Row& row : rows) {
    long s = -9, e = -9;
    edit.SetSel(row.start, row.end);
    edit.GetSel(s, e);
    EXPECT_EQ(row.wantStart, s) << row.start << "," << row.end;
    EXPECT_EQ(row.wantEnd, e) << row.start << "," << row.end;
  }
  edit.SetSel(3, 5);
  EXPECT_EQ(L"cd", edit.GetSelText());
  edit.ReplaceSel(L"X\r\nY");  // a break inside adds a paragraph
  EXPECT_EQ("ab\r\nX\r\nY\r\nef", Text());
}

TEST_F(RichEditTest, RunsKeepFormatsAndTheCaretTakesTheFormatBeforeIt) {
  Insert(L"red ", RGB(255, 0, 0));
  Insert(L"bold", 0, true);
  edit.SetSel(4, 4);  // between the runs: text typed here looks like "red "
  edit.ReplaceSel(L"more ");
  auto runs = edit.KvGetRuns();
  ASSERT_EQ(2u, runs.size());
  EXPECT_EQ(L"red more ", runs[0].text);
  EXPECT_EQ(RGB(255, 0, 0), runs[0].format.crTextColor);
  EXPECT_EQ(L"bold", runs[1].text);
  EXPECT_EQ(static_cast<DWORD>(CFE_BOLD), runs[1].format.dwEffects & CFE_BOLD);

  CHARFORMATW cf{};
  cf.cbSize = sizeof(cf);
  edit.SetSel(0, -1);  // mixed: colour and weight are not the same throughout
  DWORD mask = edit.GetSelectionCharFormat(cf);
  EXPECT_EQ(0u, mask & (CFM_COLOR | CFM_BOLD));
  EXPECT_NE(0u, mask & CFM_FACE);

  // A word format at the end of the text never recolours the word before.
  long end = edit.GetTextLength();
  edit.SetSel(end, end);
  cf.dwMask = CFM_COLOR;
  cf.dwEffects = 0;
  cf.crTextColor = RGB(0, 0, 255);
  edit.SetWordCharFormat(cf);
  edit.ReplaceSel(L"!");
  runs = edit.KvGetRuns();
  ASSERT_EQ(3u, runs.size());
  EXPECT_EQ(L"bold", runs[1].text);
  EXPECT_EQ(RGB(0, 0, 255), runs[2].format.crTextColor);
}

TEST_F(RichEditTest, StreamsTextAndRtfThroughTheCallback) {
  Insert(L"a{b}\\", RGB(0, 128, 0));
  Insert(L"\n€", 0);
  PARAFORMAT pf{};
  pf.cbSize = sizeof(pf);
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  edit.SetParaFormat(pf);  // the last paragraph only
  auto collect = [](DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) -> DWORD {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), static_cast<size_t>(size));
    *done = size;
    return 0;
  };
  std::string rtf;
  EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&rtf), 0, collect};
  const long streamed = edit.StreamOut(SF_RTF, stream);
  EXPECT_EQ(static_cast<long>(rtf.size()), streamed);
  EXPECT_EQ(0u, rtf.find("{\\rtf1"));
  EXPECT_NE(std::string::npos, rtf.find("\\red0\\green128\\blue0;"));
  EXPECT_NE(std::string::npos, rtf.find("a\\{b\\}\\\\\\f0"));
  EXPECT_NE(std::string::npos, rtf.find("\\pard\\qc"));
  EXPECT_NE(std::string::npos, rtf.find("\\u8364?"));
  std::string text;
  EDITSTREAM plain = {reinterpret_cast<DWORD_PTR>(&text), 0, collect};
  kavro::test::ScopedAcp utf8(CP_UTF8);
  edit.StreamOut(SF_TEXT, plain);
  EXPECT_EQ("a{b}\\\r\n€", text);
}

}  // namespace
