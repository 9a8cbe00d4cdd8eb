// A small zip builder for the reader's tests: writes local headers,
// central headers and the end record byte for byte, so that a test can
// set every field (methods, flags, attributes, CRCs, extra blocks) and
// damage exactly the one it is about.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kavro::test::unzip {

inline void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}

// Raw deflate (no zlib header) of `data`.
inline std::string Deflate(const std::string& data) {
  z_stream z = {};
  deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// A "UT" block with the times whose flag bits are set (modified, accessed,
// created).
inline std::string TimestampBlock(uint8_t flags, const std::vector<int32_t>& times) {
  std::string block;
  Put16(block, 0x5455);
  Put16(block, static_cast<uint32_t>(1 + 4 * times.size()));
  block += static_cast<char>(flags);
  for (int32_t t : times) Put32(block, static_cast<uint32_t>(t));
  return block;
}

struct Entry {
  Entry(std::string entryName, std::string entryContent, uint16_t entryMethod = 8)
      : name(std::move(entryName)), content(std::move(entryContent)), method(entryMethod) {}

  std::string name;
  std::string content;
  uint16_t method = 8;       // 0 stored, 8 deflated
  uint16_t flags = 0;
  uint32_t dosDateTime = 0x58A26000;  // 2024-05-02 12:00:00
  uint32_t externalAttr = 0x81A40000;  // regular file, mode 644
  std::string localExtra;
  std::string centralExtra;
  // Values written instead of the computed ones, when set.
  int64_t crc = -1;
  int64_t compSize = -1;
  int64_t uncSize = -1;
  std::string data;  // raw data instead of the stored/deflated content
  bool useData = false;
  // Local header sizes and the central local offset written instead of
  // the computed ones, when set; bytes written after the data (a data
  // descriptor).
  int64_t localCompSize = -1;
  int64_t localUncSize = -1;
  int64_t localOffset = -1;
  std::string afterData;
};

// A zip64 extra block (tag 0x0001) holding `values` as 8-byte numbers and,
// when `disk` is set, a 4-byte disk number after them.
inline std::string Zip64Block(const std::vector<uint64_t>& values, int64_t disk = -1) {
  std::string block;
  Put16(block, 0x0001);
  Put16(block, static_cast<uint32_t>(8 * values.size() + (disk >= 0 ? 4 : 0)));
  for (uint64_t v : values) Put64(block, v);
  if (disk >= 0) Put32(block, static_cast<uint32_t>(disk));
  return block;
}

// The archive of `entries`, with `prefix` in front (offsets are then
// relative to the archive, as a stub in front of an archive leaves them).
inline std::string Build(const std::vector<Entry>& entries, const std::string& prefix = "",
                         const std::string& comment = "") {
  std::string body, central;
  for (const Entry& e : entries) {
    const std::string data =
        e.useData ? e.data : (e.method == 8 ? Deflate(e.content) : e.content);
    const uint32_t crc = e.crc >= 0 ? static_cast<uint32_t>(e.crc) : Crc(e.content);
    const uint32_t comp = e.compSize >= 0 ? static_cast<uint32_t>(e.compSize)
                                          : static_cast<uint32_t>(data.size());
    const uint32_t unc = e.uncSize >= 0 ? static_cast<uint32_t>(e.uncSize)
                                        : static_cast<uint32_t>(e.content.size());
    const uint32_t offset = static_cast<uint32_t>(body.size());
    Put32(body, 0x04034B50);
    Put16(body, 20);
    Put16(body, e.flags);
    Put16(body, e.method);
    Put32(body, e.dosDateTime);
    Put32(body, crc);
    Put32(body, e.localCompSize >= 0 ? static_cast<uint32_t>(e.localCompSize) : comp);
    Put32(body, e.localUncSize >= 0 ? static_cast<uint32_t>(e.localUncSize) : unc);
    Put16(body, static_cast<uint32_t>(e.name.size()));
    Put16(body, static_cast<uint32_t>(e.localExtra.size()));
    body += e.name + e.localExtra + data + e.afterData;

    Put32(central, 0x02014B50);
    Put16(central, 0x031E);
    Put16(central, 20);
    Put16(central, e.flags);
    Put16(central, e.method);
    Put32(central, e.dosDateTime);
    Put32(central, crc);
    Put32(central, comp);
    Put32(central, unc);
    Put16(central, static_cast<uint32_t>(e.name.size()));
    Put16(central, static_cast<uint32_t>(e.centralExtra.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, e.externalAttr);
    Put32(central, e.localOffset >= 0 ? static_cast<uint32_t>(e.localOffset) : offset);
    central += e.name + e.centralExtra;
  }
  std::string end;
  Put32(end, 0x06054B50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint32_t>(entries.size()));
  Put16(end, static_cast<uint32_t>(entries.size()));
  Put32(end, static_cast<uint32_t>(central.size()));
  Put32(end, static_cast<uint32_t>(body.size()));
  Put16(end, static_cast<uint32_t>(comment.size()));
  return prefix + body + central + end + comment;
}

// How WithZip64End writes the zip64 end record, its locator and the end
// record; values left at -1 are the true ones.
struct Zip64End {
  int64_t entries = -1;          // both counts of the zip64 record
  int64_t locatorOffset = -1;    // where the locator says the record is
  uint32_t locatorDisks = 1;
  uint32_t recordDisk = 0;
  std::string extensible;        // data after the record's fixed part
  bool classicMarkers = true;    // all ones in the classic counts, size, offset
};

// `archive` (built without comment or prefix) with its end record moved
// behind a zip64 end record and locator; the directory is unchanged.
inline std::string WithZip64End(const std::string& archive, const Zip64End& z = {}) {
  const size_t end = archive.size() - 22;
  const auto le16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(archive[at]) |
                                 (static_cast<unsigned char>(archive[at + 1]) << 8));
  };
  const uint32_t count = le16(end + 10);
  const uint32_t size = le16(end + 12) | (le16(end + 14) << 16);
  const uint32_t offset = le16(end + 16) | (le16(end + 18) << 16);
  const uint64_t entries = z.entries >= 0 ? static_cast<uint64_t>(z.entries) : count;
  std::string out = archive.substr(0, end);
  Put32(out, 0x06064B50);
  Put64(out, 44 + z.extensible.size());
  Put16(out, 45);
  Put16(out, 45);
  Put32(out, z.recordDisk);
  Put32(out, 0);
  Put64(out, entries);
  Put64(out, entries);
  Put64(out, size);
  Put64(out, offset);
  out += z.extensible;
  Put32(out, 0x07064B50);
  Put32(out, 0);
  Put64(out, z.locatorOffset >= 0 ? static_cast<uint64_t>(z.locatorOffset) : end);
  Put32(out, z.locatorDisks);
  if (!z.classicMarkers) return out + archive.substr(end);
  Put32(out, 0x06054B50);
  Put32(out, 0);
  Put32(out, 0xFFFFFFFF);
  Put32(out, 0xFFFFFFFF);
  Put32(out, 0xFFFFFFFF);
  Put16(out, 0);
  return out;
}

}  // namespace kavro::test::unzip
