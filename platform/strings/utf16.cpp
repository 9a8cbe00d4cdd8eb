// UTF-16LE conversion of wide text (code points) with surrogate pairs.
#include "platform/strings/utf16_internal.h"

namespace kavro::platform {
namespace {

uint32_t CodePoint(wchar_t c) {
  uint32_t value = static_cast<uint32_t>(c);
  return value > 0x10FFFF ? 0xFFFD : value;
}

void PutUnit(BYTE*& out, uint32_t unit) {
  *out++ = static_cast<BYTE>(unit);
  *out++ = static_cast<BYTE>(unit >> 8);
}

uint32_t UnitAt(const BYTE* bytes, size_t index) {
  return bytes[2 * index] | (static_cast<uint32_t>(bytes[2 * index + 1]) << 8);
}

}  // namespace

size_t KvUtf16Length(const wchar_t* text, size_t length) {
  size_t units = length;
  for (size_t i = 0; i < length; ++i) units += CodePoint(text[i]) >= 0x10000;
  return units;
}

size_t KvToUtf16LE(const wchar_t* text, size_t length, BYTE* out) {
  BYTE* start = out;
  for (size_t i = 0; i < length; ++i) {
    uint32_t c = CodePoint(text[i]);
    if (c >= 0x10000) {
      c -= 0x10000;
      PutUnit(out, 0xD800 + (c >> 10));
      PutUnit(out, 0xDC00 + (c & 0x3FF));
    } else {
      PutUnit(out, c);
    }
  }
  return static_cast<size_t>(out - start) / 2;
}

void KvAppendFromUtf16LE(const BYTE* bytes, size_t units, std::wstring& out) {
  out.reserve(out.size() + units);
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = UnitAt(bytes, i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      uint32_t low = UnitAt(bytes, i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
}

}  // namespace kavro::platform
