// Entry content streams.
#include "files/zip/unzip_stream_internal.h"

#include <algorithm>

#include "files/zip/zip_format_internal.h"

namespace kavro::zip {
namespace {
constexpr size_t kInputChunk = 65536;
}  // namespace

EntryStream::~EntryStream() {
  if (inflating_) inflateEnd(&z_);
}

bool EntryStream::Open(ArchiveSource& source, const EntryInfo& entry) {
  source_ = &source;
  position_ = entry.dataPosition;
  compressedLeft_ = entry.compSize;
  uncompressedLeft_ = entry.uncSize;
  expectedCrc_ = entry.crc;
  crc_ = crc32(0L, Z_NULL, 0);
  deflated_ = entry.method == format::kDeflated;
  if (!deflated_) return true;
  input_.resize(kInputChunk);
  z_ = z_stream{};
  if (inflateInit2(&z_, -MAX_WBITS) != Z_OK) return false;
  inflating_ = true;
  return true;
}

StreamStatus EntryStream::Read(uint8_t* buffer, size_t length, size_t& got) {
  got = 0;
  if (failed_ != StreamStatus::kOk) return failed_;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(length, uncompressedLeft_));
  if (want > 0) {
    if (deflated_) {
      if (StreamStatus s = Inflate(buffer, want, got); s != StreamStatus::kOk) return Fail(s);
    } else {
      if (!source_->ReadAt(position_, buffer, want)) return Fail(StreamStatus::kReadFailed);
      position_ += want;
      got = want;
    }
    // crc32 takes a 32-bit length; `want` may be larger on 64-bit builds.
    for (size_t done = 0; done < got;) {
      const uInt piece = static_cast<uInt>(std::min<size_t>(got - done, 1u << 30));
      crc_ = crc32(crc_, buffer + done, piece);
      done += piece;
    }
    uncompressedLeft_ -= got;
  }
  if (uncompressedLeft_ == 0 && crc_ != expectedCrc_) return Fail(StreamStatus::kCrc);
  return StreamStatus::kOk;
}

StreamStatus EntryStream::Inflate(uint8_t* buffer, size_t length, size_t& got) {
  while (got < length) {
    if (ended_) return StreamStatus::kFlate;  // ended before the announced size
    if (z_.avail_in == 0 && compressedLeft_ > 0) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(compressedLeft_, kInputChunk));
      if (!source_->ReadAt(position_, input_.data(), piece)) return StreamStatus::kReadFailed;
      position_ += piece;
      compressedLeft_ -= piece;
      z_.next_in = input_.data();
      z_.avail_in = static_cast<uInt>(piece);
    }
    const size_t room = std::min<size_t>(length - got, 1u << 30);
    z_.next_out = buffer + got;
    z_.avail_out = static_cast<uInt>(room);
    const uInt inBefore = z_.avail_in;
    const int r = inflate(&z_, Z_NO_FLUSH);
    const size_t produced = room - z_.avail_out;
    got += produced;
    if (r == Z_STREAM_END) {
      ended_ = true;
    } else if (r != Z_OK && r != Z_BUF_ERROR) {
      return StreamStatus::kFlate;
    } else if (produced == 0 && z_.avail_in == inBefore) {
      return StreamStatus::kFlate;  // no progress: the compressed data ran out
    }
  }
  return StreamStatus::kOk;
}

}  // namespace kavro::zip
