// Decode and encode tables for the iconv code pages, built once per code
// page from iconv's answer for each character, and the conversions that walk
// whole buffers through them.
#include "platform/strings/codepage_tables_internal.h"

#include <iconv.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace kavro::platform {
namespace {

constexpr UINT kGb18030 = 54936;
constexpr UINT kUsAscii = 20127;

// Decode entries: a code point, or one of these.
constexpr uint32_t kInvalid = 0xFFFFFFFFu;
constexpr uint32_t kComplex = 0xFFFFFFFEu;  // not one code point: ask iconv

// Encode entries: the tag in the top byte is the byte count (1-3, the bytes
// below it, first byte lowest); 0 is "no mapping", kEncodeComplex "ask iconv".
constexpr uint32_t kEncodeComplex = 4;

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

struct DecodeTable {
  uint32_t single[256];  // a byte on its own (a lead byte: when it ends the input)
  bool lead[256];
  std::vector<uint32_t> pairs;  // (lead << 8) | trail, when the page has lead bytes
};

struct EncodeTable {
  std::vector<uint32_t> bmp = std::vector<uint32_t>(0x10000);
};

struct PageTables {
  UINT number = 0;
  std::once_flag decodeOnce, encodeOnce;
  std::unique_ptr<DecodeTable> decode;  // null when iconv lacks the page
  std::unique_ptr<EncodeTable> encode;
};

// One character through iconv from a fresh state, as the per-character
// conversion always did: it must take every byte and give one or two units.
size_t DecodeOne(iconv_t cd, const unsigned char* bytes, size_t n, wchar_t out[2]) {
  char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
  size_t inLeft = n;
  char* o = reinterpret_cast<char*>(out);
  size_t oLeft = 2 * sizeof(wchar_t);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
  if (r == static_cast<size_t>(-1) || inLeft != 0 || oLeft == 2 * sizeof(wchar_t)) return 0;
  return (2 * sizeof(wchar_t) - oLeft) / sizeof(wchar_t);
}

// One character to bytes from a fresh state; -1 when iconv has no mapping.
int EncodeOne(iconv_t cd, wchar_t c, char out[8]) {
  char* in = reinterpret_cast<char*>(&c);
  size_t inLeft = sizeof(wchar_t);
  char* o = out;
  size_t oLeft = 8;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return -1;
  iconv(cd, nullptr, nullptr, &o, &oLeft);  // pending output, if any
  return static_cast<int>(8 - oLeft);
}

uint32_t DecodeEntry(iconv_t cd, const unsigned char* bytes, size_t n) {
  wchar_t w[2];
  size_t count = DecodeOne(cd, bytes, n, w);
  if (count == 0) return kInvalid;
  if (count == 1 && static_cast<uint32_t>(w[0]) < kComplex) return static_cast<uint32_t>(w[0]);
  return kComplex;
}

bool PlainAscii(const CodePageSpec& spec, uint32_t c) { return c < 0x80 && spec.number != kUsAscii; }

void BuildDecode(const CodePageSpec& spec, PageTables& t) {
  iconv_t cd = iconv_open("WCHAR_T", spec.iconvName);
  if (cd == kNoIconv) return;
  auto table = std::make_unique<DecodeTable>();
  bool anyLead = false;
  for (uint32_t b = 0; b < 256; ++b) {
    bool lead = false;
    for (size_t r = 0; r < spec.leadRangeCount; ++r)
      if (spec.leadRanges[r][1] != 0 && b >= spec.leadRanges[r][0] && b <= spec.leadRanges[r][1]) lead = true;
    table->lead[b] = lead && !PlainAscii(spec, b);
    anyLead |= table->lead[b];
    const unsigned char byte = static_cast<unsigned char>(b);
    table->single[b] = PlainAscii(spec, b) ? b : DecodeEntry(cd, &byte, 1);
  }
  if (anyLead) {
    table->pairs.assign(0x10000, kInvalid);
    for (uint32_t b = 0; b < 256; ++b) {
      if (!table->lead[b]) continue;
      for (uint32_t trail = 0; trail < 256; ++trail) {
        const unsigned char pair[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(trail)};
        table->pairs[(b << 8) | trail] = DecodeEntry(cd, pair, 2);
      }
    }
  }
  iconv_close(cd);
  t.decode = std::move(table);
}

void BuildEncode(const CodePageSpec& spec, PageTables& t) {
  iconv_t cd = iconv_open(spec.iconvName, "WCHAR_T");
  if (cd == kNoIconv) return;
  auto table = std::make_unique<EncodeTable>();
  char buf[8];
  for (uint32_t c = 0; c < 0x10000; ++c) {
    if (PlainAscii(spec, c)) {
      table->bmp[c] = (1u << 24) | c;
      continue;
    }
    int n = EncodeOne(cd, static_cast<wchar_t>(c), buf);
    if (n < 0) {
      table->bmp[c] = 0;
    } else if (n == 0 || n > 3) {
      table->bmp[c] = kEncodeComplex << 24;
    } else {
      uint32_t packed = static_cast<uint32_t>(n) << 24;
      for (int k = 0; k < n; ++k) packed |= static_cast<uint32_t>(static_cast<unsigned char>(buf[k])) << (8 * k);
      table->bmp[c] = packed;
    }
  }
  iconv_close(cd);
  t.encode = std::move(table);
}

// The tables of a code page; the slots are claimed once and kept for the
// life of the process.
PageTables& TablesFor(UINT number) {
  constexpr size_t kSlots = 32;  // more than the code pages the layer knows
  static PageTables slots[kSlots];
  static std::atomic<size_t> used{0};
  static std::mutex claim;
  size_t n = used.load(std::memory_order_acquire);
  for (size_t i = 0; i < n; ++i)
    if (slots[i].number == number) return slots[i];
  std::lock_guard<std::mutex> guard(claim);
  n = used.load(std::memory_order_relaxed);
  for (size_t i = 0; i < n; ++i)
    if (slots[i].number == number) return slots[i];
  if (n == kSlots) std::abort();  // the code-page list outgrew the slots
  slots[n].number = number;
  used.store(n + 1, std::memory_order_release);
  return slots[n];
}

// The calling thread's iconv descriptors, for the characters the tables
// leave to iconv.
class ThreadConverters {
 public:
  ~ThreadConverters() {
    for (Entry& e : entries_) {
      if (e.toWide != kNoIconv) iconv_close(e.toWide);
      if (e.fromWide != kNoIconv) iconv_close(e.fromWide);
    }
  }
  iconv_t ToWide(const CodePageSpec& spec) {
    Entry& e = Find(spec);
    if (e.toWide == kNoIconv) e.toWide = iconv_open("WCHAR_T", spec.iconvName);
    return e.toWide;
  }
  iconv_t FromWide(const CodePageSpec& spec) {
    Entry& e = Find(spec);
    if (e.fromWide == kNoIconv) e.fromWide = iconv_open(spec.iconvName, "WCHAR_T");
    return e.fromWide;
  }

 private:
  struct Entry {
    UINT number;
    iconv_t toWide = kNoIconv;
    iconv_t fromWide = kNoIconv;
  };
  Entry& Find(const CodePageSpec& spec) {
    for (Entry& e : entries_)
      if (e.number == spec.number) return e;
    entries_.push_back(Entry{spec.number});
    return entries_.back();
  }
  std::vector<Entry> entries_;
};

ThreadConverters& Mine() {
  thread_local ThreadConverters converters;
  return converters;
}

}  // namespace

bool TableDecode(const CodePageSpec& spec, const unsigned char* p, size_t length, std::wstring& out,
                 bool strict) {
  PageTables& t = TablesFor(spec.number);
  std::call_once(t.decodeOnce, [&] { BuildDecode(spec, t); });
  if (!t.decode) return false;
  const DecodeTable& d = *t.decode;
  const bool gb18030 = spec.number == kGb18030;
  size_t pos = out.size();
  // A byte gives at most one unit; only iconv's rare two-unit answers need
  // more room.
  out.resize(pos + length);
  wchar_t* o = out.data();
  size_t i = 0;
  while (i < length) {
    const unsigned b = p[i];
    size_t charLen = 1;
    uint32_t v;
    if (!d.lead[b]) {
      v = d.single[b];
      if (v < kComplex) {
        o[pos++] = static_cast<wchar_t>(v);
        ++i;
        continue;
      }
    } else {
      charLen = 2;
      if (gb18030 && i + 1 < length && p[i + 1] >= 0x30 && p[i + 1] <= 0x39) charLen = 4;
      if (i + charLen > length) charLen = length - i;
      v = charLen == 2 ? d.pairs[(b << 8) | p[i + 1]] : charLen == 1 ? d.single[b] : kComplex;
    }
    wchar_t w[2];
    size_t count = 0;
    if (v < kComplex) {
      w[0] = static_cast<wchar_t>(v);
      count = 1;
    } else if (v == kComplex) {
      iconv_t cd = Mine().ToWide(spec);
      count = cd == kNoIconv ? 0 : DecodeOne(cd, p + i, charLen, w);
    }
    if (count == 0) {
      if (strict) {
        out.resize(pos);
        return false;
      }
      // A bad sequence costs its first byte only: the next byte may start a
      // character of its own.
      w[0] = spec.defaultChar;
      count = 1;
      charLen = 1;
    }
    if (pos + count > out.size()) {
      out.resize(out.size() + count + (length - i));
      o = out.data();
    }
    for (size_t k = 0; k < count; ++k) o[pos++] = w[k];
    i += charLen;
  }
  out.resize(pos);
  return true;
}

bool TableEncode(const CodePageSpec& spec, const wchar_t* text, size_t length, std::string& out,
                 const char* fallback, bool* usedDefault) {
  PageTables& t = TablesFor(spec.number);
  std::call_once(t.encodeOnce, [&] { BuildEncode(spec, t); });
  if (!t.encode) return false;
  const uint32_t* bmp = t.encode->bmp.data();
  const size_t fallbackLength = strlen(fallback);
  const size_t room = fallbackLength > 8 ? fallbackLength : 8;  // the most one character adds
  size_t pos = out.size();
  out.resize(pos + length + room);
  char* o = out.data();
  for (size_t i = 0; i < length; ++i) {
    if (pos + room > out.size()) {
      out.resize(out.size() * 2 + room);
      o = out.data();
    }
    const uint32_t c = static_cast<uint32_t>(text[i]);
    uint32_t e = c < 0x10000 ? bmp[c] : kEncodeComplex << 24;
    uint32_t n = e >> 24;
    if (n >= 1 && n <= 3) {
      o[pos] = static_cast<char>(e);
      if (n > 1) o[pos + 1] = static_cast<char>(e >> 8);
      if (n > 2) o[pos + 2] = static_cast<char>(e >> 16);
      pos += n;
      continue;
    }
    int written = -1;
    if (n == kEncodeComplex) {
      iconv_t cd = Mine().FromWide(spec);
      if (cd != kNoIconv) written = EncodeOne(cd, text[i], o + pos);
    }
    if (written < 0) {
      memcpy(o + pos, fallback, fallbackLength);
      pos += fallbackLength;
      if (usedDefault) *usedDefault = true;
    } else {
      pos += static_cast<size_t>(written);
    }
  }
  out.resize(pos);
  return true;
}

}  // namespace kavro::platform
