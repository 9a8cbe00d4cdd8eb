/// @file
/// @ingroup platform_layer
/// MFC's diagnostic idioms: ASSERT, VERIFY, ASSERT_VALID, TRACE and
/// DEBUG_NEW. A module is a debug build when it defines _DEBUG or leaves
/// NDEBUG undefined (CMake's Debug configuration); the choice is made where
/// the macros are used, so each module keeps its own.
///
///   ASSERT(index < count);         // debug: reports file and line, then aborts
///   VERIFY(file.Open(...));        // the expression runs in every build
///   TRACE(_T("%d items\n"), n);    // debug: to standard error
///
/// In a release build ASSERT, ASSERT_VALID and TRACE evaluate nothing and
/// VERIFY evaluates its expression only. A failed assertion writes
/// "<file>(<line>): Assertion failed: <expression>" to standard error and
/// aborts the process, as assert() does. TRACE formats by Microsoft's rules
/// (%s takes a wide string in a wide format) and writes UTF-8.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/export.h"

class CObject;

/// Writes the failure report and aborts.
[[noreturn]] KVSTD_API void AfxAssertFailedLine(const char* file, int line, const char* expression);
/// Asserts that `object` is not null, then calls its AssertValid.
KVSTD_API void AfxAssertValidObject(const CObject* object, const char* file, int line);
/// TRACE's output: the formatted text on standard error.
KVSTD_API void AfxTrace(const wchar_t* format, ...);
KVSTD_API void AfxTrace(const char* format, ...);

#if defined(_DEBUG) || !defined(NDEBUG)
#define KV_AFX_DEBUG_BUILD 1
#define ASSERT(f) ((f) ? (void)0 : ::AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(p) ::AfxAssertValidObject((p), __FILE__, __LINE__)
#define TRACE(...) ::AfxTrace(__VA_ARGS__)
#else
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ((void)0)
#define TRACE(...) ((void)0)
#endif
#define TRACE0(text) TRACE(text)
#define TRACE1(format, a) TRACE(format, a)
#define TRACE2(format, a, b) TRACE(format, a, b)
#define TRACE3(format, a, b, c) TRACE(format, a, b, c)

// `#define new DEBUG_NEW` leaves plain new: the allocation checker of the
// Windows debug heap has no counterpart here.
#define DEBUG_NEW new
