// CFileDialog through a replaceable handler that stands for the user.
#include "KavroStd/platform/afx_filedialog.h"

#include <atomic>
#include <cstring>

#include "platform/core/handler_slot.h"

namespace {

using DialogSlot = kavro::platform::detail::HandlerSlot<KvFileDialogHandler>;

thread_local DWORD tlsDialogError = 0;

// Where the name starts (after the last separator) and the index of the
// last dot in it (-1 when it has none).
void SplitName(const CString& path, int& name, int& dot) {
  name = 0;
  for (int i = path.GetLength() - 1; i >= 0; --i) {
    if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':') {
      name = i + 1;
      break;
    }
  }
  dot = -1;
  for (int i = path.GetLength() - 1; i >= name; --i) {
    if (path[i] == L'.') {
      dot = i;
      break;
    }
  }
}

// Offset of the extension as OPENFILENAME gives it: after the dot, or the
// end of the path when there is none.
WORD ExtensionOffset(const CString& path, int dot) {
  return static_cast<WORD>(dot < 0 ? path.GetLength() : dot + 1);
}

void CopyInto(std::vector<wchar_t>& buffer, const CString& text) {
  buffer.assign(static_cast<size_t>(text.GetLength()) + 1, L'\0');
  wmemcpy(buffer.data(), text.GetString(), static_cast<size_t>(text.GetLength()));
}

}  // namespace

extern "C" KvFileDialogHandler KvSetFileDialogHandler(KvFileDialogHandler handler, void* context) {
  return DialogSlot::Instance().Set(handler, context);
}

extern "C" DWORD CommDlgExtendedError(void) { return tlsDialogError; }

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExt, LPCWSTR fileName, DWORD flags,
                         LPCWSTR filter, CWnd* parentWnd, DWORD, BOOL)
    : m_bOpenFileDialog(openFileDialog),
      m_strFilter(filter ? filter : L""),
      m_strDefExt(defaultExt ? defaultExt : L""),
      m_strInitialName(fileName ? fileName : L"") {
  m_pParentWnd = parentWnd;
  memset(&m_ofn, 0, sizeof(m_ofn));
  m_ofn.lStructSize = sizeof(m_ofn);
  m_ofn.hwndOwner = parentWnd ? parentWnd->GetSafeHwnd() : nullptr;
  m_ofn.Flags = flags | OFN_EXPLORER;
  m_ofn.nFilterIndex = 1;
  // MFC's "|" separators become zeros; the list ends with two.
  if (!m_strFilter.IsEmpty()) {
    CopyInto(m_filter, m_strFilter);
    for (wchar_t& c : m_filter)
      if (c == L'|') c = L'\0';
    m_filter.push_back(L'\0');
  }
  CopyInto(m_file, m_strInitialName);
  if (m_file.size() < MAX_PATH) m_file.resize(MAX_PATH, L'\0');
  m_fileTitle.assign(MAX_PATH, L'\0');
  PointAtOwnBuffers();
  int name, dot;
  SplitName(m_strInitialName, name, dot);
  m_ofn.nFileOffset = static_cast<WORD>(name);
  m_ofn.nFileExtension = ExtensionOffset(m_strInitialName, dot);
}

void CFileDialog::PointAtOwnBuffers() {
  m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
  m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
  m_ofn.lpstrFile = m_file.data();
  m_ofn.nMaxFile = static_cast<DWORD>(m_file.size());
  m_ofn.lpstrFileTitle = m_fileTitle.data();
  m_ofn.nMaxFileTitle = static_cast<DWORD>(m_fileTitle.size());
}

INT_PTR CFileDialog::DoModal() {
  tlsDialogError = 0;
  void* context = nullptr;
  KvFileDialogHandler handler = DialogSlot::Instance().Get(&context);
  if (!handler) return IDCANCEL;
  const bool ownFile = m_ofn.lpstrFile == m_file.data();
  CString initial = m_ofn.lpstrFile ? CString(m_ofn.lpstrFile) : CString();
  const KvFileDialogRequest request{m_bOpenFileDialog,
                                    m_ofn.lpstrDefExt ? m_ofn.lpstrDefExt : L"",
                                    initial.GetString(),
                                    m_ofn.Flags & ~static_cast<DWORD>(OFN_EXPLORER),
                                    m_strFilter.GetString(),
                                    m_ofn.hwndOwner,
                                    &m_ofn};
  CString path;
  if (!handler(&request, &path, context) || path.IsEmpty()) return IDCANCEL;
  int name, dot;
  SplitName(path, name, dot);
  // A name typed without an extension gets the default one.
  if (dot < 0 && name < path.GetLength() && m_ofn.lpstrDefExt && *m_ofn.lpstrDefExt) {
    path += L".";
    path += m_ofn.lpstrDefExt;
    SplitName(path, name, dot);
  }
  const size_t needed = static_cast<size_t>(path.GetLength()) + 1;
  if (ownFile) {
    if (m_file.size() < needed) m_file.resize(needed);
    PointAtOwnBuffers();
  } else if (!m_ofn.lpstrFile || m_ofn.nMaxFile < needed) {
    tlsDialogError = FNERR_BUFFERTOOSMALL;
    return IDCANCEL;
  }
  wmemcpy(m_ofn.lpstrFile, path.GetString(), needed);
  CString title = path.Mid(name);
  if (m_ofn.lpstrFileTitle == m_fileTitle.data() && m_fileTitle.size() < static_cast<size_t>(title.GetLength()) + 1) {
    m_fileTitle.resize(static_cast<size_t>(title.GetLength()) + 1);
    m_ofn.lpstrFileTitle = m_fileTitle.data();
    m_ofn.nMaxFileTitle = static_cast<DWORD>(m_fileTitle.size());
  }
  if (m_ofn.lpstrFileTitle && m_ofn.nMaxFileTitle > static_cast<DWORD>(title.GetLength()))
    wmemcpy(m_ofn.lpstrFileTitle, title.GetString(), static_cast<size_t>(title.GetLength()) + 1);
  m_ofn.nFileOffset = static_cast<WORD>(name);
  m_ofn.nFileExtension = ExtensionOffset(path, dot);
  return IDOK;
}

CString CFileDialog::GetPathName() const { return m_ofn.lpstrFile ? CString(m_ofn.lpstrFile) : CString(); }

CString CFileDialog::GetFileName() const {
  CString path = GetPathName();
  int name, dot;
  SplitName(path, name, dot);
  return path.Mid(name);
}

CString CFileDialog::GetFileExt() const {
  CString path = GetPathName();
  int name, dot;
  SplitName(path, name, dot);
  return dot < 0 ? CString() : path.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  CString path = GetPathName();
  int name, dot;
  SplitName(path, name, dot);
  return dot < 0 ? path.Mid(name) : path.Mid(name, dot - name);
}
