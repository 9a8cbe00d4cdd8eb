// Packing a folder tree into an archive: a folder entry for each folder and
// an entry for each file, named by its path below the root folder.
//
// The walk goes through open folder descriptors (files/tree_walk_internal.h)
// and never reads anything outside the root folder: a file is opened by its
// name in its folder without following links and must still be the regular
// file the walk saw; a link to a file is packed with its target's content
// only when the target really lies inside the root folder; a link to a
// folder is an empty folder entry, never descended into. An entry that
// cannot be packed is skipped and the walk goes on (see zip_folder_pack_internal.h).
#include "files/zip/zip_folder_pack_internal.h"

namespace {

CString Trimmed(const wchar_t* text, int keep) {
  CString out = text != nullptr ? CString(text) : CString();
  while (out.GetLength() > keep && (out.Right(1) == L"\\" || out.Right(1) == L"/")) {
    out.Truncate(out.GetLength() - 1);
  }
  return out;
}

}  // namespace

// A null or empty relative folder packs the root folder's content under
// names without a folder part, with no entry for the root itself.
extern "C" BOOL AddFolderContent(HZIPFILE zip, const wchar_t* root, const wchar_t* folder) {
  using kavro::zip::LastWriteResult;
  ZIPRESULT error;
  kavro::zip::ZipWriter* writer = kavro::zip::WriterOf(zip, error);
  if (writer == nullptr) {
    LastWriteResult() = error;
    return FALSE;
  }
  if (root == nullptr) {
    LastWriteResult() = ZRES_ARGS;
    return FALSE;
  }
  const CString base = Trimmed(root, 1);
  const CString relative = Trimmed(folder, 0);
  if (!relative.IsEmpty() && ZipAdd(zip, relative, nullptr, 0, ZIPKIND_FOLDER) != ZRES_SUCCESS) {
    return FALSE;
  }
  const ZIPRESULT result = kavro::zip::PackFolder(*writer, base, relative);
  LastWriteResult() = result;
  return result == ZRES_SUCCESS ? TRUE : FALSE;
}
