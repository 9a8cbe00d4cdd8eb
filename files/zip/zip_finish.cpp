// Ending an archive: the central directory, the zip64 end record and its
// locator when the classic record cannot hold the count or the directory's
// size, and the end record. Archives of up to 65,535 entries end exactly
// as they always did.
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
  const uint64_t entries = w.entries.size();
  ZIPRESULT r = out.Write(directory.data(), directory.size());
  if (r == ZRES_SUCCESS && (entries > kMaxClassicEntries || directory.size() >= kMaxZip32)) {
    unsigned char record[kZip64EndRecordSize];
    unsigned char locator[kZip64LocatorSize];
    Zip64EndRecord(entries, directory.size(), directoryOffset, record);
    Zip64Locator(directoryOffset + directory.size(), locator);
    r = out.Write(record, sizeof record);
    if (r == ZRES_SUCCESS) r = out.Write(locator, sizeof locator);
  }
  unsigned char end[kEndRecordSize];
  EndRecord(entries, directory.size(), directoryOffset, end);
  if (r == ZRES_SUCCESS) r = out.Write(end, sizeof end);
  if (r == ZRES_SUCCESS) r = out.Flush();
  return r == ZRES_SUCCESS ? r : ZRES_WRITE;
}

}  // namespace kavro::zip
