// Ending an archive: the central directory and the end record.
#include "files/zip/zip_records_internal.h"
#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {

ZIPRESULT FinishArchive(ZipWriter& w) {
  if (w.finished) return ZRES_SUCCESS;
  w.finished = true;
  ZipOutput& out = *w.output;
  const uint64_t directoryOffset = out.start() + out.written();
  std::vector<unsigned char> directory;
  for (const EntryHeader& h : w.entries) AppendCentralHeader(h, directory);
  unsigned char end[kEndRecordSize];
  EndRecord(static_cast<uint16_t>(w.entries.size()), static_cast<uint32_t>(directory.size()),
            static_cast<uint32_t>(directoryOffset), end);
  ZIPRESULT r = out.Write(directory.data(), directory.size());
  if (r == ZRES_SUCCESS) r = out.Write(end, sizeof end);
  if (r == ZRES_SUCCESS) r = out.Flush();
  return r == ZRES_SUCCESS ? r : ZRES_WRITE;
}

}  // namespace kavro::zip
