// The user's choice of buttons in a toolbar set: the selection string and
// the arrays indexed by lock number.
//
// Buttons are numbered from 1 over the whole set, toolbar by toolbar. Both
// directions of the selection string walk the set and the string once.
#include <algorithm>
#include <cwchar>
#include <vector>

#include "KavroStd/toolbar.h"

namespace {

// Appends prefix, the decimal value and "_"; digits are zero-padded to at
// least minDigits ("%.3d" for button numbers, "%d" for toolbar indexes).
void AppendToken(CString& out, const wchar_t* prefix, size_t value, int minDigits) {
  wchar_t digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n < minDigits) digits[n++] = L'0';
  wchar_t token[32];
  int length = 0;
  while (*prefix) token[length++] = *prefix++;
  while (n > 0) token[length++] = digits[--n];
  token[length++] = L'_';
  out.Append(token, length);
}

int Digits(size_t value) {
  int n = 1;
  while (value >= 10) {
    value /= 10;
    ++n;
  }
  return n;
}

}  // namespace

CString CJToolBarParam::GetSelCString(int firstOnly) const {
  CString selection;
  if (v_.empty()) return selection;
  const size_t described = firstOnly ? 1 : v_.size();
  // One allocation of the longest string possible: every toolbar open and
  // grouped, every button selected with the widest number.
  size_t buttons = 0;
  for (size_t i = 0; i < described; ++i) buttons += static_cast<size_t>(v_[i].GetSize());
  const size_t widest = static_cast<size_t>(std::max(3, Digits(buttons))) + 1;
  selection.Preallocate(static_cast<int>(described * 2 * (3 + Digits(described)) + buttons * widest));
  size_t number = 0;  // running number of the last button passed
  for (size_t i = 0; i < described; ++i) {
    const JButtonArray& bar = v_[i];
    if (bar.m_bOpen) AppendToken(selection, L"Op", i, 1);
    for (const CJButtonParam& button : bar) {
      if (!button.m_bSelected) {
        AppendToken(selection, L"Gp", i, 1);
        break;
      }
    }
    for (const CJButtonParam& button : bar) {
      ++number;
      if (button.m_bSelected) AppendToken(selection, L"", number, 3);
    }
  }
  return selection;
}

void CJToolBarParam::SetSelByCString(CString selection) {
  size_t total = 0;
  for (const JButtonArray& bar : v_) total += static_cast<size_t>(bar.GetSize());
  // chosen[n]: button n is named; numbers beyond the set cannot match.
  std::vector<char> chosen(total + 1, 0);

  // Parts lie between "_" separators. Each number is read with _wtoi where
  // it stands: the "_" or the terminator after the part stops it as the end
  // of a separate part would.
  const wchar_t* s = selection.GetString();
  const wchar_t* const end = s + selection.GetLength();
  for (const wchar_t* part = s; part <= end;) {
    const wchar_t* stop = static_cast<const wchar_t*>(wmemchr(part, L'_', static_cast<size_t>(end - part)));
    if (!stop) stop = end;
    if (stop - part >= 2) {
      if (part[0] == L'O' && part[1] == L'p') {
        const int n = _wtoi(part + 2);
        if (n >= 0 && static_cast<size_t>(n) < v_.size()) v_[static_cast<size_t>(n)].m_bOpen = 1;
      } else if (!(part[0] == L'G' && part[1] == L'p')) {
        const int n = _wtoi(part);
        if (n >= 0 && static_cast<size_t>(n) <= total) chosen[static_cast<size_t>(n)] = 1;
      }
    }
    part = stop + 1;
  }

  size_t number = 0;
  for (JButtonArray& bar : v_)
    for (CJButtonParam& button : bar) button.m_bSelected = chosen[++number] ? 1 : 0;
}

void CJToolBarParam::SetSelByCString(int lock) {
  for (JButtonArray& bar : v_)
    for (CJButtonParam& button : bar)
      if (button.m_nLock == lock) button.m_bSelected = 1;
}

CJButtonParam CJToolBarParam::GetButtonByLock(int lock) const {
  for (const JButtonArray& bar : v_)
    for (const CJButtonParam& button : bar)
      if (button.m_nLock == lock) return button;
  return CJButtonParam();
}

void CJToolBarParam::GetLockBOOL(CArray<int, int>& flags) const {
  flags.RemoveAll();
  for (const JButtonArray& bar : v_) {
    for (const CJButtonParam& button : bar) {
      if (button.m_nLock < 0) continue;
      // SetAtGrow fills the indexes in between with zeros.
      flags.SetAtGrow(button.m_nLock, button.m_bSelected);
    }
  }
}

void CJToolBarParam::SetLockBOOL(CArray<int, int>& flags) {
  const INT_PTR size = flags.GetSize();
  for (JButtonArray& bar : v_)
    for (CJButtonParam& button : bar)
      if (button.m_nLock >= 0 && button.m_nLock < size) button.m_bSelected = flags[button.m_nLock];
}
