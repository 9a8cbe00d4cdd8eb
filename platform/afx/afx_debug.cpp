// MFC's diagnostics: the assertion report and TRACE's output, both on
// standard error.
#include "KavroStd/platform/afx_debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KavroStd/platform/collections.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/codepage_internal.h"

namespace {

void WriteStandardError(const std::string& text) {
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

}  // namespace

void AfxAssertFailedLine(const char* file, int line, const char* expression) {
  std::string report = std::string(file ? file : "?") + "(" + std::to_string(line) +
                       "): Assertion failed";
  if (expression && *expression) report += std::string(": ") + expression;
  WriteStandardError(report + "\n");
  abort();
}

void AfxAssertValidObject(const CObject* object, const char* file, int line) {
  if (!object) AfxAssertFailedLine(file, line, "object != NULL");
  object->AssertValid();
}

void AfxTrace(const wchar_t* format, ...) {
  if (!format) return;
  std::wstring text;
  va_list args;
  va_start(args, format);
  kavro::platform::AppendFormatV(text, format, args);
  va_end(args);
  std::string utf8;
  kavro::platform::EncodeUtf8(text.data(), text.size(), utf8, true, nullptr);
  WriteStandardError(utf8);
}

void AfxTrace(const char* format, ...) {
  if (!format) return;
  std::string text;
  va_list args;
  va_start(args, format);
  kavro::platform::AppendFormatV(text, format, args);
  va_end(args);
  // Narrow text is in the ANSI code page; the terminal reads UTF-8.
  std::wstring wide = kavro::platform::AnsiToWide(text.data(), text.size());
  std::string utf8;
  kavro::platform::EncodeUtf8(wide.data(), wide.size(), utf8, true, nullptr);
  WriteStandardError(utf8);
}
