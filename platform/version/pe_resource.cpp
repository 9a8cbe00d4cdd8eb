// The version resource's bytes in a PE file. The resource directory is a tree
// of fixed depth (type, name, language), walked exactly three levels down,
// so an entry that points back up cannot make the walk go round. Every
// structure is read through the section table and checked to lie in one
// section's raw data and in the file; nothing larger than 64 KiB is read.
#include <algorithm>
#include <cstring>

#include "KavroStd/platform/win_errors.h"
#include "platform/version/pe_resource_internal.h"

namespace kavro::platform::detail {

bool MemorySource::Read(uint64_t offset, void* buffer, size_t size) const {
  if (offset > size_ || size > size_ - offset) return false;
  if (size) std::memcpy(buffer, data_ + offset, size);
  return true;
}

namespace {

constexpr WORD kRtVersion = 16;
constexpr WORD kNeutral = 0x0000;
constexpr WORD kEnglishUs = 0x0409;
constexpr DWORD kHighBit = 0x80000000u;
constexpr size_t kMaxResource = 0xFFFF;

uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const BYTE* p) { return Le16(p) | static_cast<uint32_t>(Le16(p + 2)) << 16; }

struct Section {
  uint32_t va, rawSize, rawPointer;
};

class PeImage {
 public:
  explicit PeImage(const ByteSource& file) : file_(file) {}

  // Reads the headers and the section table; false when the bytes are no PE
  // file. `rsrcRva` is 0 when the file has no resource directory.
  bool Open(uint32_t& rsrcRva) {
    BYTE dos[64];
    if (!file_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint64_t pe = Le32(dos + 0x3C);
    BYTE coff[24];
    if (!file_.Read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return false;
    const uint16_t sections = Le16(coff + 6);
    const uint16_t optionalSize = Le16(coff + 20);
    const uint64_t optional = pe + sizeof coff;
    BYTE magic[2];
    if (optionalSize < 2 || !file_.Read(optional, magic, 2)) return false;
    // Where the count of data directories and the directories start.
    uint32_t countAt, dirsAt;
    if (Le16(magic) == 0x10B) {
      countAt = 92, dirsAt = 96;
    } else if (Le16(magic) == 0x20B) {
      countAt = 108, dirsAt = 112;
    } else {
      return false;
    }
    rsrcRva = 0;
    BYTE count[4], dir[8];
    if (optionalSize >= dirsAt + 3 * 8 && file_.Read(optional + countAt, count, 4) && Le32(count) > 2 &&
        file_.Read(optional + dirsAt + 2 * 8, dir, 8))
      rsrcRva = Le32(dir);
    // The table is checked to fit in the file before anything is allocated.
    const uint64_t table = optional + optionalSize;
    const uint64_t tableSize = uint64_t(sections) * 40;
    if (table > file_.Size() || tableSize > file_.Size() - table) return false;
    std::vector<BYTE> raw(tableSize);
    if (!file_.Read(table, raw.data(), raw.size())) return false;
    sections_.reserve(sections);
    for (size_t i = 0; i < sections; ++i) {
      const BYTE* s = raw.data() + i * 40;
      sections_.push_back({Le32(s + 12), Le32(s + 16), Le32(s + 20)});
    }
    return true;
  }

  // How many bytes of raw data follow an RVA in its section.
  uint64_t Available(uint64_t rva) const {
    const Section* s = SectionOf(rva);
    return s ? s->rawSize - (rva - s->va) : 0;
  }

  // Reads `size` bytes at an RVA; false unless they lie in one section's raw
  // data.
  bool ReadRva(uint64_t rva, void* buffer, size_t size) const {
    const Section* s = SectionOf(rva);
    if (!s || size > s->rawSize - (rva - s->va)) return false;
    return file_.Read(uint64_t(s->rawPointer) + (rva - s->va), buffer, size);
  }

 private:
  // The section whose raw data holds the RVA. A section whose raw data is
  // not all in the file (a cut or damaged file) holds nothing: the file is
  // no longer what its headers describe.
  const Section* SectionOf(uint64_t rva) const {
    for (const Section& s : sections_) {
      if (rva < s.va || rva - s.va >= s.rawSize) continue;
      if (uint64_t(s.rawPointer) + s.rawSize > file_.Size()) return nullptr;
      return &s;
    }
    return nullptr;
  }

  const ByteSource& file_;
  std::vector<Section> sections_;
};

struct DirEntry {
  uint32_t name, target;
  bool IsId(WORD id) const { return !(name & kHighBit) && (name & 0xFFFF) == id; }
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  uint32_t Offset() const { return target & ~kHighBit; }
};

// The entries of the directory table at `offset` from the resource root.
bool ReadDirectory(const PeImage& image, uint32_t root, uint32_t offset, std::vector<DirEntry>& entries) {
  BYTE header[16];
  if (!image.ReadRva(uint64_t(root) + offset, header, sizeof header)) return false;
  const size_t count = size_t(Le16(header + 12)) + Le16(header + 14);
  std::vector<BYTE> raw(count * 8);  // at most 1 MiB, and read only when it lies in a section
  if (!image.ReadRva(uint64_t(root) + offset + sizeof header, raw.data(), raw.size())) return false;
  entries.clear();
  for (size_t i = 0; i < count; ++i) entries.push_back({Le32(&raw[i * 8]), Le32(&raw[i * 8 + 4])});
  return true;
}

const DirEntry* FindId(const std::vector<DirEntry>& entries, WORD id) {
  for (const DirEntry& e : entries)
    if (e.IsId(id)) return &e;
  return nullptr;
}

}  // namespace

DWORD FindVersionResource(const ByteSource& file, std::vector<BYTE>& resource) {
  PeImage image(file);
  uint32_t root = 0;
  if (!image.Open(root) || root == 0) return ERROR_RESOURCE_DATA_NOT_FOUND;
  std::vector<DirEntry> entries;
  if (!ReadDirectory(image, root, 0, entries)) return ERROR_RESOURCE_DATA_NOT_FOUND;
  const DirEntry* type = FindId(entries, kRtVersion);
  if (!type) return ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (!type->IsDirectory() || !ReadDirectory(image, root, type->Offset(), entries) || entries.empty())
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  // The name VS_VERSION_INFO (1) as Windows asks for it; else the first one.
  const DirEntry* name = FindId(entries, 1);
  if (!name) name = &entries.front();
  if (!name->IsDirectory() || !ReadDirectory(image, root, name->Offset(), entries) || entries.empty())
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  const DirEntry* language = FindId(entries, kNeutral);
  if (!language) language = FindId(entries, kEnglishUs);
  if (!language) language = &entries.front();
  BYTE data[16];
  if (language->IsDirectory() || !image.ReadRva(uint64_t(root) + language->Offset(), data, sizeof data))
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  // A size past the section's data is cut to it: the block's own lengths
  // tell later how much of it is the resource.
  const size_t size = std::min<uint64_t>({Le32(data + 4), kMaxResource, image.Available(Le32(data))});
  if (size == 0) return ERROR_RESOURCE_DATA_NOT_FOUND;
  resource.resize(size);
  if (!image.ReadRva(Le32(data), resource.data(), size)) return ERROR_RESOURCE_DATA_NOT_FOUND;
  return 0;
}

}  // namespace kavro::platform::detail
