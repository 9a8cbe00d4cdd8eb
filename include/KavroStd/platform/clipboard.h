/// @file
/// @ingroup platform_layer
/// The clipboard: one store shared by all processes of the user, holding a
/// global memory block per format, with registered format names.
///
///   if (OpenClipboard(nullptr)) {
///     EmptyClipboard();
///     SetClipboardData(CF_HDROP, block);      // the clipboard owns block now
///     CloseClipboard();
///   }
///   ...
///   if (OpenClipboard(nullptr)) {             // in any process of the user
///     HGLOBAL data = GetClipboardData(CF_HDROP);   // valid until the close
///     CloseClipboard();
///   }
///
/// The store is a folder of its own, mode 0700: the folder that
/// kavro::platform::KvSetClipboardFolder set, else $KAVRO_CLIPBOARD_DIR, else
/// "clipboard" in the private runtime folder of named objects (sync.h). It
/// holds one file per format with the block's bytes, written atomically, and
/// the registered names, one per line, in "formats".
///
/// Opening: one thread of one process has the clipboard open at a time (a
/// lock on the store that the system drops when the process ends). Opening it
/// again from the thread that holds it succeeds; while another thread or
/// process holds it, OpenClipboard keeps trying for about 100 ms and then
/// fails with ERROR_ACCESS_DENIED. The calls that need it open fail with
/// ERROR_CLIPBOARD_NOT_OPEN otherwise.
///
/// Ownership: SetClipboardData takes the block; the caller must not free it.
/// The blocks set or fetched during an open are released at CloseClipboard
/// or EmptyClipboard. Data is always rendered at once (no delayed rendering:
/// a null block is refused), and no format is synthesised from another
/// (CF_TEXT is not made from CF_UNICODETEXT).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/globalmem.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_PENDATA 10
#define CF_RIFF 11
#define CF_WAVE 12
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define CF_HDROP 15
#define CF_LOCALE 16
#define CF_DIBV5 17

#define CFSTR_PREFERREDDROPEFFECT L"Preferred DropEffect"
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4

/// TRUE when this thread now has the clipboard open; FALSE with
/// ERROR_ACCESS_DENIED while another holds it, or the error of an unusable
/// store folder. The owner window is not recorded.
KVSTD_C_API BOOL OpenClipboard(HWND owner);
/// FALSE with ERROR_CLIPBOARD_NOT_OPEN when this thread has it not open.
KVSTD_C_API BOOL CloseClipboard(void);
/// Removes every format; needs the clipboard open.
KVSTD_C_API BOOL EmptyClipboard(void);
/// Stores the block's bytes (GlobalSize of them) under format and takes the
/// block; returns it. Null (the block stays the caller's) with
/// ERROR_CLIPBOARD_NOT_OPEN, ERROR_INVALID_PARAMETER for format 0 or a null
/// block, ERROR_INVALID_HANDLE for a handle that is no global block, or the
/// error of a failed write.
KVSTD_C_API HANDLE SetClipboardData(UINT format, HANDLE block);
/// A moveable block holding the format's bytes, owned by the clipboard until
/// it is closed or emptied (asking twice gives the same block). Null with
/// ERROR_CLIPBOARD_NOT_OPEN, or ERROR_NOT_FOUND when the format is absent.
KVSTD_C_API HANDLE GetClipboardData(UINT format);
/// TRUE when the clipboard holds the format; needs no open clipboard.
KVSTD_C_API BOOL IsClipboardFormatAvailable(UINT format);
/// The id of a named format: the same in every process of the user for the
/// same name, without regard to case (the spelling of the first registration
/// is kept), from 0xC000 on. 0 with ERROR_INVALID_PARAMETER for a null or
/// empty name, a name over 255 characters or one holding a line break; the
/// store's error otherwise.
KVSTD_C_API UINT RegisterClipboardFormatW(LPCWSTR name);
/// Copies the registered name of format (cut to size - 1 units and ended by
/// a zero); returns its length. 0 with ERROR_INVALID_PARAMETER for a format
/// that is not registered or a buffer of no size.
KVSTD_C_API int GetClipboardFormatNameW(UINT format, LPWSTR name, int size);

namespace kavro::platform {
/// Points the store at folder (a POSIX path; created with mode 0700 when
/// missing) for the whole process; empty returns to the default choice.
KVSTD_API void KvSetClipboardFolder(const std::string& folder);
}  // namespace kavro::platform
