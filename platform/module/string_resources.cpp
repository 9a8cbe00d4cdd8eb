// String tables. A block of RT_STRING holds sixteen strings, each a 16-bit
// count of UTF-16 units and the units, little-endian, as resource compilers
// write them; block n holds the ids 16(n-1) to 16n-1. LoadStringW reads
// them; KvRegisterString builds them for modules without compiled resources.
#include <algorithm>
#include <array>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "KavroStd/platform/module.h"
#include "KavroStd/platform/win_errors.h"
#include "platform/module/resources_internal.h"
#include "platform/strings/utf16_internal.h"

namespace {

using kavro::platform::detail::FindResourceBytes;
using kavro::platform::detail::ResourceBytes;

constexpr int kStringsPerBlock = 16;

LPCWSTR BlockName(UINT id) { return MAKEINTRESOURCEW(((id >> 4) & 0xFFFF) + 1); }

// The sixteen strings of a block; a block cut short leaves the rest empty.
std::array<std::wstring, kStringsPerBlock> DecodeBlock(const std::vector<BYTE>& block) {
  std::array<std::wstring, kStringsPerBlock> strings;
  size_t pos = 0;
  for (std::wstring& s : strings) {
    if (pos + 2 > block.size()) break;
    size_t units = block[pos] | (block[pos + 1] << 8);
    pos += 2;
    if (units > (block.size() - pos) / 2) break;
    kavro::platform::KvAppendFromUtf16LE(block.data() + pos, units, s);
    pos += units * 2;
  }
  return strings;
}

// Stable copies of the strings handed out by pointer (LoadStringW with a
// buffer size of 0); a text is stored once.
const std::wstring& StablePointerCopy(const std::wstring& text) {
  static std::mutex lock;
  static std::set<std::wstring>* texts = new std::set<std::wstring>;
  std::lock_guard<std::mutex> guard(lock);
  return *texts->insert(text).first;
}

}  // namespace

extern "C" int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  if (!buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ResourceBytes found;
  if (!FindResourceBytes(instance, BlockName(id), RT_STRING, found)) {
    if (bufferMax > 0) buffer[0] = 0;
    return 0;
  }
  const std::wstring text = DecodeBlock(*found.bytes)[id % kStringsPerBlock];
  if (bufferMax == 0) {
    // The caller gets a read-only pointer to the text, not copied.
    *reinterpret_cast<const wchar_t**>(buffer) = StablePointerCopy(text).c_str();
    return static_cast<int>(text.size());
  }
  if (bufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = std::min(text.size(), static_cast<size_t>(bufferMax) - 1);
  text.copy(buffer, n);
  buffer[n] = 0;
  if (text.empty()) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return static_cast<int>(n);
}

extern "C" BOOL KvRegisterString(HMODULE module, UINT id, LPCWSTR text) {
  if (!text || id > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::array<std::wstring, kStringsPerBlock> strings;
  ResourceBytes found;
  if (FindResourceBytes(module, BlockName(id), RT_STRING, found)) strings = DecodeBlock(*found.bytes);
  strings[id % kStringsPerBlock] = text;
  std::vector<BYTE> block;
  for (const std::wstring& s : strings) {
    size_t units = kavro::platform::KvUtf16Length(s.data(), s.size());
    if (units > 0xFFFF) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    size_t at = block.size();
    block.resize(at + 2 + units * 2);
    block[at] = static_cast<BYTE>(units & 0xFF);
    block[at + 1] = static_cast<BYTE>(units >> 8);
    kavro::platform::KvToUtf16LE(s.data(), s.size(), block.data() + at + 2);
  }
  return KvRegisterResource(module, RT_STRING, BlockName(id), block.data(),
                            static_cast<DWORD>(block.size()));
}

namespace kavro::platform {

bool LoadStringResource(HINSTANCE instance, UINT id, std::wstring& out) {
  HINSTANCE module = instance ? instance : AfxFindResourceHandle(BlockName(id), RT_STRING);
  ResourceBytes found;
  if (!FindResourceBytes(module, BlockName(id), RT_STRING, found)) return false;
  std::wstring text = DecodeBlock(*found.bytes)[id % kStringsPerBlock];
  if (text.empty()) return false;
  out = std::move(text);
  return true;
}

}  // namespace kavro::platform
