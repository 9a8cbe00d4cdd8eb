// Message boxes through the replaceable handler, or to standard error.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "KavroStd/platform/module.h"
#include "KavroStd/platform/msgbox.h"
#include "platform/core/handler_slot.h"
#include "platform/core/posix_io_internal.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform::detail {
namespace {

using MessageBoxSlot = HandlerSlot<KvMessageBoxHandler>;

// The answer that does nothing further; 0 for an unknown button set.
int SafeAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
    case MB_CANCELTRYCONTINUE:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return 0;
  }
}

void AppendOneLine(std::wstring& line, const wchar_t* text) {
  bool lastWasBreak = false;
  for (; *text; ++text) {
    wchar_t c = *text;
    bool control = c < 0x20 || c == 0x7F;
    bool lineBreak = c == L'\r' || c == L'\n';
    if (lineBreak && lastWasBreak) continue;  // CR LF is one break
    line.push_back(control ? L' ' : c);
    lastWasBreak = lineBreak;
  }
}

void WriteToStandardError(const wchar_t* text, const wchar_t* caption) {
  std::wstring line;
  AppendOneLine(line, caption);
  line += L": ";
  AppendOneLine(line, text);
  line += L'\n';
  std::string bytes = ToUtf8(line.data(), line.size());
  (void)WriteAll(STDERR_FILENO, bytes.data(), bytes.size());
}

std::wstring ApplicationName() {
  wchar_t path[4096];
  DWORD n = GetModuleFileNameW(nullptr, path, 4096);
  std::wstring name(path, n < 4096 ? n : 0);
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace
}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" KvMessageBoxHandler KvSetMessageBoxHandler(KvMessageBoxHandler handler, void* context) {
  return MessageBoxSlot::Instance().Set(handler, context);
}

extern "C" KvMessageBoxHandler KvGetMessageBoxHandler(void** context) {
  return MessageBoxSlot::Instance().Get(context);
}

extern "C" int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  int safe = SafeAnswer(type);
  if (safe == 0) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  if (!text) text = L"";
  if (!caption) caption = L"Error";
  void* context = nullptr;
  KvMessageBoxHandler handler = KvGetMessageBoxHandler(&context);
  if (handler) return handler(text, caption, type, context);  // called without the lock held
  WriteToStandardError(text, caption);
  return safe;
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
  std::wstring caption = ApplicationName();
  return MessageBoxW(nullptr, text, caption.c_str(), type);
}
