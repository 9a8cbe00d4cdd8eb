// CRedirect's display: formatted text appended to the rich-edit control,
// error phrases looked for, system error texts shown.
#include "KavroStd/process.h"

#include <algorithm>

#include "platform/sync/process_handle_internal.h"

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
  // The end of the previous read goes in front, so that a phrase the pipe
  // cut in two is found.
  CString lower = text;
  lower.MakeLower();
  std::wstring haystack = matchTail_ + static_cast<const wchar_t*>(lower);
  size_t longest = 0;
  for (INT_PTR i = 0; i < m_ErrorConditionAry.GetSize(); ++i) {
    const CString& phrase = m_ErrorConditionAry[i];
    longest = std::max(longest, static_cast<size_t>(phrase.GetLength()));
  }
  for (INT_PTR i = 0; i < m_ErrorConditionAry.GetSize(); ++i) {
    const CString& phrase = m_ErrorConditionAry[i];
    if (phrase.IsEmpty() || phrase == L" " || phrase == L"\t") continue;
    if (haystack.find(static_cast<const wchar_t*>(phrase)) != std::wstring::npos) {
      kavro::platform::KvTerminateProcessGroup(m_ProcessInformation.hProcess, 0);
      m_bStopped = true;
      break;
    }
  }
  matchTail_ = longest > 1 && haystack.size() > longest - 1 ? haystack.substr(haystack.size() - (longest - 1))
                                                            : (longest > 1 ? haystack : std::wstring());
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
