// CEdit and CListBox over the window model: the edit control keeps its text
// in the window, the list box its items in the CListBox, reached through the
// LB_ messages.
#include "KavroStd/platform/afx_controls.h"

#include <algorithm>
#include <cwchar>

CEdit::CEdit() = default;

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"EDIT", L"", style, rect, parent, id);
}

CListBox::CListBox() : selected_(LB_ERR) {}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"LISTBOX", L"", style, rect, parent, id);
}

int CListBox::AddString(LPCWSTR text) {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CListBox::InsertString(int index, LPCWSTR text) {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text)));
}

int CListBox::DeleteString(UINT index) {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_DELETESTRING, index, 0));
}

void CListBox::ResetContent() { ::SendMessageW(m_hWnd, LB_RESETCONTENT, 0, 0); }

int CListBox::GetCount() const { return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0)); }

int CListBox::GetText(int index, LPWSTR buffer) const {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(buffer)));
}

void CListBox::GetText(int index, CString& text) const {
  int length = GetTextLen(index);
  if (length < 0) {
    text.Empty();
    return;
  }
  wchar_t* buffer = text.GetBufferSetLength(length);
  int copied = GetText(index, buffer);
  text.ReleaseBuffer(copied < 0 ? 0 : copied);
}

int CListBox::GetTextLen(int index) const {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
}

int CListBox::GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCURSEL, 0, 0)); }

int CListBox::SetCurSel(int select) {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(select), 0));
}

LRESULT CListBox::Insert(int index, LPCWSTR text) {
  if (!text) return LB_ERR;
  const int count = static_cast<int>(items_.size());
  if (index < -1 || index > count) return LB_ERR;
  size_t at = index == -1 ? items_.size() : static_cast<size_t>(index);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), text);
  if (selected_ != LB_ERR && static_cast<size_t>(selected_) >= at) ++selected_;
  return static_cast<LRESULT>(at);
}

LRESULT CListBox::Delete(WPARAM index) {
  if (index >= items_.size()) return LB_ERR;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  if (selected_ != LB_ERR) {
    if (static_cast<WPARAM>(selected_) == index) {
      selected_ = LB_ERR;
    } else if (static_cast<WPARAM>(selected_) > index) {
      --selected_;
    }
  }
  return static_cast<LRESULT>(items_.size());
}

LRESULT CListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // An index travels in WPARAM; -1 arrives as all ones.
  const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  switch (message) {
    case LB_ADDSTRING: {
      LPCWSTR text = reinterpret_cast<LPCWSTR>(lParam);
      if (!text) return LB_ERR;
      if (!(GetStyle() & LBS_SORT)) return Insert(-1, text);
      // Sorted without regard to case, a new item after its equals.
      const size_t length = wcslen(text);
      auto at = std::partition_point(items_.begin(), items_.end(), [&](const std::wstring& item) {
        return kavro::platform::CompareNoCase(item.data(), item.size(), text, length) <= 0;
      });
      return Insert(static_cast<int>(at - items_.begin()), text);
    }
    case LB_INSERTSTRING:
      return Insert(index, reinterpret_cast<LPCWSTR>(lParam));
    case LB_DELETESTRING:
      return Delete(wParam);
    case LB_RESETCONTENT:
      items_.clear();
      selected_ = LB_ERR;
      return 0;
    case LB_GETCOUNT:
      return static_cast<LRESULT>(items_.size());
    case LB_GETTEXTLEN:
      return wParam < items_.size() ? static_cast<LRESULT>(items_[wParam].size()) : LB_ERR;
    case LB_GETTEXT: {
      LPWSTR buffer = reinterpret_cast<LPWSTR>(lParam);
      if (wParam >= items_.size() || !buffer) return LB_ERR;
      const std::wstring& item = items_[wParam];
      wmemcpy(buffer, item.data(), item.size());
      buffer[item.size()] = L'\0';
      return static_cast<LRESULT>(item.size());
    }
    case LB_GETCURSEL:
      return selected_;
    case LB_SETCURSEL:
      if (index == -1) {
        selected_ = LB_ERR;
        return LB_ERR;
      }
      if (wParam >= items_.size()) return LB_ERR;
      selected_ = index;
      return selected_;
    default:
      return CWnd::WindowProc(message, wParam, lParam);
  }
}
