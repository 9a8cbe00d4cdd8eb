// The records of a written archive read straight from its bytes, so that a
// test can check what the peers do not show: local headers, data
// descriptors, extra fields and the end record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/zip/zip_peer_tools.h"

namespace kavro::test {

struct RawEntry {
  uint16_t madeBy = 0, flags = 0, method = 0;
  uint32_t dosDateTime = 0, crc = 0, compressed = 0, size = 0, external = 0, offset = 0;
  std::string name, extra;
  // The local header at `offset`.
  uint16_t localFlags = 0, localMethod = 0;
  uint32_t localCrc = 0, localCompressed = 0, localSize = 0;
  std::string localName, localExtra;
  size_t dataStart = 0;
};

struct RawArchive {
  bool ok = false;
  uint16_t count = 0;
  uint32_t directorySize = 0, directoryOffset = 0;
  std::vector<RawEntry> entries;
};

// Reads an archive without a comment (its end record in the last 22 bytes).
inline RawArchive ParseArchive(const std::string& b) {
  RawArchive a;
  if (b.size() < 22) return a;
  const size_t end = b.size() - 22;
  if (Le32(b, end) != 0x06054B50) return a;
  a.count = Le16(b, end + 10);
  a.directorySize = Le32(b, end + 12);
  a.directoryOffset = Le32(b, end + 16);
  size_t p = a.directoryOffset;
  for (int i = 0; i < a.count; ++i) {
    if (p + 46 > b.size() || Le32(b, p) != 0x02014B50) return a;
    RawEntry e;
    e.madeBy = Le16(b, p + 4);
    e.flags = Le16(b, p + 8);
    e.method = Le16(b, p + 10);
    e.dosDateTime = Le32(b, p + 12);
    e.crc = Le32(b, p + 16);
    e.compressed = Le32(b, p + 20);
    e.size = Le32(b, p + 24);
    const uint16_t nameLength = Le16(b, p + 28), extraLength = Le16(b, p + 30);
    const uint16_t commentLength = Le16(b, p + 32);
    e.external = Le32(b, p + 38);
    e.offset = Le32(b, p + 42);
    e.name = b.substr(p + 46, nameLength);
    e.extra = b.substr(p + 46 + nameLength, extraLength);
    p += 46 + nameLength + extraLength + commentLength;
    const size_t l = e.offset;
    if (l + 30 > b.size() || Le32(b, l) != 0x04034B50) return a;
    e.localFlags = Le16(b, l + 6);
    e.localMethod = Le16(b, l + 8);
    e.localCrc = Le32(b, l + 14);
    e.localCompressed = Le32(b, l + 18);
    e.localSize = Le32(b, l + 22);
    const uint16_t localName = Le16(b, l + 26), localExtra = Le16(b, l + 28);
    e.localName = b.substr(l + 30, localName);
    e.localExtra = b.substr(l + 30 + localName, localExtra);
    e.dataStart = l + 30 + localName + localExtra;
    a.entries.push_back(e);
  }
  a.ok = p == a.directoryOffset + a.directorySize && p == end;
  return a;
}

// A "UT" block: tag, size, flags 7 and the given times, little-endian.
inline std::string UtBlock(std::vector<int64_t> times) {
  std::string out = "UT";
  const uint16_t size = static_cast<uint16_t>(1 + 4 * times.size());
  out += static_cast<char>(size & 0xFF);
  out += static_cast<char>(size >> 8);
  out += '\x07';
  for (int64_t t : times) {
    const uint32_t v = static_cast<uint32_t>(t);
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return out;
}

}  // namespace kavro::test
