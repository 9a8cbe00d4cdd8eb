// Encoding detection, decoding and encoding of INI text, and the parts of the
// line scanner that depend on the code page.
#include <atomic>
#include <cstring>
#include <cwchar>

#include "KavroStd/platform/codepage.h"
#include "platform/strings/codepage_internal.h"
#include "platform/profile/profile_internal.h"

namespace kavro::platform {

ProfileName MakeProfileName(const wchar_t* name) {
  ProfileName result;
  const wchar_t* b = name;
  const wchar_t* e = name + wcslen(name);
  while (b < e && IsProfileBlank(*b)) ++b;
  while (e > b && IsProfileBlank(e[-1])) --e;
  result.text.assign(b, e);
  for (wchar_t c : result.text)
    if (static_cast<uint32_t>(c) >= 0x80) result.ascii = false;
  return result;
}

void DecodeProfileUnits(const char* text, size_t length, UINT codePage, std::wstring& out) {
  size_t i = 0;
  while (i < length && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  if (i == length) {
    out.assign(text, text + length);
    return;
  }
  out.clear();
  DecodeBytes(codePage, text, length, out, false);
}

void DecodeProfileUnits(const char16_t* text, size_t length, UINT, std::wstring& out) {
  out.clear();
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;  // a lone surrogate is no character
    }
    out.push_back(static_cast<wchar_t>(u));
  }
}

namespace {
// Whether `codePage` has lead bytes: its text may hold ']' as a trail byte.
bool HasLeadBytes(UINT codePage) {
  static std::atomic<uint64_t> cache{0};  // code page + 1 in the high word, answer in bit 0
  uint64_t known = cache.load(std::memory_order_relaxed);
  if ((known >> 32) == static_cast<uint64_t>(codePage) + 1) return known & 1;
  bool lead = false;
  if (codePage != CP_UTF8)
    for (int b = 0x81; b <= 0xFE && !lead; ++b) lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b));
  cache.store(((static_cast<uint64_t>(codePage) + 1) << 32) | (lead ? 1 : 0), std::memory_order_relaxed);
  return lead;
}
}  // namespace

size_t LastCloseBracket(const char* text, size_t begin, size_t end, UINT codePage) {
  if (begin >= end) return end;
  const void* hit = memrchr(text + begin, ']', end - begin);
  if (!hit) return end;
  size_t last = static_cast<size_t>(static_cast<const char*>(hit) - text);
  if (!HasLeadBytes(codePage)) return last;
  bool high = false;
  for (size_t i = begin; i < last && !high; ++i) high = static_cast<unsigned char>(text[i]) >= 0x80;
  if (!high) return last;
  // A double-byte code page may use ']' as a trail byte: walk by characters.
  last = end;
  for (size_t i = begin; i < end;) {
    if (text[i] == ']') last = i;
    i += AnsiCharLength(codePage, text + i, end - i);
  }
  return last;
}

size_t LastCloseBracket(const char16_t* text, size_t begin, size_t end, UINT) {
  for (size_t i = end; i > begin; --i)
    if (text[i - 1] == u']') return i - 1;
  return end;
}

ProfileText::ProfileText(std::string_view bytes, UINT ansiCodePage) : bytes_(bytes) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    encoding_ = ProfileEncoding::kUtf16;
    mark_ = 2;
    size_t units = (bytes.size() - 2) / 2;
    units16_.resize(units);
    for (size_t i = 0; i < units; ++i)
      units16_[i] = static_cast<char16_t>(b[2 + 2 * i] | (b[3 + 2 * i] << 8));
  } else if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    encoding_ = ProfileEncoding::kUtf8;
    mark_ = 3;
  }
  codePage_ = encoding_ == ProfileEncoding::kUtf8 ? CP_UTF8 : ansiCodePage;
}

std::string ProfileText::Encode(const wchar_t* text, size_t length) const {
  std::string out;
  if (encoding_ == ProfileEncoding::kUtf16) {
    out.reserve(length * 2);
    auto put = [&out](uint32_t unit) {
      out.push_back(static_cast<char>(unit & 0xFF));
      out.push_back(static_cast<char>(unit >> 8));
    };
    for (size_t i = 0; i < length; ++i) {
      uint32_t c = static_cast<uint32_t>(text[i]);
      if (c >= 0x10000 && c <= 0x10FFFF) {
        put(0xD800 + ((c - 0x10000) >> 10));
        put(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        put(c <= 0xFFFF ? c : 0xFFFD);
      }
    }
    return out;
  }
  size_t i = 0;
  while (i < length && static_cast<uint32_t>(text[i]) < 0x80) ++i;
  if (i == length) return std::string(text, text + length);
  EncodeWide(codePage_, text, length, out, nullptr, nullptr);
  return out;
}

}  // namespace kavro::platform
