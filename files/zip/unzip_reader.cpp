// Opening an archive for reading and the entry cache.
#include "files/zip/unzip_reader_internal.h"

#include <new>
#include <vector>

namespace kavro::zip {
namespace {

std::wstring CurrentFolder() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n >= buffer.size()) {
    buffer.resize(n + 1);
    n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  std::wstring folder(buffer.data(), n < buffer.size() ? n : 0);
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

}  // namespace

ZIPRESULT ZipReader::Entry(int index, const EntryInfo*& out) {
  if (cached.index != index) {
    cached.index = -1;
    if (ZIPRESULT r = ReadEntry(*source, directory, index, cached)) {
      cached.index = -1;
      return r;
    }
  }
  out = &cached;
  return ZRES_SUCCESS;
}

void ZipReader::EndStream() {
  stream.reset();
  streamIndex = -1;
}

std::unique_ptr<ZipReader> OpenReader(void* source, unsigned int length, DWORD flags,
                                      ZIPRESULT& result) {
  std::unique_ptr<ZipReader> reader(new (std::nothrow) ZipReader);
  if (!reader) {
    result = ZRES_NO_ALLOC;
    return nullptr;
  }
  reader->root = CurrentFolder();
  switch (flags) {
    case ZIPKIND_HANDLE:
      result = ArchiveSource::OpenHandle(static_cast<HANDLE>(source), reader->source);
      break;
    case ZIPKIND_FILENAME:
      result = source ? ArchiveSource::OpenName(static_cast<const wchar_t*>(source), reader->source)
                      : ZRES_ARGS;
      break;
    case ZIPKIND_MEMORY:
      if (!source && length) {
        result = ZRES_ARGS;
        break;
      }
      reader->source = ArchiveSource::OpenMemory(source, length);
      result = ZRES_SUCCESS;
      break;
    default:
      result = ZRES_ARGS;
  }
  if (result == ZRES_SUCCESS) result = reader->directory.Load(*reader->source);
  if (result != ZRES_SUCCESS) return nullptr;
  return reader;
}

}  // namespace kavro::zip
