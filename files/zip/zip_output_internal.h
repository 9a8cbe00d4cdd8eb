// Where an archive being written goes: a file handle (a disk file, which can
// seek, or a pipe or the like, which cannot) or memory (the caller's block,
// or a block of the writer's own that grows as needed).
//
// Offsets are counted from the archive start (the handle's position when the
// archive was created; 0 for memory). A handle output gathers small writes
// in a buffer of its own, so headers still in the buffer are patched there
// without a seek. Every call returns ZRES_SUCCESS or the failure's code
// (ZRES_WRITE, ZRES_SEEK, ZRES_MEM_SIZE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "KavroStd/files.h"

namespace kavro::zip {

class ZipOutput {
 public:
  virtual ~ZipOutput() = default;

  bool seekable() const { return seekable_; }
  // The archive start as an offset of the output (for recorded offsets).
  uint64_t start() const { return start_; }
  // Bytes written so far, from the archive start.
  virtual uint64_t written() const = 0;

  virtual ZIPRESULT Write(const void* data, size_t size) = 0;
  // Overwrites bytes already written at `offset` (offset + size <= written);
  // the next Write still appends at the end. Seekable outputs only.
  virtual ZIPRESULT Rewrite(uint64_t offset, const void* data, size_t size) = 0;
  // Drops everything from `offset` on. Seekable outputs only.
  virtual ZIPRESULT Truncate(uint64_t offset) = 0;
  // Sends buffered bytes on; releases nothing.
  virtual ZIPRESULT Flush() = 0;
  // The archive in memory: false for a handle output.
  virtual bool Memory(void** base, uint64_t* length) {
    (void)base;
    (void)length;
    return false;
  }

 protected:
  bool seekable_ = false;
  uint64_t start_ = 0;
};

// A handle the output owns and closes; seekable when it is a disk file,
// the archive then starting at its current position.
std::unique_ptr<ZipOutput> MakeHandleOutput(HANDLE owned, ZIPRESULT& error);
// `block` null: a block of the output's own of `capacity` bytes (null with
// ZRES_NO_ALLOC when it cannot be had). Otherwise the caller's block, left
// for a block of the output's own once the archive outgrows it.
std::unique_ptr<ZipOutput> MakeMemoryOutput(void* block, uint64_t capacity, ZIPRESULT& error);

}  // namespace kavro::zip
