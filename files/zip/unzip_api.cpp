// The exported reading functions: handle checks, the side's last result,
// and the entry records.
#include <atomic>
#include <cstddef>
#include <cstring>

#include "files/zip/unzip_names_internal.h"
#include "files/zip/unzip_reader_internal.h"
#include "files/zip/zip_format_internal.h"
#include "files/zip/zip_handle_internal.h"

// The entry records cross the module boundary: their layout is fixed.
static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4, "FILETIME is two 32-bit halves");
static_assert(offsetof(ZIPITEMA, index) == 0 && offsetof(ZIPITEMA, name) == 4 &&
                  offsetof(ZIPITEMA, attr) == 264 && offsetof(ZIPITEMA, atime) == 268 &&
                  offsetof(ZIPITEMA, ctime) == 276 && offsetof(ZIPITEMA, mtime) == 284 &&
                  offsetof(ZIPITEMA, comp_size) == 292 && offsetof(ZIPITEMA, unc_size) == 296 &&
                  sizeof(ZIPITEMA) == 300,
              "ZIPITEMA layout");
static_assert(sizeof(wchar_t) == 4, "wchar_t is a 32-bit unit on Linux");
static_assert(offsetof(ZIPITEMW, index) == 0 && offsetof(ZIPITEMW, name) == 4 &&
                  offsetof(ZIPITEMW, attr) == 1044 && offsetof(ZIPITEMW, atime) == 1048 &&
                  offsetof(ZIPITEMW, ctime) == 1056 && offsetof(ZIPITEMW, mtime) == 1064 &&
                  offsetof(ZIPITEMW, comp_size) == 1072 && offsetof(ZIPITEMW, unc_size) == 1076 &&
                  sizeof(ZIPITEMW) == 1080,
              "ZIPITEMW layout");

namespace kavro::zip {
namespace {

std::atomic<ZIPRESULT> g_lastResult{ZRES_SUCCESS};

ZIPRESULT Keep(ZIPRESULT result) {
  g_lastResult.store(result, std::memory_order_relaxed);
  return result;
}

// The reader behind a handle, or the code for a handle that has none.
ZIPRESULT ReaderOf(HZIPFILE zip, ZipReader*& reader) {
  if (!zip) return ZRES_ARGS;
  if (zip->kind != kZipReading) return ZRES_WRONG_MODE;
  reader = static_cast<ZipReader*>(zip->state);
  return ZRES_SUCCESS;
}

// Checks the handle and index, ends any memory extraction and produces
// the entry (null for the summary record of index -1).
ZIPRESULT ItemOf(HZIPFILE zip, int index, const void* item, const EntryInfo*& entry,
                 int& count) {
  ZipReader* reader = nullptr;
  if (ZIPRESULT r = ReaderOf(zip, reader)) return r;
  count = reader->directory.count();
  if (!item || index < -1 || index >= count) return ZRES_ARGS;
  reader->EndStream();
  entry = nullptr;
  return index == -1 ? ZRES_SUCCESS : reader->Entry(index, entry);
}

// The record of an entry, or the summary. Sizes past 32 bits have no room
// in the record: they read as -1 (all ones, the zip's own mark for a size
// kept elsewhere) and the entry gives ZRES_MEM_SIZE, the rest filled in.
template <class Item>
ZIPRESULT FillCommon(const EntryInfo* entry, int count, Item* item) {
  std::memset(item, 0, sizeof *item);
  if (!entry) {
    item->index = count;
    return ZRES_SUCCESS;
  }
  item->index = entry->index;
  item->attr = entry->attr;
  item->atime = entry->atime;
  item->ctime = entry->ctime;
  item->mtime = entry->mtime;
  const bool fits = entry->compSize <= format::kMarker32 && entry->uncSize <= format::kMarker32;
  item->comp_size = fits ? static_cast<LONG>(entry->compSize) : -1;
  item->unc_size = fits ? static_cast<LONG>(entry->uncSize) : -1;
  return fits ? ZRES_SUCCESS : ZRES_MEM_SIZE;
}

}  // namespace
}  // namespace kavro::zip

using namespace kavro::zip;

extern "C" HZIPFILE OpenZipU(void* source, unsigned int length, DWORD flags) {
  ZIPRESULT result = ZRES_SUCCESS;
  std::unique_ptr<ZipReader> reader = OpenReader(source, length, flags, result);
  HZIPFILE zip = nullptr;
  if (reader) {
    zip = new (std::nothrow) KvZipHandle{kZipReading, reader.get()};
    if (zip) reader.release();
    else result = ZRES_NO_ALLOC;
  }
  Keep(result);
  return zip;
}

extern "C" ZIPRESULT GetZipItemA(HZIPFILE zip, int index, ZIPITEMA* item) {
  const EntryInfo* entry = nullptr;
  int count = 0;
  if (ZIPRESULT r = ItemOf(zip, index, item, entry, count)) return Keep(r);
  const ZIPRESULT result = FillCommon(entry, count, item);
  if (entry) {
    const std::string name = AnsiName(*entry);
    std::memcpy(item->name, name.data(), name.size());
  }
  return Keep(result);
}

extern "C" ZIPRESULT GetZipItemW(HZIPFILE zip, int index, ZIPITEMW* item) {
  const EntryInfo* entry = nullptr;
  int count = 0;
  if (ZIPRESULT r = ItemOf(zip, index, item, entry, count)) return Keep(r);
  const ZIPRESULT result = FillCommon(entry, count, item);
  if (entry) {
    const std::wstring name = WideName(*entry);
    std::wmemcpy(item->name, name.data(), name.size());
  }
  return Keep(result);
}

extern "C" ZIPRESULT UnzipItem(HZIPFILE zip, int index, void* target, unsigned int length,
                               DWORD flags) {
  ZipReader* reader = nullptr;
  if (ZIPRESULT r = ReaderOf(zip, reader)) return Keep(r);
  if (flags == ZIPKIND_MEMORY) return Keep(ExtractToMemory(*reader, index, target, length));
  return Keep(ExtractToTarget(*reader, index, target, flags));
}

extern "C" ZIPRESULT CloseZipU(HZIPFILE zip) {
  ZipReader* reader = nullptr;
  if (ZIPRESULT r = ReaderOf(zip, reader)) return Keep(r);
  delete reader;
  delete zip;
  return Keep(ZRES_SUCCESS);
}

extern "C" unsigned int FormatZipMessageU(ZIPRESULT code, char* buffer, unsigned int size) {
  if (code == ZRES_RECENT) code = g_lastResult.load(std::memory_order_relaxed);
  return FormatZipResult(code, buffer, size);
}

extern "C" bool IsZipHandleU(HZIPFILE zip) { return !zip || zip->kind == kZipReading; }
