// The exported functions of the writing side: creating, adding to, ending
// and closing an archive, its memory, and the side's messages.
#include <new>

#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {

ZIPRESULT& LastWriteResult() {
  static ZIPRESULT last = ZRES_SUCCESS;
  return last;
}

ZipWriter* WriterOf(HZIPFILE zip, ZIPRESULT& error) {
  error = zip == nullptr ? ZRES_ARGS : zip->kind != kZipWriting ? ZRES_WRONG_MODE : ZRES_SUCCESS;
  return error == ZRES_SUCCESS ? static_cast<ZipWriter*>(zip->state) : nullptr;
}

namespace {

ZIPRESULT Report(ZIPRESULT code) { return LastWriteResult() = code; }

std::unique_ptr<ZipOutput> OpenOutput(void* target, unsigned int length, DWORD flags,
                                      ZIPRESULT& error) {
  switch (flags) {
    case ZIPKIND_HANDLE: {
      HANDLE own = nullptr;
      if (target == nullptr || target == INVALID_HANDLE_VALUE ||
          !DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(target), GetCurrentProcess(),
                           &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        error = ZRES_NO_DUPLICATE;
        return nullptr;
      }
      return MakeHandleOutput(own, error);
    }
    case ZIPKIND_FILENAME: {
      if (target == nullptr) {
        error = ZRES_ARGS;
        return nullptr;
      }
      HANDLE file = CreateFileW(static_cast<const wchar_t*>(target), GENERIC_WRITE,
                                0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        error = ZRES_NO_FILE;
        return nullptr;
      }
      return MakeHandleOutput(file, error);
    }
    case ZIPKIND_MEMORY:
      if (length == 0) {
        error = ZRES_MEM_SIZE;
        return nullptr;
      }
      return MakeMemoryOutput(target, length, error);
    default:
      error = ZRES_ARGS;
      return nullptr;
  }
}

}  // namespace
}  // namespace kavro::zip

using namespace kavro::zip;

extern "C" HZIPFILE CreateZipZ(void* target, unsigned int length, DWORD flags) {
  ZIPRESULT error = ZRES_SUCCESS;
  std::unique_ptr<ZipOutput> output = OpenOutput(target, length, flags, error);
  if (output == nullptr) {
    Report(error);
    return nullptr;
  }
  auto* writer = new (std::nothrow) ZipWriter;
  auto* handle = new (std::nothrow) KvZipHandle{kZipWriting, writer};
  if (writer == nullptr || handle == nullptr) {
    delete writer;
    delete handle;
    Report(ZRES_NO_ALLOC);
    return nullptr;
  }
  writer->output = std::move(output);
  Report(ZRES_SUCCESS);
  return handle;
}

extern "C" ZIPRESULT ZipAdd(HZIPFILE zip, const wchar_t* name, void* source, unsigned int length,
                            DWORD flags) {
  ZIPRESULT error;
  ZipWriter* writer = WriterOf(zip, error);
  if (writer == nullptr) return Report(error);
  return Report(AddEntry(*writer, name, source, length, flags));
}

extern "C" ZIPRESULT CloseZipZ(HZIPFILE zip) {
  ZIPRESULT error;
  ZipWriter* writer = WriterOf(zip, error);
  if (writer == nullptr) return Report(error);
  ZIPRESULT result = FinishArchive(*writer);
  // An archive that lost an addition to a write failure says so again here.
  if (result == ZRES_SUCCESS && writer->stickyError != ZRES_SUCCESS) result = ZRES_FAILED;
  delete writer;
  delete zip;
  return Report(result);
}

extern "C" ZIPRESULT ZipGetMemory(HZIPFILE zip, void** base, unsigned int* length) {
  ZIPRESULT error;
  ZipWriter* writer = WriterOf(zip, error);
  if (writer == nullptr) return Report(error);
  if (base == nullptr || length == nullptr) return Report(ZRES_ARGS);
  void* block = nullptr;
  uint64_t size = 0;
  if (!writer->output->Memory(&block, &size)) return Report(ZRES_NOT_MEM_ZIP);
  const ZIPRESULT result = FinishArchive(*writer);
  if (result != ZRES_SUCCESS) return Report(result);
  writer->output->Memory(&block, &size);
  if (size > 0xFFFFFFFFull) return Report(ZRES_MEM_SIZE);
  *base = block;
  *length = static_cast<unsigned int>(size);
  return Report(ZRES_SUCCESS);
}

extern "C" unsigned int FormatZipMessageZ(ZIPRESULT code, char* buffer, unsigned int size) {
  return FormatZipResult(code == ZRES_RECENT ? LastWriteResult() : code, buffer, size);
}

extern "C" bool IsZipHandleZ(HZIPFILE zip) { return zip == nullptr || zip->kind == kZipWriting; }
