// The memory output of an archive being written: the caller's block, or a
// block of the output's own that doubles when the archive outgrows it.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "files/zip/zip_output_internal.h"

namespace kavro::zip {
namespace {

class MemoryOutput final : public ZipOutput {
 public:
  MemoryOutput(unsigned char* block, uint64_t capacity, bool owned)
      : block_(block), capacity_(capacity), owned_(owned) {
    seekable_ = true;
  }
  ~MemoryOutput() override {
    if (owned_) std::free(block_);
  }

  uint64_t written() const override { return position_; }

  ZIPRESULT Write(const void* data, size_t size) override {
    if (size == 0) return ZRES_SUCCESS;  // an empty record may come with no buffer
    // The block never fills to its last byte: a write that would reach its
    // end moves the archive into a larger block first.
    if (position_ + size >= capacity_ && !Grow(std::max(2 * capacity_, position_ + size))) {
      return ZRES_WRITE;
    }
    std::memcpy(block_ + position_, data, size);
    position_ += size;
    return ZRES_SUCCESS;
  }

  ZIPRESULT Rewrite(uint64_t offset, const void* data, size_t size) override {
    if (offset + size > position_) return ZRES_MEM_SIZE;
    if (size == 0) return ZRES_SUCCESS;
    std::memcpy(block_ + offset, data, size);
    return ZRES_SUCCESS;
  }

  ZIPRESULT Truncate(uint64_t offset) override {
    if (offset > position_) return ZRES_MEM_SIZE;
    position_ = offset;
    return ZRES_SUCCESS;
  }

  ZIPRESULT Flush() override { return ZRES_SUCCESS; }

  bool Memory(void** base, uint64_t* length) override {
    *base = block_;
    *length = position_;
    return true;
  }

 private:
  bool Grow(uint64_t capacity) {
    if (capacity > SIZE_MAX) return false;
    unsigned char* bigger;
    if (owned_) {
      bigger = static_cast<unsigned char*>(std::realloc(block_, static_cast<size_t>(capacity)));
    } else {
      bigger = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(capacity)));
      if (bigger != nullptr) std::memcpy(bigger, block_, static_cast<size_t>(position_));
    }
    if (bigger == nullptr) return false;
    block_ = bigger;
    capacity_ = capacity;
    owned_ = true;
    return true;
  }

  unsigned char* block_;
  uint64_t capacity_;
  bool owned_;
  uint64_t position_ = 0;
};

}  // namespace

std::unique_ptr<ZipOutput> MakeMemoryOutput(void* block, uint64_t capacity, ZIPRESULT& error) {
  bool owned = false;
  if (block == nullptr) {
    block = std::malloc(static_cast<size_t>(capacity));
    if (block == nullptr) {
      error = ZRES_NO_ALLOC;
      return nullptr;
    }
    owned = true;
  }
  error = ZRES_SUCCESS;
  return std::make_unique<MemoryOutput>(static_cast<unsigned char*>(block), capacity, owned);
}

}  // namespace kavro::zip
