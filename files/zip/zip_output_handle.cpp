// The file-handle output of an archive being written.
#include <algorithm>
#include <cstring>
#include <vector>

#include "files/zip/zip_output_internal.h"

namespace kavro::zip {
namespace {

constexpr size_t kBufferSize = 1 << 20;

class HandleOutput final : public ZipOutput {
 public:
  HandleOutput(HANDLE handle, bool seekable, uint64_t start) : handle_(handle) {
    seekable_ = seekable;
    start_ = start;
    buffer_.resize(kBufferSize);
  }
  ~HandleOutput() override {
    Flush();
    CloseHandle(handle_);
  }

  uint64_t written() const override { return base_ + used_; }

  ZIPRESULT Write(const void* data, size_t size) override {
    auto bytes = static_cast<const unsigned char*>(data);
    if (used_ == 0 && size >= buffer_.size()) {
      if (!WriteAll(bytes, size)) return ZRES_WRITE;
      base_ += size;
      return ZRES_SUCCESS;
    }
    while (size != 0) {
      const size_t n = std::min(size, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, bytes, n);
      used_ += n;
      bytes += n;
      size -= n;
      if (used_ == buffer_.size()) {
        ZIPRESULT r = Flush();
        if (r != ZRES_SUCCESS) return r;
      }
    }
    return ZRES_SUCCESS;
  }

  ZIPRESULT Rewrite(uint64_t offset, const void* data, size_t size) override {
    auto bytes = static_cast<const unsigned char*>(data);
    if (offset + size > base_) {  // the part still in the buffer
      const uint64_t from = std::max(offset, base_);
      std::memcpy(buffer_.data() + (from - base_), bytes + (from - offset), offset + size - from);
      size = from > offset ? static_cast<size_t>(from - offset) : 0;
    }
    if (size == 0) return ZRES_SUCCESS;
    if (!SeekTo(start_ + offset)) return ZRES_SEEK;
    const bool ok = WriteAll(bytes, size);
    if (!SeekTo(start_ + base_)) return ZRES_SEEK;
    return ok ? ZRES_SUCCESS : ZRES_WRITE;
  }

  ZIPRESULT Truncate(uint64_t offset) override {
    if (offset >= base_) {
      used_ = static_cast<size_t>(offset - base_);
      return ZRES_SUCCESS;
    }
    used_ = 0;
    if (!SeekTo(start_ + offset)) return ZRES_SEEK;
    base_ = offset;
    return SetEndOfFile(handle_) ? ZRES_SUCCESS : ZRES_WRITE;
  }

  ZIPRESULT Flush() override {
    if (used_ == 0) return ZRES_SUCCESS;
    const bool ok = WriteAll(buffer_.data(), used_);
    base_ += used_;
    used_ = 0;
    return ok ? ZRES_SUCCESS : ZRES_WRITE;
  }

 private:
  bool WriteAll(const unsigned char* bytes, size_t size) {
    while (size != 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD done = 0;
      if (!WriteFile(handle_, bytes, chunk, &done, nullptr) || done == 0) return false;
      bytes += done;
      size -= done;
    }
    return true;
  }

  bool SeekTo(uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != FALSE;
  }

  HANDLE handle_;
  std::vector<unsigned char> buffer_;
  uint64_t base_ = 0;  // offset of buffer_[0]
  size_t used_ = 0;
};

}  // namespace

std::unique_ptr<ZipOutput> MakeHandleOutput(HANDLE owned, ZIPRESULT& error) {
  const bool disk = GetFileType(owned) == FILE_TYPE_DISK;
  uint64_t start = 0;
  if (disk) {
    LARGE_INTEGER zero, here;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(owned, zero, &here, FILE_CURRENT)) {
      CloseHandle(owned);
      error = ZRES_SEEK;
      return nullptr;
    }
    start = static_cast<uint64_t>(here.QuadPart);
  }
  error = ZRES_SUCCESS;
  return std::make_unique<HandleOutput>(owned, disk, start);
}

}  // namespace kavro::zip
