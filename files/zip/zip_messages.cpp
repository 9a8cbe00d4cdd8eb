// Message texts of the zip result codes.
#include "files/zip/zip_handle_internal.h"

#include <cstring>

namespace kavro::zip {
namespace {

const char* MessageOf(ZIPRESULT code) {
  switch (code) {
    case ZRES_SUCCESS: return "Success";
    case ZRES_NO_DUPLICATE: return "Culdn't duplicate handle";
    case ZRES_NO_FILE: return "Couldn't create/open file";
    case ZRES_NO_ALLOC: return "Failed to allocate memory";
    case ZRES_WRITE: return "Error writing to file";
    case ZRES_NOT_FOUND: return "File not found in the zipfile";
    case ZRES_MORE: return "Still more data to unzip";
    case ZRES_CORRUPT: return "Zipfile is corrupt or not a zipfile";
    case ZRES_READ: return "Error reading file";
    case ZRES_ARGS: return "Caller: faulty arguments";
    case ZRES_NOT_MEM_ZIP: return "Caller: can only get memory of a memory zipfile";
    case ZRES_MEM_SIZE: return "Caller: not enough space allocated for memory zipfile";
    case ZRES_FAILED: return "Caller: there was a previous error";
    case ZRES_ENDED: return "Caller: additions to the zip have already been ended";
    case ZRES_MISSIZE: return "Zip-bug: the anticipated size turned out wrong";
    case ZRES_PARTIAL_UNZ: return "Caller: the file had already been partially unzipped";
    case ZRES_WRONG_MODE: return "Caller: mixing creation and opening of zip";
    case ZRES_NOT_INITED: return "Zip-bug: internal initialisation not completed";
    case ZRES_SEEK: return "Zip-bug: trying to seek the unseekable";
    case ZRES_NO_CHANGE: return "Zip-bug: tried to change mind, but not allowed";
    case ZRES_FLATE: return "Zip-bug: an internal error during flation";
    default: return "unknown zip result code";
  }
}

}  // namespace

unsigned int FormatZipResult(ZIPRESULT code, char* buffer, unsigned int size) {
  const char* text = MessageOf(code);
  const unsigned int length = static_cast<unsigned int>(std::strlen(text));
  if (buffer != nullptr && size != 0) {
    const unsigned int copied = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
  }
  return length;
}

}  // namespace kavro::zip
