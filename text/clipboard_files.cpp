// Clipboard file lists: a file drop (CF_HDROP) with its "Preferred
// DropEffect", put on the clipboard for a later paste and read back.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/text.h"
#include "platform/strings/utf16_internal.h"

namespace {

// A moveable, shareable, zero-filled block; null when there is no memory.
HGLOBAL NewBlock(SIZE_T bytes) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes); }

// The effect block: 1 for copy (mode 1), 2 for move.
HGLOBAL NewEffectBlock(int mode) {
  HGLOBAL block = NewBlock(sizeof(DWORD));
  if (!block) return nullptr;
  DWORD effect = mode == 1 ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
  std::memcpy(GlobalLock(block), &effect, sizeof effect);
  GlobalUnlock(block);
  return block;
}

// The drop block for names (each ended by a zero, `length` characters in
// all): 20 + 2 x units + 8 bytes, units being at least `room`; the zero fill
// closes the list.
HGLOBAL NewDropBlock(const wchar_t* names, size_t length, size_t room) {
  size_t units = std::max(kavro::platform::KvUtf16Length(names, length), room);
  HGLOBAL block = NewBlock(sizeof(DROPFILES) + 2 * units + 8);
  if (!block) return nullptr;
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  DROPFILES header = {};
  header.pFiles = sizeof(DROPFILES);
  header.fWide = TRUE;
  std::memcpy(bytes, &header, sizeof header);
  kavro::platform::KvToUtf16LE(names, length, bytes + sizeof header);
  GlobalUnlock(block);
  return block;
}

// Replaces the clipboard's content with the drop and the effect; the
// clipboard takes the blocks it accepts, the others are freed.
void PutFileDrop(const wchar_t* names, size_t length, size_t room, int mode) {
  UINT effectFormat = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
  HGLOBAL effect = NewEffectBlock(mode);
  HGLOBAL drop = NewDropBlock(names, length, room);
  if (drop && effect && OpenClipboard(nullptr)) {
    EmptyClipboard();
    if (SetClipboardData(CF_HDROP, drop)) drop = nullptr;
    if (effectFormat && SetClipboardData(effectFormat, effect)) effect = nullptr;
    CloseClipboard();
  }
  GlobalFree(drop);
  GlobalFree(effect);
}

// The effect value of a "Preferred DropEffect" block, read only as far as
// the block goes; `fallback` when there is none.
DWORD ReadEffect(HGLOBAL block, DWORD fallback) {
  const BYTE* bytes = block ? static_cast<const BYTE*>(GlobalLock(block)) : nullptr;
  if (!bytes) return fallback;
  DWORD effect = 0;
  std::memcpy(&effect, bytes, std::min<SIZE_T>(GlobalSize(block), sizeof effect));
  GlobalUnlock(block);
  return effect;
}

void ReadNames(HDROP drop, CStringArray& files) {
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<wchar_t> name;
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    name.resize(length + 1);
    UINT got = DragQueryFileW(drop, i, name.data(), length + 1);
    files.Add(CString(name.data(), static_cast<int>(got)));
  }
}

}  // namespace

// Lays the names out one after another, each ended by a zero, and puts them
// on the clipboard as the list form does. The list has no size limit.
void CStringOpr::CutOrCopyFiles(CStringArray& files, int mode) {
  std::wstring names;
  for (INT_PTR i = 0; i < files.GetSize(); ++i) {
    names.append(files[i].GetString(), static_cast<size_t>(files[i].GetLength()));
    names.push_back(L'\0');
  }
  PutFileDrop(names.data(), names.size(), 0, mode);
}

// names holds length characters of the ANSI code page: the names, each
// ended by a zero. They are converted to UTF-16 for the drop; mode 1 is a
// copy, any other value a move. Nothing happens when the clipboard cannot
// be opened.
void CStringOpr::CutOrCopyFiles(const char* names, unsigned int length, int mode) {
  std::wstring wide;
  int n = names && length ? MultiByteToWideChar(CP_ACP, 0, names, static_cast<int>(length), nullptr, 0) : 0;
  if (n > 0) {
    wide.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, names, static_cast<int>(length), wide.data(), n);
  }
  PutFileDrop(wide.data(), wide.size(), length, mode);  // room for length units, as before
}

// Empties files, then appends the names of the clipboard's file drop in
// order, whole. copy becomes 0 when the "Preferred DropEffect" has the move
// bit, else 1 when it has the copy bit; a drop without an effect counts as a
// copy. With no drop on the clipboard copy is left as it was. TRUE when at
// least one file was listed; FALSE also when the clipboard cannot be opened.
int CStringOpr::CheckClipboard(HWND owner, CStringArray& files, int& copy) {
  files.RemoveAll();
  UINT effectFormat = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
  if (!OpenClipboard(owner)) return FALSE;
  DWORD effect = 0;
  HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
  if (drop) {
    HGLOBAL effectBlock = effectFormat ? GetClipboardData(effectFormat) : nullptr;
    effect = ReadEffect(effectBlock, DROPEFFECT_COPY);
    ReadNames(drop, files);
  }
  CloseClipboard();
  BYTE low = static_cast<BYTE>(effect);
  if (low & DROPEFFECT_MOVE)
    copy = 0;
  else if (low & DROPEFFECT_COPY)
    copy = 1;
  return files.GetSize() > 0;
}
