/// @file
/// @ingroup platform_layer
/// Edit and list-box controls on the window model (window.h).
///
///   CListBox list;
///   list.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 200}, &dialog, 1002);
///   list.AddString(L"first");                    // index 0
///   ::SendMessageW(list, LB_GETCOUNT, 0, 0);     // 1
///   CString text;
///   list.GetText(0, text);                       // "first"
///
/// A CEdit is a window of class "EDIT" whose content is its window text
/// (SetWindowText/GetWindowText). A CListBox is a window of class "LISTBOX"
/// whose items live in the CListBox: the LB_ messages below reach them
/// through SendMessageW or the MFC members, which send the same messages.
/// With LBS_SORT, LB_ADDSTRING inserts in order without regard to case
/// (after equal items); otherwise it appends. Indexes count from 0; a bad
/// index gives LB_ERR. Deleting items keeps the selection on its item (or
/// clears it when that item goes). Meant for the thread that made the
/// window.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>
#include <vector>

#include "KavroStd/platform/window.h"

// List-box messages and results
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETCURSEL 0x0186
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)

// List-box styles
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_NOINTEGRALHEIGHT 0x0100L
#define LBS_STANDARD (LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)

// Edit styles
#define ES_LEFT 0x0000L
#define ES_MULTILINE 0x0004L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L

/// An edit control: its text is the window text.
class KVSTD_API CEdit : public CWnd {
 public:
  CEdit();
  using CWnd::Create;  // the window-class form stays callable
  /// A child window of class "EDIT" (WS_CHILD is added); FALSE when the
  /// window could not be made (bad parent).
  virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
};

/// A list box: an ordered list of strings with at most one selected.
class KVSTD_API CListBox : public CWnd {
 public:
  CListBox();
  using CWnd::Create;  // the window-class form stays callable
  /// A child window of class "LISTBOX" (WS_CHILD is added).
  virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  /// The index of the new item (LB_ERR for a null text).
  int AddString(LPCWSTR text);
  /// Inserts before index (-1: at the end); the item's index, or LB_ERR.
  int InsertString(int index, LPCWSTR text);
  /// The number of items left, or LB_ERR for a bad index.
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const;
  /// Copies the item and a zero into buffer (which must hold GetTextLen + 1
  /// units); its length, or LB_ERR.
  int GetText(int index, LPWSTR buffer) const;
  /// The item, or empty for a bad index.
  void GetText(int index, CString& text) const;
  int GetTextLen(int index) const;
  /// The selected index, or LB_ERR when none is selected.
  int GetCurSel() const;
  /// Selects index (-1 clears, and returns LB_ERR as on Windows); LB_ERR for
  /// a bad index.
  int SetCurSel(int select);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT Insert(int index, LPCWSTR text);
  LRESULT Delete(WPARAM index);

  std::vector<std::wstring> items_;
  int selected_;
};
