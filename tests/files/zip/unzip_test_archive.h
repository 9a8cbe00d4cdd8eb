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
};

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
    Put32(body, comp);
    Put32(body, unc);
    Put16(body, static_cast<uint32_t>(e.name.size()));
    Put16(body, static_cast<uint32_t>(e.localExtra.size()));
    body += e.name + e.localExtra + data;

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
    Put32(central, offset);
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

}  // namespace kavro::test::unzip
