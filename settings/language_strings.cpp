// The localisation object's texts: strings by key and a dialog's title and
// control texts.
#include "KavroStd/settings.h"
#include "settings/language_internal.h"

using kavro::settings::ReadLanguageText;

namespace {
const wchar_t kStringSection[] = L"String";
}  // namespace

BOOL CLanguage::LoadStringW(CString key, CString& text) {
  CString value;
  ReadLanguageText(GetCurLanguagePath(), kStringSection, key, text, value);
  value.Replace(L"\\n", L"\n");
  text = value;
  return TRUE;
}

CString CLanguage::LoadStringW(CString key) {
  CString text(L"Not found");
  LoadStringW(key, text);
  return text;
}

void CLanguage::SetDialogStrings(CDialog* dialog, UINT id) {
  if (!dialog || !::IsWindow(dialog->GetSafeHwnd())) return;
  const CString file = GetCurLanguagePath();
  CString key, text;
  key.Format(L"IDD%d_Title", static_cast<int>(id));
  if (ReadLanguageText(file, kStringSection, key, L"", text) != 0) dialog->SetWindowText(text);
  for (HWND child = ::GetWindow(dialog->GetSafeHwnd(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    key.Format(L"IDD%d_%d", static_cast<int>(id), ::GetDlgCtrlID(child));
    if (ReadLanguageText(file, kStringSection, key, L"", text) != 0) ::SetWindowTextW(child, text);
  }
}
