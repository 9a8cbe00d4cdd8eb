// The version block and VerQueryValueW. A block is a tree of nodes:
//   WORD wLength, wValueLength, wType; the key (UTF-16, zero-terminated);
//   padding to 4 bytes; the value (wValueLength characters for a text
//   (wType 1), bytes otherwise); padding; the child nodes to wLength.
// Offsets are taken from the block's start. Every node is clipped to its
// parent and every value to its node, and each step moves forward by at
// least a header, so no block makes a query read outside it or loop.
#include <algorithm>
#include <cstring>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/winver.h"
#include "platform/strings/utf16_internal.h"
#include "platform/version/version_block_internal.h"

namespace kavro::platform::detail {
namespace {

constexpr size_t kHeader = 6;
constexpr BYTE kTag[4] = {'K', 'v', 'W', '4'};  // the conversion room follows
const char16_t kRootKey[] = u"VS_VERSION_INFO";

uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }

struct Node {
  size_t start = 0, end = 0;     // the node's bytes
  size_t keyStart = 0, keyUnits = 0;
  size_t value = 0, valueBytes = 0;
  size_t children = 0;
  uint16_t valueLength = 0, type = 0;
};

// Reads the node at `start`, clipped to `limit`; false when its header does
// not fit, its length is below the header's or its key has no terminator.
bool ReadNode(const BYTE* block, size_t start, size_t limit, Node& node) {
  if (start > limit || limit - start < kHeader) return false;
  const size_t length = Le16(block + start);
  if (length < kHeader) return false;
  node.start = start;
  node.end = std::min(start + length, limit);
  node.valueLength = Le16(block + start + 2);
  node.type = Le16(block + start + 4);
  node.keyStart = start + kHeader;
  size_t at = node.keyStart;
  while (at + 2 <= node.end && Le16(block + at) != 0) at += 2;
  if (at + 2 > node.end) return false;
  node.keyUnits = (at - node.keyStart) / 2;
  node.value = std::min(Align4(at + 2), node.end);
  const size_t wanted = node.type == 1 ? size_t(node.valueLength) * 2 : node.valueLength;
  node.valueBytes = std::min(wanted, node.end - node.value);
  node.children = std::min(Align4(node.value + node.valueBytes), node.end);
  return true;
}

bool KeyIs(const BYTE* block, const Node& node, const wchar_t* name, size_t length) {
  if (node.keyUnits != length) return false;
  for (size_t i = 0; i < length; ++i) {
    const wchar_t unit = Le16(block + node.keyStart + 2 * i);
    if (unit != name[i] && ToUpper(unit) != ToUpper(name[i])) return false;
  }
  return true;
}

// The child of `parent` with the given key.
bool FindChild(const BYTE* block, const Node& parent, const wchar_t* name, size_t length, Node& found) {
  size_t at = parent.children;
  Node child;
  while (ReadNode(block, at, parent.end, child)) {
    if (KeyIs(block, child, name, length)) {
      found = child;
      return true;
    }
    at = Align4(child.start + std::max<size_t>(child.end - child.start, kHeader));
  }
  return false;
}

// Writes the wchar_t form of the UTF-16 text at `value` (up to its first
// zero or the value's end), terminated, into `room` and returns its length
// with the terminator.
UINT WidenText(const BYTE* block, const Node& node, BYTE* room) {
  size_t units = 0;
  while (units < node.valueBytes / 2 && Le16(block + node.value + 2 * units) != 0) ++units;
  std::wstring text;
  KvAppendFromUtf16LE(block + node.value, units, text);
  std::memcpy(room, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return static_cast<UINT>(text.size() + 1);
}

}  // namespace

DWORD VersionBlockSize(const std::vector<BYTE>& resource, DWORD& error) {
  const size_t keyBytes = sizeof kRootKey;  // with the terminator
  if (resource.size() < kHeader + keyBytes || Le16(resource.data()) < kHeader + keyBytes) {
    error = ERROR_INVALID_DATA;
    return 0;
  }
  for (size_t i = 0; i < keyBytes / 2; ++i) {
    if (Le16(resource.data() + kHeader + 2 * i) != kRootKey[i]) {
      error = ERROR_INVALID_DATA;
      return 0;
    }
  }
  const size_t raw = Align4(std::min<size_t>(Le16(resource.data()), resource.size()));
  // The resource, the tag, room for every text at twice its offset, and the
  // last text's terminator.
  return static_cast<DWORD>(raw + sizeof kTag + 2 * raw + sizeof(wchar_t));
}

void WriteVersionBlock(const std::vector<BYTE>& resource, BYTE* out) {
  DWORD error = 0;
  const size_t total = VersionBlockSize(resource, error);
  const size_t length = std::min<size_t>(Le16(resource.data()), resource.size());
  const size_t raw = Align4(length);
  std::memset(out, 0, total);
  std::memcpy(out, resource.data(), length);
  // A length past the stored bytes is cut to them, so the block bounds itself.
  out[0] = static_cast<BYTE>(length);
  out[1] = static_cast<BYTE>(length >> 8);
  std::memcpy(out + raw, kTag, sizeof kTag);
}

}  // namespace kavro::platform::detail

using namespace kavro::platform::detail;

extern "C" BOOL VerQueryValueW(LPCVOID blockData, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  if (length) *length = 0;
  if (!blockData || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BYTE* block = static_cast<BYTE*>(const_cast<void*>(blockData));
  Node node;
  bool found = ReadNode(block, 0, Le16(block), node);
  size_t depth = 0;
  bool underStrings = false;
  for (const wchar_t* p = subBlock ? subBlock : L""; found && *p;) {
    if (*p == L'\\') {
      ++p;
      continue;
    }
    const wchar_t* end = p;
    while (*end && *end != L'\\') ++end;
    Node child;
    found = FindChild(block, node, p, end - p, child);
    if (found && ++depth == 1) underStrings = KeyIs(block, child, L"StringFileInfo", 14);
    node = child;
    p = end;
  }
  if (found && depth == 0 && node.valueBytes < sizeof(VS_FIXEDFILEINFO)) found = false;
  // Texts: the values of a string table, and any other value marked as text.
  const bool text = depth > 0 && ((node.type == 1 && node.valueBytes > 0) || (underStrings && depth == 3));
  const size_t raw = Align4(Le16(block));
  if (found && text && std::memcmp(block + raw, kTag, sizeof kTag) != 0) found = false;
  if (!found) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  if (text) {
    BYTE* room = block + raw + sizeof kTag + 2 * node.value;
    const UINT written = WidenText(block, node, room);
    *buffer = room;
    if (length) *length = written;
    return TRUE;
  }
  *buffer = block + node.value;
  if (length) *length = static_cast<UINT>(node.valueBytes);
  return TRUE;
}
