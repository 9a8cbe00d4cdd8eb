/// @file
/// Plain-name C exports of the text layer: ANSI/wide text conversion, the
/// AutoCAD colour index table and the bitness queries of process and machine.
///
///   CharToWChar / WCharToChar     system ANSI code page <-> wide text
///   GetRGBByIndex / GetIndexByRGB colour number <-> COLORREF, by display mode
///   SetRGBByIndex                 changes one entry of the colour table
///   IsWow64 / GetOSVerIs64Bit     32-bit process on 64-bit machine; 64-bit
///                                 machine
///
///   CStringA bytes = WCharToChar(wide);     // '?' for what the page lacks
///   COLORREF red = GetRGBByIndex(1, 0);     // 0x000000FF
///
/// Exported under their plain names (C linkage, C++ argument and result
/// types), so modules find them with GetProcAddress as well. Included by
/// text.h.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"

// ---- Character conversion ----
// Between the system ANSI code page (codepage.h) and wide text, the text
// ending at its first zero; what the code page cannot hold becomes its
// default character ("?") and invalid bytes are replaced as
// MultiByteToWideChar replaces them. Nothing is reported. The argument is
// not changed.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
/// System ANSI code page to wide text (see above).
KVSTD_C_API CString CharToWChar(CStringA& text);
/// Wide text to the system ANSI code page (see above).
KVSTD_C_API CStringA WCharToChar(CString& text);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

// ---- Colour index table ----
// One process-wide table of 256 COLORREF (0x00BBGGRR) indexed by AutoCAD
// colour number, set to the standard palette at load, changed only by
// SetRGBByIndex, never saved; no locks.

/// The colour of an ACI number under a display mode: mode 2 white, mode 3
/// black whatever the index; mode 0 gives white and mode 1 black for 0, 7 and
/// numbers above 255; otherwise the table entry. A number outside 0-255 that
/// no mode rule covers (negative, or above 255 in another mode) gives white
/// in mode 0 and every other mode, black in mode 1.
KVSTD_C_API COLORREF GetRGBByIndex(int index, int mode);
/// The first of the entries 1 to 254 whose red, green and blue equal those
/// of colour (the top byte ignored); 7 when none does, and always 7 in modes
/// 2 and 3.
KVSTD_C_API int GetIndexByRGB(COLORREF colour, int mode);
/// Replaces the entry index (0-255); other numbers change nothing.
KVSTD_C_API void SetRGBByIndex(int index, COLORREF colour);

// ---- Operating-system queries ----
/// TRUE for a 32-bit process on a 64-bit machine. When the query fails,
/// shows "IsWow64 error!" and returns FALSE.
KVSTD_C_API BOOL IsWow64();
/// TRUE when the machine's processor architecture is 64-bit (AMD64, IA64 or
/// ARM64).
KVSTD_C_API BOOL GetOSVerIs64Bit();
