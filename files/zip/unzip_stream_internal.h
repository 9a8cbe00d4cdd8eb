// The content of one entry as a stream: stored bytes copied, deflated ones
// inflated (raw deflate, no zlib header), never more than the entry's
// uncompressed size, with the CRC-32 checked once all of it has been
// produced. Compressed bytes are read in pieces of at most 64 KiB, so the
// memory used does not depend on the entry's size.
//
//   EntryStream s;
//   s.Open(source, info);
//   size_t got;
//   while (s.Read(buffer, sizeof buffer, got) == StreamStatus::kOk && got) ...
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/zip/unzip_entry_internal.h"

namespace kavro::zip {

enum class StreamStatus {
  kOk,          // `got` bytes delivered; 0 means the content is complete
  kReadFailed,  // the archive could not be read
  kFlate,       // the deflate stream is faulty or ends early
  kCrc,         // the content does not match its CRC-32
};

class EntryStream {
 public:
  EntryStream() = default;
  ~EntryStream();
  EntryStream(const EntryStream&) = delete;
  EntryStream& operator=(const EntryStream&) = delete;

  // False when the inflater cannot be set up (out of memory).
  bool Open(ArchiveSource& source, const EntryInfo& entry);
  // Fills `buffer` up to `length` bytes, or as far as the content goes.
  // After a failure every call fails the same way.
  StreamStatus Read(uint8_t* buffer, size_t length, size_t& got);

 private:
  StreamStatus Inflate(uint8_t* buffer, size_t length, size_t& got);
  StreamStatus Fail(StreamStatus status) { return failed_ = status; }

  ArchiveSource* source_ = nullptr;
  uint64_t position_ = 0;        // next compressed byte to read
  uint64_t compressedLeft_ = 0;
  uint64_t uncompressedLeft_ = 0;
  uint32_t expectedCrc_ = 0;
  uint32_t crc_ = 0;
  bool deflated_ = false;
  bool inflating_ = false;      // z_ is initialised
  bool ended_ = false;          // inflate reported the end of the stream
  StreamStatus failed_ = StreamStatus::kOk;
  z_stream z_ = {};
  std::vector<uint8_t> input_;
};

}  // namespace kavro::zip
