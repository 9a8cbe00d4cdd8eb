// Finding the version resource in the bytes of a PE32 or PE32+ file: the
// headers, the section table and the resource directory, each read where it
// lies and checked against the file's size, so that a large executable is
// never read whole and a damaged one never leads a read astray.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

// Random access to the bytes of a file (or of a buffer, for tests and the
// fuzzer).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `size` bytes at `offset`; false when they are not all there.
  virtual bool Read(uint64_t offset, void* buffer, size_t size) const = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const BYTE*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) const override;

 private:
  const BYTE* data_;
  size_t size_;
};

// The version resource (RT_VERSION, name 1 or else the first name, the
// neutral language or else US English or else the first one) as stored,
// at most 65,535 bytes (what its header's 16-bit length can span). Returns
// 0 or the Win32 error: ERROR_RESOURCE_DATA_NOT_FOUND when the bytes are no
// PE file, are damaged or hold no resources, ERROR_RESOURCE_TYPE_NOT_FOUND
// when the resources hold no version resource.
DWORD FindVersionResource(const ByteSource& file, std::vector<BYTE>& resource);

}  // namespace kavro::platform::detail
