// UnzipItem: an entry's content into memory in pieces, to a handle, or to a
// file (with the folders of its path), and directory entries as folders.
#include <new>
#include <vector>

#include "files/zip/unzip_names_internal.h"
#include "files/zip/unzip_reader_internal.h"
#include "files/zip/zip_format_internal.h"

namespace kavro::zip {
namespace {

// 64 KiB pieces halve the system calls of 16 KiB ones; memory stays flat.
constexpr DWORD kCopyChunk = 65536;

// The code of a failed stream read for file and handle targets.
ZIPRESULT TargetFailure(StreamStatus status) {
  switch (status) {
    case StreamStatus::kFlate: return ZRES_FLATE;
    case StreamStatus::kCrc: return ZRES_CORRUPT;
    default: return ZRES_WRITE;
  }
}

ZIPRESULT MemoryFailure(StreamStatus status) {
  return status == StreamStatus::kCrc ? ZRES_CORRUPT : ZRES_FLATE;
}

// Entries whose content cannot be read: encrypted ones (there is no
// decryption) give ZRES_CORRUPT rather than undecrypted bytes.
bool Readable(const EntryInfo& entry) { return !(entry.flags & format::kFlagEncrypted); }

ZIPRESULT StartStream(ZipReader& reader, int index) {
  reader.EndStream();
  if (index < 0 || index >= reader.directory.count()) return ZRES_ARGS;
  const EntryInfo* entry = nullptr;
  if (ZIPRESULT r = reader.Entry(index, entry)) return r;
  std::unique_ptr<EntryStream> stream(new (std::nothrow) EntryStream);
  if (!stream) return ZRES_NO_ALLOC;
  if (!entry->IsDirectory()) {
    if (!Readable(*entry)) return ZRES_CORRUPT;
    if (!stream->Open(*reader.source, *entry)) return ZRES_NO_ALLOC;
  }
  reader.stream = std::move(stream);
  reader.streamIndex = index;
  return ZRES_SUCCESS;
}

// Copies the content to `target`; ZRES_SUCCESS or the failure's code.
ZIPRESULT CopyContent(ArchiveSource& source, const EntryInfo& entry, HANDLE target) {
  EntryStream stream;
  if (!stream.Open(source, entry)) return ZRES_NO_ALLOC;
  std::vector<uint8_t> buffer(kCopyChunk);
  for (;;) {
    size_t got = 0;
    const StreamStatus status = stream.Read(buffer.data(), buffer.size(), got);
    if (status != StreamStatus::kOk) return TargetFailure(status);
    if (got == 0) return ZRES_SUCCESS;
    DWORD written = 0;
    if (!WriteFile(target, buffer.data(), static_cast<DWORD>(got), &written, nullptr) ||
        written != got)
      return ZRES_WRITE;
  }
}

// The folder part of a target path (up to and including its last
// separator), created under the root folder when it stays inside it.
void PrepareFolders(const ZipReader& reader, const wchar_t* target) {
  const std::wstring path(target);
  const size_t last = path.find_last_of(L"/\\");
  if (last == std::wstring::npos) return;
  const std::wstring folder = path.substr(0, last + 1);
  if (StaysInside(folder)) CreateFolderChain(reader.root, folder);
}

ZIPRESULT ExtractFile(ZipReader& reader, const EntryInfo& entry, HANDLE target, bool ownTarget) {
  ZIPRESULT r = CopyContent(*reader.source, entry, target);
  if (r == ZRES_SUCCESS && GetFileType(target) == FILE_TYPE_DISK)
    SetFileTime(target, &entry.ctime, &entry.atime, &entry.mtime);
  if (ownTarget) CloseHandle(target);
  return r;
}

}  // namespace

ZIPRESULT ExtractToMemory(ZipReader& reader, int index, void* buffer, unsigned int length) {
  // Checked first: -1 is also the mark of "no stream".
  if (index < 0) {
    reader.EndStream();
    return ZRES_ARGS;
  }
  if (index != reader.streamIndex) {
    if (ZIPRESULT r = StartStream(reader, index)) return r;
  }
  if (!buffer || length == 0) {
    reader.EndStream();
    return ZRES_ARGS;
  }
  const EntryInfo* entry = nullptr;
  if (ZIPRESULT r = reader.Entry(index, entry)) {
    reader.EndStream();
    return r;
  }
  size_t got = 0;
  StreamStatus status = StreamStatus::kOk;
  if (!entry->IsDirectory()) status = reader.stream->Read(static_cast<uint8_t*>(buffer), length, got);
  if (status != StreamStatus::kOk) {
    reader.EndStream();
    return MemoryFailure(status);
  }
  if (got > 0) return ZRES_MORE;
  reader.EndStream();
  return ZRES_SUCCESS;
}

ZIPRESULT ExtractToTarget(ZipReader& reader, int index, void* target, DWORD flags) {
  if (flags != ZIPKIND_HANDLE && flags != ZIPKIND_FILENAME) return ZRES_ARGS;
  reader.EndStream();
  if (index < 0 || index >= reader.directory.count() || !target) return ZRES_ARGS;
  const EntryInfo* entry = nullptr;
  if (ZIPRESULT r = reader.Entry(index, entry)) return r;

  if (entry->IsDirectory()) {
    if (flags == ZIPKIND_HANDLE) return ZRES_SUCCESS;
    // The entry's own name makes the folders; one that would leave the
    // root folder makes none.
    const std::wstring name = WideName(*entry);
    if (!StaysInside(name)) return ZRES_ARGS;
    CreateFolderChain(reader.root, name);
    return ZRES_SUCCESS;
  }
  if (!Readable(*entry)) return ZRES_CORRUPT;
  if (flags == ZIPKIND_HANDLE) {
    HANDLE handle = static_cast<HANDLE>(target);
    if (handle == INVALID_HANDLE_VALUE) return ZRES_ARGS;
    return ExtractFile(reader, *entry, handle, false);
  }
  const wchar_t* path = static_cast<const wchar_t*>(target);
  // The entry's own name is text from the archive, not a place the caller
  // chose: it may only name a file below the current folder.
  if (IsOwnName(*entry, path) && !StaysInside(path)) return ZRES_ARGS;
  PrepareFolders(reader, path);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, entry->attr, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ZRES_NO_FILE;
  return ExtractFile(reader, *entry, file, true);
}

}  // namespace kavro::zip
