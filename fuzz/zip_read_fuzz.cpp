// Fuzz target for the zip reader: opens the input as a memory archive,
// lists every entry in both record forms and extracts each one to memory in
// small pieces. Any crash, hang, leak or read outside the input is a fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "KavroStd/KavroStd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  HZIPFILE zip = OpenZipU(const_cast<uint8_t*>(data), static_cast<unsigned int>(size), ZIPKIND_MEMORY);
  if (!zip) return 0;
  ZIPITEMW summary;
  if (GetZipItemW(zip, -1, &summary) == ZRES_SUCCESS) {
    std::vector<char> chunk(997);
    for (int i = 0; i < summary.index; ++i) {
      ZIPITEMA a;
      ZIPITEMW w;
      GetZipItemA(zip, i, &a);
      // ZRES_MEM_SIZE: sizes past 32 bits, the entry still extracts.
      const ZIPRESULT listed = GetZipItemW(zip, i, &w);
      if (listed != ZRES_SUCCESS && listed != ZRES_MEM_SIZE) continue;
      // A claimed size is never trusted: stop after a bounded amount.
      size_t delivered = 0;
      while (UnzipItem(zip, i, chunk.data(), static_cast<unsigned int>(chunk.size()),
                       ZIPKIND_MEMORY) == ZRES_MORE) {
        delivered += chunk.size();
        if (delivered > (64u << 20)) break;
      }
    }
  }
  CloseZipU(zip);
  return 0;
}
