// Readers of the archives the library writes, run as real child processes:
// Python's zipfile (names, methods, flags, sizes, CRC, attributes, times,
// extra fields and contents) and Info-ZIP's `unzip -t`.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kavro::test {

// The program's path from $PATH, or "" when it is not installed.
inline std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = std::string("/usr/bin:") + (path != nullptr ? path : "");
  std::stringstream split(dirs);
  for (std::string dir; std::getline(split, dir, ':');) {
    const std::string candidate = dir + "/" + name;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// One entry as Python's zipfile reads it.
struct PeerEntry {
  std::string name;     // as decoded by zipfile (UTF-8 when bit 11 is set)
  int method = -1;
  int flags = -1;
  uint64_t size = 0;
  uint64_t compressed = 0;
  uint32_t crc = 0;
  uint32_t external = 0;
  std::string dateTime;    // "Y-M-D h:m:s" of the DOS fields
  std::string extraHex;    // the central extra field
  std::string content;     // read through zipfile (which checks the CRC)
};

inline std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

inline std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// Lists the archive at `path` with zipfile; false (and the output in
// `error`) when Python cannot read it or an entry's content fails its CRC.
inline bool PythonList(const std::string& path, std::vector<PeerEntry>& entries, std::string& error) {
  static const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        data = z.read(i)
        print('\t'.join([i.filename.encode('utf-8').hex(), str(i.compress_type), str(i.flag_bits),
              str(i.file_size), str(i.compress_size), '%08x' % i.CRC, '%08x' % i.external_attr,
              '%d-%d-%d %d:%d:%d' % i.date_time, i.extra.hex(), data.hex()]))
)";
  const std::string python = FindProgram("python3");
  ProcessResult run = Run({python, "-c", script, path});
  entries.clear();
  if (run.exitCode != 0) {
    error = run.output;
    return false;
  }
  std::stringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
    while (f.size() < 10) f.push_back("");
    PeerEntry e;
    e.name = Unhex(f[0]);
    e.method = std::stoi(f[1]);
    e.flags = std::stoi(f[2]);
    e.size = std::stoull(f[3]);
    e.compressed = std::stoull(f[4]);
    e.crc = static_cast<uint32_t>(std::stoul(f[5], nullptr, 16));
    e.external = static_cast<uint32_t>(std::stoul(f[6], nullptr, 16));
    e.dateTime = f[7];
    e.extraHex = f[8];
    e.content = Unhex(f[9]);
    entries.push_back(e);
  }
  return true;
}

// True when `unzip -t` finds no error in the archive.
inline bool UnzipTestPasses(const std::string& path, std::string& output) {
  ProcessResult run = Run({FindProgram("unzip"), "-t", path});
  output = run.output;
  return run.exitCode == 0;
}

inline uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               (static_cast<unsigned char>(b[at + 1]) << 8));
}

inline uint32_t Le32(const std::string& b, size_t at) {
  return uint32_t(Le16(b, at)) | (uint32_t(Le16(b, at + 2)) << 16);
}

}  // namespace kavro::test
