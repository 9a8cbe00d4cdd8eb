// Wide text to and from streams as UTF-8: the _tprintf and _fputts family of
// a UNICODE build. glibc's wide stream functions would convert through the
// process locale and read "%s" as narrow; these write and read UTF-8 bytes
// through the stream's byte functions, so a text-mode file from _wfopen
// still gets its CR LF.
#include <cstdio>
#include <string>

#include "KavroStd/platform/crt_wide.h"
#include "platform/strings/codepage_internal.h"
#include "platform/strings/crt_wide_internal.h"

using kavro::platform::Fail;

namespace {

bool WriteUtf8(const wchar_t* text, size_t length, FILE* stream) {
  std::string bytes;
  kavro::platform::EncodeUtf8(text, length, bytes, false, nullptr);
  return fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

bool IsTrail(int byte) { return byte != EOF && (byte & 0xC0) == 0x80; }

// Reads one UTF-8 character; a byte that starts no valid sequence reads as
// U+FFFD and the byte that broke a sequence is read again next time.
wint_t ReadUtf8(FILE* stream) {
  int lead = getc(stream);
  if (lead == EOF) return WEOF;
  if (lead < 0x80) return static_cast<wint_t>(lead);
  int trails = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
  if (!trails) return 0xFFFD;
  // The second byte's range rules out overlong forms, surrogates and values
  // past U+10FFFF.
  int low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  int high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  wint_t value = static_cast<wint_t>(lead & (0x3F >> trails));
  for (int i = 0; i < trails; ++i) {
    int byte = getc(stream);
    if (!IsTrail(byte) || (i == 0 && (byte < low || byte > high))) {
      if (byte != EOF) ungetc(byte, stream);
      return 0xFFFD;
    }
    value = (value << 6) | static_cast<wint_t>(byte & 0x3F);
  }
  return value;
}

}  // namespace

extern "C" int KvVFWPrintf(FILE* stream, const wchar_t* format, va_list args) {
  if (!stream) return Fail(EINVAL), -1;
  std::wstring text;
  if (!kavro::platform::FormatWide(text, format, args)) return -1;
  return WriteUtf8(text.data(), text.size(), stream) ? static_cast<int>(text.size()) : -1;
}

extern "C" int KvFWPrintf(FILE* stream, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = KvVFWPrintf(stream, format, args);
  va_end(args);
  return n;
}

extern "C" int KvVWPrintf(const wchar_t* format, va_list args) { return KvVFWPrintf(stdout, format, args); }

extern "C" int KvWPrintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = KvVFWPrintf(stdout, format, args);
  va_end(args);
  return n;
}

extern "C" int KvFPutWs(const wchar_t* text, FILE* stream) {
  if (!text || !stream) return Fail(EINVAL), static_cast<int>(WEOF);
  return WriteUtf8(text, wcslen(text), stream) ? 0 : static_cast<int>(WEOF);
}

extern "C" int KvPutWs(const wchar_t* text) {
  if (KvFPutWs(text, stdout) != 0) return static_cast<int>(WEOF);
  return putc('\n', stdout) == EOF ? static_cast<int>(WEOF) : 0;
}

extern "C" wint_t KvFPutWc(wchar_t c, FILE* stream) {
  if (!stream) return Fail(EINVAL), WEOF;
  return WriteUtf8(&c, 1, stream) ? static_cast<wint_t>(c) : WEOF;
}

extern "C" wint_t KvPutWchar(wchar_t c) { return KvFPutWc(c, stdout); }

extern "C" wint_t KvFGetWc(FILE* stream) {
  if (!stream) return Fail(EINVAL), WEOF;
  return ReadUtf8(stream);
}

extern "C" wint_t KvGetWchar() { return ReadUtf8(stdin); }

extern "C" wchar_t* KvFGetWs(wchar_t* buffer, int count, FILE* stream) {
  if (!buffer || count <= 0 || !stream) return Fail(EINVAL), nullptr;
  int n = 0;
  while (n < count - 1) {
    wint_t c = ReadUtf8(stream);
    if (c == WEOF) break;
    buffer[n++] = static_cast<wchar_t>(c);
    if (c == L'\n') break;
  }
  buffer[n] = 0;
  return n == 0 && (count > 1) ? nullptr : buffer;
}

extern "C" wint_t KvUngetWc(wint_t c, FILE* stream) {
  if (c == WEOF || !stream) return WEOF;
  std::string bytes;
  wchar_t wc = static_cast<wchar_t>(c);
  kavro::platform::EncodeUtf8(&wc, 1, bytes, false, nullptr);
  for (size_t i = bytes.size(); i-- > 0;) {
    if (ungetc(static_cast<unsigned char>(bytes[i]), stream) == EOF) return WEOF;
  }
  return c;
}
