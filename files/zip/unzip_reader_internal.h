// The reading side of the zip routines: the state behind a handle of kind
// kZipReading, and the pieces OpenZipU, GetZipItemA/W and UnzipItem are
// made of. The exported functions in unzip_api.cpp check handles and
// arguments and keep the side's last result.
//
// State: the archive source, its central directory, the entry being
// streamed into memory (-1 when none), the last entry produced (served
// again without reading), and the root folder (the current folder at open,
// with a trailing backslash) under which extraction creates folders.
//
// One thread per handle.
#pragma once

#include <memory>
#include <string>

#include "files/zip/unzip_stream_internal.h"

namespace kavro::zip {

struct ZipReader {
  std::unique_ptr<ArchiveSource> source;
  CentralDirectory directory;
  int streamIndex = -1;
  std::unique_ptr<EntryStream> stream;
  EntryInfo cached;  // cached.index is -1 until an entry is produced
  std::wstring root;

  // Entry `index` (0 <= index < count), from the cache when it is the last
  // one produced. Codes as ReadEntry.
  ZIPRESULT Entry(int index, const EntryInfo*& out);
  void EndStream();
};

// Opens an archive from a source of ZIPKIND_HANDLE, ZIPKIND_FILENAME or
// ZIPKIND_MEMORY; null with the reason in `result` on failure.
std::unique_ptr<ZipReader> OpenReader(void* source, unsigned int length, DWORD flags,
                                      ZIPRESULT& result);

// UnzipItem after the handle check: to memory in pieces, to a handle or to
// a file (see the exported function's contract in KavroStd/files.h).
ZIPRESULT ExtractToMemory(ZipReader& reader, int index, void* buffer, unsigned int length);
ZIPRESULT ExtractToTarget(ZipReader& reader, int index, void* target, DWORD flags);

}  // namespace kavro::zip
