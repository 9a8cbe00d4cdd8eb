// FormatMessageW over the layer's system message table, and LocalAlloc /
// LocalFree for the buffers it allocates.
#include "KavroStd/platform/format_message.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/core/errors_internal.h"

namespace {

// Breaks text at blanks so that no line is longer than `width` units where
// a blank allows it; a word longer than the width stays whole.
std::wstring WrapAtBlanks(const std::wstring& text, size_t width) {
  std::wstring out, line;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find(L' ', i);
    if (j == std::wstring::npos) j = text.size();
    std::wstring word = text.substr(i, j - i);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line + L"\r\n";
      line.clear();
    }
    if (!line.empty()) line.push_back(L' ');
    line += word;
    i = j + 1;
  }
  out += line;
  return out;
}

// Fills the message's inserts "%1" to "%99" (each taken as a wide string,
// the default "!s!" of the wide call) from the caller's arguments: an array
// of pointers with FORMAT_MESSAGE_ARGUMENT_ARRAY, else a va_list. False when
// the text has an insert and no arguments were given, as Windows fails then.
bool FillInserts(std::wstring& text, DWORD flags, va_list* arguments) {
  if (flags & FORMAT_MESSAGE_IGNORE_INSERTS) return true;
  if (text.find(L'%') == std::wstring::npos) return true;
  std::vector<const wchar_t*> values;
  auto argument = [&](size_t n) -> const wchar_t* {
    if (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) return reinterpret_cast<const wchar_t* const*>(arguments)[n - 1];
    if (values.empty()) values.push_back(nullptr);  // index 0 unused
    while (values.size() <= n) values.push_back(va_arg(*arguments, const wchar_t*));
    return values[n];
  };
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%' || i + 1 >= text.size()) {
      out.push_back(text[i]);
      continue;
    }
    wchar_t next = text[i + 1];
    if (next >= L'1' && next <= L'9') {
      if (!arguments) return false;
      size_t n = next - L'0';
      ++i;
      if (i + 1 < text.size() && text[i + 1] >= L'0' && text[i + 1] <= L'9') n = n * 10 + (text[++i] - L'0');
      const wchar_t* value = argument(n);
      out += value ? value : L"(null)";
    } else {
      out.push_back(next);  // "%%" and the like give the character itself
      ++i;
    }
  }
  text.swap(out);
  return true;
}

}  // namespace

extern "C" HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  void* block = (flags & LMEM_ZEROINIT) ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
  if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

extern "C" HLOCAL LocalFree(HLOCAL block) {
  free(block);
  return nullptr;
}

extern "C" DWORD FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer,
                                DWORD size, va_list* arguments) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
      !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) *reinterpret_cast<LPWSTR*>(buffer) = nullptr;
  const wchar_t* found = kavro::platform::SystemMessageText(messageId);
  if (!found || !*found) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::wstring text(found);
  if (!FillInserts(text, flags, arguments)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
  if (width == 0) text += L"\r\n";
  else if (width != FORMAT_MESSAGE_MAX_WIDTH_MASK) text = WrapAtBlanks(text, width);

  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    size_t units = text.size() + 1 > size ? text.size() + 1 : size;
    auto* block = static_cast<wchar_t*>(LocalAlloc(LMEM_ZEROINIT, units * sizeof(wchar_t)));
    *reinterpret_cast<LPWSTR*>(buffer) = block;
    if (!block) return 0;
    wmemcpy(block, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
  }
  if (size < text.size() + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  wmemcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
