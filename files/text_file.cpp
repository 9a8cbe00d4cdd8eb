// CTextFile: whole text files read into or written from strings, string
// arrays, edit controls and list boxes, through CStdioFileEx.
#include <vector>

#include "KavroStd/files.h"
#include "platform/strings/utf16_internal.h"

namespace {

constexpr UINT kWriteFlags = CFile::modeCreate | CFile::modeWrite;                          // 0x1001
constexpr UINT kAppendFlags = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite;  // 0x3001

}  // namespace

CTextFile::CTextFile(const CString& extension, const CString& lineEnd)
    : m_strExtension(extension), m_strLineEnd(lineEnd) {}

CTextFile::CTextFile(const CTextFile& other)
    : m_strError(other.m_strError), m_strExtension(other.m_strExtension), m_strLineEnd(other.m_strLineEnd) {}

CTextFile& CTextFile::operator=(const CTextFile& other) {
  m_strError = other.m_strError;
  m_strExtension = other.m_strExtension;
  m_strLineEnd = other.m_strLineEnd;
  return *this;
}

CTextFile::~CTextFile() = default;

BOOL CTextFile::OpenFile(CFile& file, const CString& fileName, UINT flags) {
  CFileException error;
  if (file.Open(fileName, flags, &error)) return TRUE;
  wchar_t message[256] = {};
  error.GetErrorMessage(message, 256);
  m_strError = message;
  return FALSE;
}

void CTextFile::WriteLines(CStdioFileEx& file, const CStringArray& lines) {
  for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
    file.WriteString(lines[i]);
    file.WriteString(m_strLineEnd);
  }
  file.Close();
}

BOOL CTextFile::ReadTextFile(CString& fileName, CStringArray& lines) {
  ClearError();
  if (fileName.IsEmpty() && !GetFilename(FALSE, fileName)) return FALSE;
  // typeText lets a Unicode file with its mark be read as one; without it
  // such a file would come back as its raw bytes.
  CStdioFileEx file;
  if (!OpenFile(file, fileName, CFile::modeRead | CFile::typeText)) return FALSE;
  lines.RemoveAll();
  CString line;
  while (file.ReadString(line)) lines.Add(line);
  file.Close();
  return TRUE;
}

BOOL CTextFile::ReadTextFile(CString& fileName, CString& text) {
  ClearError();
  text.Empty();
  if (fileName.IsEmpty() && !GetFilename(FALSE, fileName)) return FALSE;
  CStdioFileEx file;
  if (!OpenFile(file, fileName, CFile::modeRead | CFile::typeText)) return FALSE;
  CString line;
  while (file.ReadString(line)) {
    text += line;
    text += m_strLineEnd;
  }
  file.Close();
  return TRUE;
}

BOOL CTextFile::WriteTextFile(CString& fileName, const CStringArray& lines) {
  ClearError();
  if (fileName.IsEmpty() && !GetFilename(TRUE, fileName)) return FALSE;
  CStdioFileEx file;
  if (!OpenFile(file, fileName, kWriteFlags)) return FALSE;
  WriteLines(file, lines);
  return TRUE;
}

BOOL CTextFile::WriteTextFile(CString& fileName, const CString& text) {
  ClearError();
  if (fileName.IsEmpty() && !GetFilename(TRUE, fileName)) return FALSE;
  CStdioFileEx file;
  if (!OpenFile(file, fileName, kWriteFlags)) return FALSE;
  file.WriteString(text);
  file.Close();
  return TRUE;
}

BOOL CTextFile::AppendFile(CString& fileName, const CStringArray& lines) {
  if (fileName.IsEmpty() && !GetFilename(TRUE, fileName)) return FALSE;
  CStdioFileEx file;
  if (!OpenFile(file, fileName, kAppendFlags)) return FALSE;
  file.SeekToEnd();
  WriteLines(file, lines);
  return TRUE;
}

BOOL CTextFile::AppendFile(CString& fileName, const CString& text) {
  if (fileName.IsEmpty() && !GetFilename(TRUE, fileName)) return FALSE;
  CFile file;
  if (!OpenFile(file, fileName, kAppendFlags)) return FALSE;
  file.SeekToEnd();
  // The text's own 16-bit units, as they are in memory on Windows.
  const size_t length = static_cast<size_t>(text.GetLength());
  std::vector<BYTE> units(2 * kavro::platform::KvUtf16Length(text.GetString(), length));
  kavro::platform::KvToUtf16LE(text.GetString(), length, units.data());
  if (!units.empty()) file.Write(units.data(), static_cast<UINT>(units.size()));
  file.Close();
  return TRUE;
}

BOOL CTextFile::Load(CString& fileName, CEdit* edit) {
  if (!ValidParam(edit)) return FALSE;
  CString text;
  if (!ReadTextFile(fileName, text)) return FALSE;
  edit->SetWindowText(text);
  return TRUE;
}

BOOL CTextFile::Load(CString& fileName, CListBox* list) {
  if (!ValidParam(list)) return FALSE;
  CStringArray lines;
  if (!ReadTextFile(fileName, lines)) return FALSE;
  for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
    if (!lines[i].IsEmpty())
      ::SendMessageW(list->m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i].GetString()));
  }
  return TRUE;
}

BOOL CTextFile::Save(CString& fileName, CEdit* edit) {
  if (!ValidParam(edit)) return FALSE;
  CString text;
  edit->GetWindowText(text);
  return WriteTextFile(fileName, text);
}

BOOL CTextFile::Save(CString& fileName, CListBox* list) {
  if (!ValidParam(list)) return FALSE;
  CStringArray lines;
  const int count = static_cast<int>(::SendMessageW(list->m_hWnd, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    int length = static_cast<int>(::SendMessageW(list->m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0));
    CString item;
    if (length > 0) {
      wchar_t* buffer = item.GetBufferSetLength(length);
      int copied = static_cast<int>(
          ::SendMessageW(list->m_hWnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer)));
      item.ReleaseBuffer(copied < 0 ? 0 : copied);
    }
    lines.Add(item);
  }
  return WriteTextFile(fileName, lines);
}

CString CTextFile::GetErrorMessage() { return m_strError; }

CString CTextFile::GetExtension() { return m_strExtension; }

BOOL CTextFile::GetFilename(BOOL save, CString& fileName) {
  const CString extension = GetExtension();
  CString filter;
  if (!extension.IsEmpty())
    filter = extension + L"-files (*." + extension + L")|*." + extension + L"|All Files (*.*)|*.*||";
  CFileDialog dialog(!save, extension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, nullptr);
  if (dialog.DoModal() != IDOK) return FALSE;
  fileName = dialog.GetPathName();
  return TRUE;
}

void CTextFile::ClearError() { m_strError.Empty(); }

BOOL CTextFile::ValidParam(CWnd* control) {
  ClearError();
  if (control && ::IsWindow(control->m_hWnd)) return TRUE;
  m_strError = L"Bad Window handle as parameter";
  return FALSE;
}
