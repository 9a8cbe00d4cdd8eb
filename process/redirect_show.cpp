// CRedirect's display: formatted text appended to the rich-edit control,
// error phrases looked for, system error texts shown.
#include "KavroStd/process.h"

#include <algorithm>

#include "platform/sync/process_handle_internal.h"

namespace {

// "", " " and "\t" are kept but never looked for.
bool IsBlankPhrase(const CString& phrase) { return phrase.IsEmpty() || phrase == L" " || phrase == L"\t"; }

}  // namespace

void CRedirect::ShowMessage(CRichEditCtrl* output, CString text, MessageType type) {
  if (!output) return;
  const long end = output->GetTextLength();
  output->SetSel(end, end);

  PARAFORMAT paragraph{};
  paragraph.cbSize = sizeof(paragraph);
  paragraph.dwMask = PFM_ALIGNMENT | PFM_TABSTOPS;
  paragraph.wAlignment = PFA_LEFT;
  paragraph.cTabCount = 4;
  for (int i = 0; i < 4; ++i) paragraph.rgxTabs[i] = (i + 1) * 720;
  output->SetParaFormat(paragraph);

  CHARFORMATW format{};
  format.cbSize = sizeof(format);
  output->GetSelectionCharFormat(format);
  format.dwMask |= CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR | CFM_FACE;
  format.dwEffects = type == MessageBold ? CFE_BOLD : 0;
  switch (type) {
    case MessagePlain:
    case MessageBold: format.crTextColor = RGB(0, 0, 0); break;
    case MessageBlue: format.crTextColor = 0xFF0000; break;
    case MessageError: format.crTextColor = 0x0000FF; break;
    default: break;  // the colour already in effect
  }
  format.yOffset = 0;
  format.bCharSet = GB2312_CHARSET;
  format.bPitchAndFamily = 2;
  output->SetSelectionCharFormat(format);
  output->SetWordCharFormat(format);

  text.Replace(L"\n", L"\r\n");
  text.Replace(L"\r\r\n", L"\r\n");
  output->ReplaceSel(text, FALSE);
}

void CRedirect::AppendText(const wchar_t* text, BOOL checkErrors, MessageType type) {
  if (m_pEdit) ShowMessage(m_pEdit, text, type);
  if (!checkErrors) return;
  size_t longest = 0;
  for (INT_PTR i = 0; i < m_ErrorConditionAry.GetSize(); ++i) {
    const CString& phrase = m_ErrorConditionAry[i];
    if (!IsBlankPhrase(phrase)) longest = std::max(longest, static_cast<size_t>(phrase.GetLength()));
  }
  if (longest == 0) return;
  // The end of the previous read goes in front, so that a phrase the pipe
  // cut in two is found.
  std::wstring haystack = matchTail_;
  const size_t start = haystack.size();
  const size_t length = wcslen(text);
  haystack.resize(start + length);
  wchar_t* out = haystack.data() + start;
  for (size_t i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    out[i] = c < 0x80 ? (c >= L'A' && c <= L'Z' ? c + 32 : c) : kavro::platform::ToLower(c);
  }
  for (INT_PTR i = 0; i < m_ErrorConditionAry.GetSize(); ++i) {
    const CString& phrase = m_ErrorConditionAry[i];
    if (IsBlankPhrase(phrase)) continue;
    if (haystack.find(static_cast<const wchar_t*>(phrase)) != std::wstring::npos) {
      kavro::platform::KvTerminateProcessGroup(m_ProcessInformation.hProcess, 0);
      m_bStopped = true;
      break;
    }
  }
  const size_t keep = std::min(haystack.size(), longest - 1);
  matchTail_.assign(haystack, haystack.size() - keep, keep);
}

void CRedirect::ShowLastError(const wchar_t* prefix) {
  LPWSTR message = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&message), 0,
                                nullptr);
  CString text = prefix;
  text += L"\r\n";
  if (length && message) {
    text += message;
    LocalFree(message);
  } else {
    text += L"No status because FormatMessage failed.\r\n";
  }
  AppendText(text, FALSE, MessageError);
}
