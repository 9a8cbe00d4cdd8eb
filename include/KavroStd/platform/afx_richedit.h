/// @file
/// @ingroup platform_layer
/// A rich-edit control on the window model (window.h): text with
/// character-format runs and paragraph formats, so that a host or a test can
/// read back colours and weights and write the content out as RTF or as
/// text with terminal colours.
///
///   CRichEditCtrl out;
///   out.Create(WS_CHILD | ES_MULTILINE, RECT{0, 0, 400, 300}, &dialog, 1003);
///   out.SetSel(-1, -1);                        // caret at the end
///   CHARFORMATW cf = {sizeof(cf)};
///   cf.dwMask = CFM_COLOR; cf.crTextColor = RGB(255, 0, 0);
///   out.SetSelectionCharFormat(cf);
///   out.ReplaceSel(L"failed\r\n");             // red text
///   for (const KvTextRun& run : out.KvGetRuns()) ...
///
/// As in the Windows control a paragraph ends with one '\r' in the text:
/// "\r\n", "\n" and "\r" inserted are each one paragraph break, positions
/// count it as one character, and WM_GETTEXT/GetWindowText give "\r\n" for
/// it (GetTextLength counts those two). Text typed at the caret takes the
/// caret's format (SetSelectionCharFormat on an empty selection sets it).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>
#include <vector>

#include "KavroStd/platform/afx_controls.h"

// Character format
#define CFM_BOLD 0x00000001
#define CFM_ITALIC 0x00000002
#define CFM_UNDERLINE 0x00000004
#define CFM_STRIKEOUT 0x00000008
#define CFM_PROTECTED 0x00000010
#define CFM_CHARSET 0x08000000
#define CFM_OFFSET 0x10000000
#define CFM_FACE 0x20000000
#define CFM_COLOR 0x40000000
#define CFM_SIZE 0x80000000
#define CFM_ALL 0xF800003F
#define CFE_BOLD 0x0001
#define CFE_ITALIC 0x0002
#define CFE_UNDERLINE 0x0004
#define CFE_STRIKEOUT 0x0008
#define CFE_AUTOCOLOR 0x40000000
#define SCF_DEFAULT 0x0000
#define SCF_SELECTION 0x0001
#define SCF_WORD 0x0002
#define SCF_ALL 0x0004
#define LF_FACESIZE 32
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define GB2312_CHARSET 134
#define DEFAULT_PITCH 0
#define FF_SWISS 0x20

// Paragraph format
#define PFM_STARTINDENT 0x00000001
#define PFM_RIGHTINDENT 0x00000002
#define PFM_OFFSET 0x00000004
#define PFM_ALIGNMENT 0x00000008
#define PFM_TABSTOPS 0x00000010
#define PFM_NUMBERING 0x00000020
#define PFA_LEFT 1
#define PFA_RIGHT 2
#define PFA_CENTER 3
#define MAX_TAB_STOPS 32

// Messages
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_REPLACESEL 0x00C2
#define EM_EXGETSEL (WM_USER + 52)
#define EM_EXSETSEL (WM_USER + 55)
#define EM_GETCHARFORMAT (WM_USER + 58)
#define EM_GETPARAFORMAT (WM_USER + 61)
#define EM_SETCHARFORMAT (WM_USER + 68)
#define EM_SETPARAFORMAT (WM_USER + 71)
#define EM_STREAMOUT (WM_USER + 74)
#define SF_TEXT 0x0001
#define SF_RTF 0x0002

#ifndef RGB
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#endif

struct CHARFORMATW {
  UINT cbSize;
  DWORD dwMask;
  DWORD dwEffects;
  LONG yHeight;
  LONG yOffset;
  COLORREF crTextColor;
  BYTE bCharSet;
  BYTE bPitchAndFamily;
  WCHAR szFaceName[LF_FACESIZE];
};

struct PARAFORMAT {
  UINT cbSize;
  DWORD dwMask;
  WORD wNumbering;
  WORD wEffects;
  LONG dxStartIndent;
  LONG dxRightIndent;
  LONG dxOffset;
  WORD wAlignment;
  SHORT cTabCount;
  LONG rgxTabs[MAX_TAB_STOPS];
};

struct CHARRANGE {
  LONG cpMin;
  LONG cpMax;
};

typedef DWORD (*EDITSTREAMCALLBACK)(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done);
struct EDITSTREAM {
  DWORD_PTR dwCookie;
  DWORD dwError;
  EDITSTREAMCALLBACK pfnCallback;
};

/// A stretch of text with one character format (every field valid) and the
/// format of the paragraph it lies in. Paragraph breaks are '\r'.
struct KvTextRun {
  std::wstring text;
  CHARFORMATW format;
  PARAFORMAT paragraph;
};

class KVSTD_API CRichEditCtrl : public CWnd {
 public:
  CRichEditCtrl();
  using CWnd::Create;  // the window-class form stays callable
  /// A child window of class "RichEdit20W" (WS_CHILD is added).
  virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  /// start -1: no selection (caret at the end of the current one); end -1:
  /// to the end of the text. Positions beyond the end mean the end.
  void SetSel(long start, long end);
  void GetSel(long& start, long& end) const;
  /// Replaces the selection (the caret then follows the new text).
  void ReplaceSel(LPCWSTR text, BOOL canUndo = FALSE);
  /// Characters as WM_GETTEXTLENGTH counts them (a paragraph break is two).
  long GetTextLength() const;
  CString GetSelText() const;

  BOOL SetSelectionCharFormat(CHARFORMATW& format);
  BOOL SetWordCharFormat(CHARFORMATW& format);
  BOOL SetDefaultCharFormat(CHARFORMATW& format);
  /// The format at the selection's start; dwMask tells the fields that are
  /// the same over the whole selection.
  DWORD GetSelectionCharFormat(CHARFORMATW& format) const;
  BOOL SetParaFormat(PARAFORMAT& format);
  DWORD GetParaFormat(PARAFORMAT& format) const;
  /// SF_TEXT or SF_RTF, handed to the callback in pieces.
  long StreamOut(int format, EDITSTREAM& stream);

  /// Host hook: the content as runs of one character and paragraph format.
  std::vector<KvTextRun> KvGetRuns() const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int FormatIndex(const CHARFORMATW& format);
  void Apply(CHARFORMATW& target, const CHARFORMATW& change) const;
  void Replace(const std::wstring& text);
  size_t ParagraphOf(long position) const;
  std::wstring WindowText() const;

  std::wstring text_;                 ///< paragraph breaks as '\r'
  std::vector<int> charFormat_;       ///< one per character of text_
  std::vector<CHARFORMATW> formats_;  ///< distinct formats in use
  std::vector<PARAFORMAT> paragraphs_;  ///< one per paragraph (breaks + 1)
  int caretFormat_;                   ///< format of text typed at the caret
  long selStart_, selEnd_;
};

namespace kavro::platform {
/// The content as RTF, as EM_STREAMOUT with SF_RTF gives it (ASCII text,
/// other characters as \uN escapes, a colour table and \cf/\b runs).
KVSTD_API std::string KvRichTextToRtf(const CRichEditCtrl& control);
/// The content as UTF-8 text for a terminal: each run's colour and weight as
/// ANSI escape sequences (24-bit colour; black as the terminal's default
/// colour), paragraph breaks as "\n", ending with a reset.
KVSTD_API std::string KvRichTextToTerminal(const CRichEditCtrl& control);
}  // namespace kavro::platform
