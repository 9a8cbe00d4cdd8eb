/// @file
/// @ingroup platform_layer
/// CFileDialog: the open/save file dialog. There is no screen: DoModal hands
/// the dialog's settings to the handler a host or a test installs, which
/// stands for the user and either chooses a path or cancels.
///
///   BOOL Choose(const KvFileDialogRequest* request, CString* path, void* context) {
///     *path = L"Z:\\tmp\\out.txt";   // the user's choice
///     return TRUE;                   // FALSE: cancelled
///   }
///   KvSetFileDialogHandler(Choose, nullptr);
///   CFileDialog dialog(FALSE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
///                      L"txt-files (*.txt)|*.txt|All Files (*.*)|*.*||");
///   if (dialog.DoModal() == IDOK) path = dialog.GetPathName();
///
/// With no handler installed every dialog is cancelled. The filter is given
/// in MFC's form ("name|pattern|...|", a final "||" ending it) and kept in
/// m_ofn.lpstrFilter in Windows' form (each "|" a zero, two zeros at the
/// end). As the Windows dialog does, a chosen name without an extension gets
/// the default extension. A chosen path that does not fit m_ofn.lpstrFile
/// (a caller's own buffer of nMaxFile units) cancels the dialog with
/// CommDlgExtendedError() = FNERR_BUFFERTOOSMALL; the dialog's own buffer
/// grows to fit any path. Meant for the host's main thread.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <vector>

#include "KavroStd/platform/msgbox.h"
#include "KavroStd/platform/window.h"

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_ENABLESIZING 0x00800000

#define FNERR_BUFFERTOOSMALL 0x3003

typedef UINT_PTR (*LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
typedef OPENFILENAMEW* LPOPENFILENAMEW;

/// What the handler is shown: the dialog's settings as the caller gave them.
struct KvFileDialogRequest {
  BOOL openFileDialog;  ///< TRUE: open, FALSE: save as
  LPCWSTR defaultExt;   ///< without the dot; empty when none
  LPCWSTR fileName;     ///< the initial file name; empty when none
  DWORD flags;          ///< m_ofn.Flags
  LPCWSTR filter;       ///< MFC's "|" form as given; empty when none
  HWND owner;           ///< null when the dialog has no parent
  const OPENFILENAMEW* ofn;
};

/// Fills *path with the chosen full path and returns TRUE, or returns FALSE
/// for Cancel.
typedef BOOL (*KvFileDialogHandler)(const KvFileDialogRequest* request, CString* path, void* context);

/// Installs the handler (null: every dialog is cancelled) with the context it
/// is given; returns the previous handler. Applies to every thread.
KVSTD_C_API KvFileDialogHandler KvSetFileDialogHandler(KvFileDialogHandler handler, void* context);
/// 0, or FNERR_BUFFERTOOSMALL after a dialog whose path did not fit.
KVSTD_C_API DWORD CommDlgExtendedError(void);

class KVSTD_API CFileDialog : public CDialog {
 public:
  explicit CFileDialog(BOOL openFileDialog, LPCWSTR defaultExt = nullptr, LPCWSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr,
                       CWnd* parentWnd = nullptr, DWORD size = 0, BOOL vistaStyle = TRUE);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  /// IDOK when a path was chosen, IDCANCEL otherwise.
  virtual INT_PTR DoModal();
  /// The chosen full path; GetFileName its name with extension, GetFileExt
  /// the extension without the dot, GetFileTitle the name without it. Before
  /// DoModal (or after Cancel) they describe the initial file name.
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;

  OPENFILENAMEW m_ofn;
  BOOL m_bOpenFileDialog;

 private:
  void PointAtOwnBuffers();

  CString m_strFilter;           ///< the caller's "|" form
  std::vector<wchar_t> m_filter;  ///< Windows' zero-separated form
  CString m_strDefExt;
  CString m_strInitialName;
  std::vector<wchar_t> m_file;
  std::vector<wchar_t> m_fileTitle;
};
