// File and memory archive sources.
#include "files/zip/unzip_source_internal.h"

#include <cstring>

namespace kavro::zip {
namespace {

class HandleSource : public ArchiveSource {
 public:
  HandleSource(HANDLE file, uint64_t start, uint64_t end) : file_(file) {
    start_ = start;
    end_ = end;
  }
  ~HandleSource() override { CloseHandle(file_); }

  bool ReadAt(uint64_t position, void* buffer, size_t length) override {
    if (position > end_ || length > end_ - position) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return false;
    char* out = static_cast<char*>(buffer);
    while (length > 0) {
      const DWORD want = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
      DWORD got = 0;
      if (!ReadFile(file_, out, want, &got, nullptr) || got == 0) return false;
      out += got;
      length -= got;
    }
    return true;
  }

 private:
  HANDLE file_;
};

class MemorySource : public ArchiveSource {
 public:
  MemorySource(const void* base, size_t length) : base_(static_cast<const unsigned char*>(base)) {
    end_ = length;
  }

  bool ReadAt(uint64_t position, void* buffer, size_t length) override {
    if (position > end_ || length > end_ - position) return false;
    if (length) std::memcpy(buffer, base_ + position, length);
    return true;
  }

 private:
  const unsigned char* base_;
};

// The owned handle's position and size, as the archive's start and end.
ZIPRESULT WrapHandle(HANDLE owned, std::unique_ptr<ArchiveSource>& out) {
  LARGE_INTEGER zero, position, size;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(owned, zero, &position, FILE_CURRENT) || !GetFileSizeEx(owned, &size)) {
    CloseHandle(owned);
    return ZRES_READ;
  }
  const uint64_t end = static_cast<uint64_t>(size.QuadPart);
  uint64_t start = static_cast<uint64_t>(position.QuadPart);
  if (start > end) start = end;  // past the end: an empty archive, refused later
  out = std::make_unique<HandleSource>(owned, start, end);
  return ZRES_SUCCESS;
}

}  // namespace

ZIPRESULT ArchiveSource::OpenHandle(HANDLE handle, std::unique_ptr<ArchiveSource>& out) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return ZRES_SEEK;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return ZRES_NO_DUPLICATE;
  return WrapHandle(copy, out);
}

ZIPRESULT ArchiveSource::OpenName(const wchar_t* name, std::unique_ptr<ArchiveSource>& out) {
  HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ZRES_NO_FILE;
  return WrapHandle(file, out);
}

std::unique_ptr<ArchiveSource> ArchiveSource::OpenMemory(const void* base, size_t length) {
  return std::make_unique<MemorySource>(base, length);
}

}  // namespace kavro::zip
