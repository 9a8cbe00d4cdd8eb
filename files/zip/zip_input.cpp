// Opening an entry's source and reading its attributes, times and bytes.
#include "files/zip/zip_input_internal.h"

#include <algorithm>
#include <cstring>

#include "files/zip/zip_times_internal.h"

namespace kavro::zip {
namespace {

constexpr uint32_t kUnixFolderOwnerRead = 0x41000000;
constexpr uint32_t kUnixFileOwnerRead = 0x81000000;
constexpr uint32_t kUnixOwnerWrite = 0x00800000;
constexpr uint32_t kUnixOwnerExecute = 0x00400000;
constexpr uint32_t kStreamAttributes = 0x80000000;
constexpr uint32_t kFolderEntryAttributes = 0x41C00010;
constexpr DWORD kDosAttributeBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                    FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

EntryInput::~EntryInput() {
  if (ownsHandle_) CloseHandle(handle_);
}

ZIPRESULT EntryInput::Open(void* source, unsigned int length, DWORD flags) {
  const FILETIME now = NowUtc();
  mtime_ = atime_ = ctime_ = now;
  switch (flags) {
    case ZIPKIND_FILENAME: {
      if (source == nullptr) return ZRES_ARGS;
      HANDLE file = CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
      if (file == INVALID_HANDLE_VALUE) return ZRES_NO_FILE;
      handle_ = file;
      ownsHandle_ = true;
      return OpenDiskFile(file, false);
    }
    case ZIPKIND_HANDLE: {
      HANDLE handle = static_cast<HANDLE>(source);
      if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ZRES_ARGS;
      const DWORD type = GetFileType(handle);
      if (type == FILE_TYPE_UNKNOWN) return ZRES_ARGS;
      handle_ = handle;
      if (type == FILE_TYPE_DISK) return OpenDiskFile(handle, true);
      external_ = kStreamAttributes;
      size_ = length != 0 ? int64_t(length) : -1;
      return ZRES_SUCCESS;
    }
    case ZIPKIND_MEMORY:
      if (source == nullptr || length == 0) return ZRES_ARGS;
      memory_ = static_cast<const unsigned char*>(source);
      memoryLeft_ = length;
      external_ = kStreamAttributes;
      size_ = length;
      return ZRES_SUCCESS;
    case ZIPKIND_FOLDER:
      folder_ = true;
      external_ = kFolderEntryAttributes;
      size_ = 0;
      return ZRES_SUCCESS;
    default:
      return ZRES_ARGS;
  }
}

// A handle of the caller's is read from its start whatever its position.
ZIPRESULT EntryInput::OpenDiskFile(HANDLE handle, bool rewind) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return ZRES_NO_FILE;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (rewind && !SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN)) return ZRES_NO_FILE;
  diskFile_ = true;
  const DWORD attributes = info.dwFileAttributes;
  const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  uint32_t external = attributes & kDosAttributeBits;
  external |= isFolder ? kUnixFolderOwnerRead : kUnixFileOwnerRead;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) external |= kUnixOwnerWrite;
  if (!isFolder && HasExecutePermission(handle)) external |= kUnixOwnerExecute;
  external_ = external;
  size_ = int64_t((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  mtime_ = info.ftLastWriteTime;
  atime_ = info.ftLastAccessTime;
  ctime_ = info.ftCreationTime;
  return ZRES_SUCCESS;
}

bool EntryInput::Read(unsigned char* buffer, size_t capacity, size_t& got) {
  got = 0;
  if (folder_) return true;
  if (memory_ != nullptr) {
    got = std::min(capacity, memoryLeft_);
    std::memcpy(buffer, memory_, got);
    memory_ += got;
    memoryLeft_ -= got;
    return true;
  }
  if (ended_) return true;
  DWORD read = 0;
  const DWORD ask = static_cast<DWORD>(std::min<size_t>(capacity, 1u << 30));
  if (!ReadFile(handle_, buffer, ask, &read, nullptr)) {
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF;
  }
  got = read;
  // A disk file delivers less than asked only at its end (as on Windows).
  if (diskFile_ && read < ask) ended_ = true;
  return true;
}

}  // namespace kavro::zip
