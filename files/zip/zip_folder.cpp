// Packing a folder tree into an archive: a folder entry for each folder and
// an entry for each file, named by its path below the root folder.
//
// Symbolic links are not followed: a link to a file adds the file it points
// to, a link to a folder adds an empty folder entry and is not descended
// into, so nothing outside the tree is packed and a looping link cannot
// make the walk endless.
#include "files/zip/zip_writer.h"

namespace {

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// relative + "\" + name, or name alone below the root itself.
CString Below(const CString& relative, const wchar_t* name) {
  return relative.IsEmpty() ? CString(name) : relative + L"\\" + name;
}

CString Under(const CString& root, const CString& relative) {
  return relative.IsEmpty() ? root : root + L"\\" + relative;
}

bool AddEntries(HZIPFILE zip, const CString& root, const CString& relative) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Under(root, relative) + L"\\*", &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    const CString name = Below(relative, data.cFileName);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      CString source = Under(root, name);
      ok = ZipAdd(zip, name, const_cast<wchar_t*>(source.GetString()), 0, ZIPKIND_FILENAME) ==
           ZRES_SUCCESS;
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      ok = ZipAdd(zip, name, nullptr, 0, ZIPKIND_FOLDER) == ZRES_SUCCESS;
    } else {
      ok = AddFolderContent(zip, root, name) != FALSE;
    }
  } while (ok && FindNextFileW(find, &data));
  if (ok && GetLastError() != ERROR_NO_MORE_FILES) ok = false;
  FindClose(find);
  return ok;
}

}  // namespace

// A null or empty relative folder packs the root folder's content under
// names without a folder part, with no entry for the root itself.
extern "C" BOOL AddFolderContent(HZIPFILE zip, const wchar_t* root, const wchar_t* folder) {
  ZIPRESULT error;
  if (kavro::zip::WriterOf(zip, error) == nullptr) {
    kavro::zip::LastWriteResult() = error;
    return FALSE;
  }
  if (root == nullptr) {
    kavro::zip::LastWriteResult() = ZRES_ARGS;
    return FALSE;
  }
  CString base(root);
  while (base.GetLength() > 1 && (base.Right(1) == L"\\" || base.Right(1) == L"/")) {
    base.Truncate(base.GetLength() - 1);
  }
  CString relative = folder != nullptr ? CString(folder) : CString();
  while (!relative.IsEmpty() && (relative.Right(1) == L"\\" || relative.Right(1) == L"/")) {
    relative.Truncate(relative.GetLength() - 1);
  }
  if (!relative.IsEmpty() && ZipAdd(zip, relative, nullptr, 0, ZIPKIND_FOLDER) != ZRES_SUCCESS) {
    return FALSE;
  }
  return AddEntries(zip, base, relative) ? TRUE : FALSE;
}
