// Adding one entry: its local header, its data (stored or deflated), and the
// header's final CRC and sizes (rewritten in place, or in a data descriptor
// on an output that cannot seek).
#include <algorithm>

#include "files/zip/zip_entry_name_internal.h"
#include "files/zip/zip_input_internal.h"
#include "files/zip/zip_records_internal.h"
#include "files/zip/zip_times_internal.h"
#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {
namespace {

constexpr size_t kInputChunk = 1 << 20;
constexpr size_t kOutputChunk = 256 << 10;
constexpr int kDeflateLevel = 8;
constexpr int kDeflateMemLevel = 8;

// Bytes read and written for the entry being added.
struct DataCounts {
  uint64_t read = 0;
  uint64_t compressed = 0;
  uint32_t crc = 0;
};

// Reads the next chunk of the input, counting it into the CRC and size. An
// input that grows past what the 32-bit sizes hold gives ZRES_ARGS.
ZIPRESULT ReadChunk(ZipWriter& w, EntryInput& in, DataCounts& c, size_t& got) {
  if (!in.Read(w.input.data(), w.input.size(), got)) return ZRES_READ;
  c.read += got;
  if (c.read > kMaxZip32) return ZRES_ARGS;
  c.crc = static_cast<uint32_t>(crc32_z(c.crc, w.input.data(), got));
  return ZRES_SUCCESS;
}

ZIPRESULT CopyStored(ZipWriter& w, EntryInput& in, DataCounts& c) {
  for (;;) {
    size_t got = 0;
    ZIPRESULT r = ReadChunk(w, in, c, got);
    if (r != ZRES_SUCCESS || got == 0) return r;
    c.compressed += got;
    r = w.output->Write(w.input.data(), got);
    if (r != ZRES_SUCCESS) return r;
  }
}

// Runs the compressor over what it was given, writing all it produces.
ZIPRESULT Drain(ZipWriter& w, int flush, DataCounts& c, bool& ended) {
  z_stream& z = w.deflater;
  for (;;) {
    z.next_out = w.compressed.data();
    z.avail_out = static_cast<uInt>(w.compressed.size());
    const int status = deflate(&z, flush);
    if (status == Z_STREAM_ERROR) return ZRES_WRITE;
    const size_t produced = w.compressed.size() - z.avail_out;
    if (produced != 0) {
      c.compressed += produced;
      if (c.compressed > kMaxZip32) return ZRES_ARGS;
      const ZIPRESULT r = w.output->Write(w.compressed.data(), produced);
      if (r != ZRES_SUCCESS) return r;
    }
    if (status == Z_STREAM_END) {
      ended = true;
      return ZRES_SUCCESS;
    }
    if (flush != Z_FINISH && z.avail_out != 0) return ZRES_SUCCESS;
  }
}

ZIPRESULT WriteDeflated(ZipWriter& w, EntryInput& in, DataCounts& c) {
  z_stream& z = w.deflater;
  bool ended = false;
  while (!ended) {
    size_t got = 0;
    ZIPRESULT r = ReadChunk(w, in, c, got);
    if (r != ZRES_SUCCESS) return r;
    z.next_in = w.input.data();
    z.avail_in = static_cast<uInt>(got);
    r = Drain(w, got == 0 ? Z_FINISH : Z_NO_FLUSH, c, ended);
    if (r != ZRES_SUCCESS) return r;
  }
  return ZRES_SUCCESS;
}

ZIPRESULT PrepareBuffers(ZipWriter& w, bool deflated) {
  if (w.input.empty()) w.input.resize(kInputChunk);
  if (!deflated) return ZRES_SUCCESS;
  if (w.compressed.empty()) w.compressed.resize(kOutputChunk);
  if (w.deflaterReady) return deflateReset(&w.deflater) == Z_OK ? ZRES_SUCCESS : ZRES_FLATE;
  if (deflateInit2(&w.deflater, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, kDeflateMemLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return ZRES_NO_ALLOC;
  }
  w.deflaterReady = true;
  return ZRES_SUCCESS;
}

// Gives up the entry begun at `entryStart`: a seekable output drops what was
// written of it. Write, seek and size-limit failures make the archive's
// error sticky; an input that failed to read does not.
ZIPRESULT Abandon(ZipWriter& w, uint64_t entryStart, ZIPRESULT code) {
  if (w.output->seekable() && w.output->Truncate(entryStart) != ZRES_SUCCESS) {
    w.stickyError = ZRES_WRITE;
  }
  if (code != ZRES_READ && w.stickyError == ZRES_SUCCESS) w.stickyError = code;
  return code;
}

EntryHeader BeginHeader(const ZipWriter& w, const EntryInput& in, std::string name, bool utf8,
                        uint16_t method) {
  EntryHeader h;
  h.flags = kFlagDataDescriptor | (utf8 ? kFlagUtf8Name : 0);
  h.method = method;
  h.dosDateTime = DosDateTimeOf(in.mtime());
  const uint32_t known = in.size() >= 0 ? static_cast<uint32_t>(in.size()) : 0;
  h.compressedSize = method == kMethodStored ? known : 0;
  h.uncompressedSize = known;
  h.externalAttributes = in.externalAttributes();
  h.localOffset = static_cast<uint32_t>(w.output->start() + w.output->written());
  h.times = {UnixTimeOf(in.mtime()), UnixTimeOf(in.atime()), UnixTimeOf(in.ctime())};
  h.name = std::move(name);
  return h;
}

// Puts the final flags, CRC and sizes into the entry's local header (or a
// data descriptor after its data when the output cannot seek).
ZIPRESULT CompleteHeader(ZipWriter& w, EntryHeader& h, uint64_t entryStart, const DataCounts& c) {
  ZipOutput& out = *w.output;
  const uint32_t announced = h.compressedSize;
  h.crc = c.crc;
  h.compressedSize = static_cast<uint32_t>(c.compressed);
  h.uncompressedSize = static_cast<uint32_t>(c.read);
  if (out.seekable()) {
    h.flags &= static_cast<uint16_t>(~kFlagDataDescriptor);
    if (h.method == kMethodDeflated) h.flags |= kFlagMaxCompression;
    unsigned char fixed[kLocalFixedSize];
    LocalFixedPart(h, fixed);
    return out.Rewrite(entryStart, fixed, sizeof fixed);
  }
  // A reader of the stream finds a stored entry's end by its announced size.
  if (h.method == kMethodStored && h.compressedSize != announced) return ZRES_NO_CHANGE;
  unsigned char descriptor[kDescriptorSize];
  DataDescriptor(h, descriptor);
  return out.Write(descriptor, sizeof descriptor);
}

}  // namespace

ZipWriter::~ZipWriter() {
  if (deflaterReady) deflateEnd(&deflater);
}

ZIPRESULT AddEntry(ZipWriter& w, const wchar_t* name, void* source, unsigned int length,
                   DWORD flags) {
  if (w.stickyError != ZRES_SUCCESS) return ZRES_FAILED;
  if (w.finished) return ZRES_ENDED;
  if (flags < ZIPKIND_HANDLE || flags > ZIPKIND_FOLDER) return ZRES_ARGS;
  std::string stored;
  bool utf8 = false;
  ZIPRESULT r = StoredName(name, flags == ZIPKIND_FOLDER, stored, utf8);
  if (r != ZRES_SUCCESS) return r;
  EntryInput in;
  if ((r = in.Open(source, length, flags)) != ZRES_SUCCESS) return r;
  if (in.size() > static_cast<int64_t>(kMaxZip32)) return ZRES_ARGS;
  const bool store = in.folder() || HasCompressedSuffix(stored);
  const uint16_t method = store ? kMethodStored : kMethodDeflated;
  ZipOutput& out = *w.output;
  if (!out.seekable() && store && in.size() < 0) return ZRES_NO_CHANGE;
  if ((r = PrepareBuffers(w, !store)) != ZRES_SUCCESS) return r;

  const uint64_t entryStart = out.written();
  if (w.entries.size() >= kMaxEntries || out.start() + entryStart > kMaxZip32) {
    return Abandon(w, entryStart, ZRES_ARGS);
  }
  EntryHeader h = BeginHeader(w, in, std::move(stored), utf8, method);
  std::vector<unsigned char> local;
  AppendLocalHeader(h, local);
  if ((r = out.Write(local.data(), local.size())) != ZRES_SUCCESS) return Abandon(w, entryStart, r);

  DataCounts counts;
  if (!in.folder()) {
    r = store ? CopyStored(w, in, counts) : WriteDeflated(w, in, counts);
    if (r != ZRES_SUCCESS) return Abandon(w, entryStart, r);
  }
  if ((r = CompleteHeader(w, h, entryStart, counts)) != ZRES_SUCCESS) {
    return r == ZRES_NO_CHANGE ? r : Abandon(w, entryStart, r);
  }
  // The central directory must start where a 32-bit offset reaches.
  if (out.start() + out.written() > kMaxZip32) return Abandon(w, entryStart, ZRES_ARGS);
  w.entries.push_back(std::move(h));
  return ZRES_SUCCESS;
}

}  // namespace kavro::zip
