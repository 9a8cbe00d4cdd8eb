// Code-page conversions: UTF-8 by its algorithm, every other code page
// through tables built from iconv (codepage_tables.cpp). Each code page has
// one iconv name; the double-byte code pages also know their lead-byte
// ranges so that byte-wise code can step over whole characters.
#include "KavroStd/platform/codepage.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "KavroStd/platform/win_errors.h"
#include "platform/strings/codepage_internal.h"
#include "platform/strings/codepage_tables_internal.h"

namespace kavro::platform {
namespace {

struct CodePageInfo {
  UINT number;
  const char* iconvName;
  // Inclusive lead-byte ranges for double-byte code pages.
  BYTE leadRanges[4][2];
  WCHAR defaultChar;
};

constexpr CodePageInfo kCodePages[] = {
    {936, "CP936", {{0x81, 0xFE}}, L'?'},
    {950, "CP950", {{0x81, 0xFE}}, L'?'},
    {932, "CP932", {{0x81, 0x9F}, {0xE0, 0xFC}}, L'?'},
    {949, "CP949", {{0x81, 0xFE}}, L'?'},
    {1250, "CP1250", {}, L'?'},
    {1251, "CP1251", {}, L'?'},
    {1252, "CP1252", {}, L'?'},
    {1253, "CP1253", {}, L'?'},
    {1254, "CP1254", {}, L'?'},
    {1255, "CP1255", {}, L'?'},
    {1256, "CP1256", {}, L'?'},
    {1257, "CP1257", {}, L'?'},
    {1258, "CP1258", {}, L'?'},
    {874, "CP874", {}, L'?'},
    {437, "CP437", {}, L'?'},
    {850, "CP850", {}, L'?'},
    {866, "CP866", {}, L'?'},
    {20127, "ASCII", {}, L'?'},
    {28591, "ISO-8859-1", {}, L'?'},
    {54936, "GB18030", {{0x81, 0xFE}}, L'?'},
    {65001, "UTF-8", {}, 0xFFFD},
};

const CodePageInfo* Find(UINT cp) {
  for (const CodePageInfo& info : kCodePages)
    if (info.number == cp) return &info;
  return nullptr;
}

UINT FromLocale() {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::string charset;
  for (const char* n : names) {
    const char* v = getenv(n);
    if (v && *v) {
      charset = v;
      break;
    }
  }
  size_t dot = charset.find('.');
  if (dot == std::string::npos) return 1252;
  std::string cs = charset.substr(dot + 1);
  size_t at = cs.find('@');
  if (at != std::string::npos) cs.resize(at);
  struct {
    const char* name;
    UINT cp;
  } const table[] = {{"utf-8", 65001},     {"utf8", 65001},     {"gbk", 936},      {"gb2312", 936},
                     {"gb18030", 936},     {"euc-cn", 936},     {"big5", 950},     {"big5-hkscs", 950},
                     {"euc-jp", 932},      {"eucjp", 932},      {"shift_jis", 932}, {"sjis", 932},
                     {"euc-kr", 949},      {"euckr", 949},      {"iso-8859-1", 1252}, {"iso88591", 1252},
                     {"iso-8859-15", 1252}, {"cp1252", 1252}};
  for (const auto& row : table)
    if (strcasecmp(cs.c_str(), row.name) == 0) return row.cp;
  return 1252;
}

std::atomic<UINT> g_acp{0};

UINT Resolve(UINT cp) {
  if (cp == CP_ACP || cp == CP_THREAD_ACP || cp == CP_OEMCP) return GetACP();
  return cp;
}

CodePageSpec SpecOf(const CodePageInfo& info) {
  return CodePageSpec{info.number, info.iconvName, info.leadRanges,
                      sizeof(info.leadRanges) / sizeof(info.leadRanges[0]), info.defaultChar};
}

bool IsLead(const CodePageInfo& info, BYTE b) {
  for (const auto& r : info.leadRanges)
    if (r[1] != 0 && b >= r[0] && b <= r[1]) return true;
  return false;
}

// Length in bytes of the UTF-8 sequence at p, or 0 when it is not a valid
// sequence (overlong, surrogate, beyond U+10FFFF or cut short).
size_t Utf8SequenceLength(const unsigned char* p, size_t n) {
  unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t len;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return len;
}

}  // namespace

// UTF-8 to wide text. Bytes that start no valid sequence fail (strict),
// become U+FFFD (replace) or U+DC80-U+DCFF (escape: the byte plus 0xDC00, a
// lone surrogate that valid UTF-8 never yields, so EncodeUtf8 can give the
// byte back).
bool DecodeUtf8(const unsigned char* p, size_t length, std::wstring& out, Utf8Invalid mode) {
  // Every byte gives at most one unit: write in place, then trim.
  size_t pos = out.size();
  out.resize(pos + length);
  wchar_t* o = out.data();
  size_t i = 0;
  while (i < length) {
    const unsigned char lead = p[i];
    if (lead < 0x80) {
      o[pos++] = p[i++];
      continue;
    }
    // Two- and three-byte sequences (Latin, Greek, Cyrillic, CJK) decoded and
    // checked in one step; anything else takes the general path below.
    if (lead >= 0xE0 && lead <= 0xEF && length - i >= 3 && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
      const uint32_t c = ((lead & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
        o[pos++] = static_cast<wchar_t>(c);
        i += 3;
        continue;
      }
    } else if (lead >= 0xC2 && lead <= 0xDF && length - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
      o[pos++] = static_cast<wchar_t>(((lead & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu));
      i += 2;
      continue;
    }
    size_t len = Utf8SequenceLength(p + i, length - i);
    if (len == 0) {
      if (mode == kUtf8Strict) {
        out.resize(pos);
        return false;
      }
      o[pos++] = mode == kUtf8Escape ? static_cast<wchar_t>(0xDC00 + p[i]) : L'\xFFFD';
      ++i;
      continue;
    }
    uint32_t c = p[i] & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) c = (c << 6) | (p[i + k] & 0x3F);
    o[pos++] = static_cast<wchar_t>(c);
    i += len;
  }
  out.resize(pos);
  return true;
}

// Wide text to UTF-8; surrogates and values beyond U+10FFFF become U+FFFD,
// except that with `unescape` U+DC80-U+DCFF give back their byte.
void EncodeUtf8(const wchar_t* text, size_t length, std::string& out, bool unescape, bool* usedDefault) {
  // At most four bytes a unit: size for the ASCII case and grow on demand.
  size_t pos = out.size();
  out.resize(pos + length + 4);
  char* o = out.data();
  for (size_t i = 0; i < length; ++i) {
    if (pos + 4 > out.size()) {
      out.resize(out.size() + (length - i) + 4 + (out.size() >> 1));
      o = out.data();
    }
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c < 0x80) {
      o[pos++] = static_cast<char>(c);
      continue;
    }
    if (unescape && c >= 0xDC80 && c <= 0xDCFF) {
      o[pos++] = static_cast<char>(c - 0xDC00);
      continue;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;
      if (usedDefault) *usedDefault = true;
    }
    if (c < 0x800) {
      o[pos++] = static_cast<char>(0xC0 | (c >> 6));
      o[pos++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      o[pos++] = static_cast<char>(0xE0 | (c >> 12));
      o[pos++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      o[pos++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      o[pos++] = static_cast<char>(0xF0 | (c >> 18));
      o[pos++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      o[pos++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      o[pos++] = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(pos);
}

bool DecodeBytes(UINT codePage, const char* bytes, size_t length, std::wstring& out, bool strict) {
  out.clear();
  UINT cp = Resolve(codePage);
  const CodePageInfo* info = Find(cp);
  if (!info) return false;
  out.reserve(length);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  if (cp == CP_UTF8) return DecodeUtf8(p, length, out, strict ? kUtf8Strict : kUtf8Replace);
  return TableDecode(SpecOf(*info), p, length, out, strict);
}

bool EncodeWide(UINT codePage, const wchar_t* text, size_t length, std::string& out,
                const char* defaultChar, bool* usedDefault) {
  out.clear();
  if (usedDefault) *usedDefault = false;
  UINT cp = Resolve(codePage);
  const CodePageInfo* info = Find(cp);
  if (!info) return false;
  out.reserve(length);
  if (cp == CP_UTF8) {
    EncodeUtf8(text, length, out, false, usedDefault);
    return true;
  }
  const char* fallback = defaultChar && *defaultChar ? defaultChar : "?";
  return TableEncode(SpecOf(*info), text, length, out, fallback, usedDefault);
}

size_t AnsiCharLength(UINT codePage, const char* bytes, size_t length) {
  if (length == 0) return 0;
  UINT cp = Resolve(codePage);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  if (cp == CP_UTF8) {
    size_t len = Utf8SequenceLength(p, length);
    return len == 0 ? 1 : len;
  }
  const CodePageInfo* info = Find(cp);
  if (info && IsLead(*info, p[0]) && length >= 2) return 2;
  return 1;
}

}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" UINT GetACP(void) {
  UINT cp = g_acp.load(std::memory_order_acquire);
  if (cp != 0) return cp;
  const char* env = getenv("KAVRO_ACP");
  if (env && *env) {
    UINT n = static_cast<UINT>(strtoul(env, nullptr, 10));
    if (Find(n)) cp = n;
  }
  if (cp == 0) cp = FromLocale();
  UINT expected = 0;
  g_acp.compare_exchange_strong(expected, cp);
  return g_acp.load();
}

extern "C" UINT GetOEMCP(void) { return GetACP(); }

extern "C" BOOL KvSetACP(UINT codePage) {
  if (!Find(codePage)) return FALSE;
  g_acp.store(codePage, std::memory_order_release);
  return TRUE;
}

extern "C" BOOL IsValidCodePage(UINT codePage) { return Find(codePage) != nullptr; }

extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte,
                                   LPWSTR wide, int cchWideChar) {
  if (!mb || cbMultiByte == 0 || cchWideChar < 0 || (wide == nullptr && cchWideChar != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = cbMultiByte < 0 ? strlen(mb) + 1 : static_cast<size_t>(cbMultiByte);
  std::wstring out;
  if (!Find(Resolve(codePage))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!DecodeBytes(codePage, mb, length, out, (flags & MB_ERR_INVALID_CHARS) != 0)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (cchWideChar == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cchWideChar)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(wide, out.data(), out.size() * sizeof(wchar_t));
  return static_cast<int>(out.size());
}

extern "C" int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar,
                                   LPSTR mb, int cbMultiByte, LPCSTR defaultChar,
                                   LPBOOL usedDefaultChar) {
  if (!wide || cchWideChar == 0 || cbMultiByte < 0 || (mb == nullptr && cbMultiByte != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UINT cp = Resolve(codePage);
  if (!Find(cp)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cp == CP_UTF8 && (defaultChar || usedDefaultChar)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = cchWideChar < 0 ? wcslen(wide) + 1 : static_cast<size_t>(cchWideChar);
  std::string out;
  bool used = false;
  EncodeWide(codePage, wide, length, out, defaultChar, &used);
  if (used && (flags & WC_ERR_INVALID_CHARS) && cp == CP_UTF8) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(mb, out.data(), out.size());
  return static_cast<int>(out.size());
}

extern "C" BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
  const CodePageInfo* info = Find(Resolve(codePage));
  return info && IsLead(*info, testChar) ? TRUE : FALSE;
}

extern "C" BOOL IsDBCSLeadByte(BYTE testChar) { return IsDBCSLeadByteEx(CP_ACP, testChar); }
