// kvzip: a command-line tool over the library's zip functions.
//
//   kvzip create ARCHIVE PATH...      files, and folders with all they hold
//   kvzip list ARCHIVE                every field of each entry
//   kvzip extract ARCHIVE DEST [ENTRY] all entries, or the one named
//   kvzip test ARCHIVE                reads each entry to memory
//
// Extraction writes only below DEST: an entry whose name is absolute, has a
// drive or a ".." component is refused with a message and not written. It
// never writes through a symbolic link below DEST: the folders of an entry
// are made one at a time, and an entry one of whose folders exists as a link
// (to anything) is refused; a link where the file itself goes is removed and
// the file made in its place. Paths are checked as the library resolves them
// (KvMapPath, so names found without regard to case too).
// create skips FIFOs, sockets and devices named on the command line with a
// warning and without opening them (a FIFO would block the open); the exit
// code stays 0 for them, as zip's does.
// Entries past 4 GiB (ZRES_MEM_SIZE from GetZipItemW: the record has no
// room for their sizes) are listed with "-" for the sizes, extracted and
// tested all the same; test then checks their CRC but not their length.
// Exit code 0 on success, 1 when something failed, 2 for a wrong command.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "tool_text.h"

namespace {

namespace fs = std::filesystem;

using kavro::tools::Utf8;
using kavro::tools::Wide;

std::string WriteMessage(ZIPRESULT code) {
  char text[128];
  FormatZipMessageZ(code, text, sizeof text);
  return text;
}

std::string ReadMessage(ZIPRESULT code) {
  char text[128];
  FormatZipMessageU(code, text, sizeof text);
  return text;
}

std::string TimeText(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

// The kind of a file that is no regular file, folder or link, or null.
// Opening a FIFO for reading waits for a writer, so such files are never
// opened.
const char* SpecialKind(const fs::file_status& status) {
  if (fs::is_fifo(status)) return "FIFO";
  if (fs::is_socket(status)) return "socket";
  if (fs::is_block_file(status) || fs::is_character_file(status)) return "device";
  return nullptr;
}

int Create(const std::string& archive, const std::vector<std::string>& paths) {
  const std::wstring target = Wide(archive);
  HZIPFILE zip = CreateZipZ((void*)target.c_str(), 0, ZIPKIND_FILENAME);
  if (zip == nullptr) {
    std::fprintf(stderr, "kvzip: cannot create %s: %s\n", archive.c_str(),
                 WriteMessage(ZRES_RECENT).c_str());
    return 1;
  }
  int status = 0;
  for (const std::string& path : paths) {
    std::error_code error;
    if (const char* kind = SpecialKind(fs::status(path, error))) {
      std::fprintf(stderr, "kvzip: skipping %s %s\n", kind, path.c_str());
      continue;
    }
    const fs::path full = fs::absolute(path, error).lexically_normal();
    fs::path name = full.filename(), parent = full.parent_path();
    if (name.empty() && full.has_parent_path()) {  // a path ending in a separator
      name = full.parent_path().filename();
      parent = full.parent_path().parent_path();
    }
    bool ok;
    if (fs::is_directory(full, error)) {
      const std::wstring root = Wide(parent.string()), folder = Wide(name.string());
      ok = AddFolderContent(zip, root.c_str(), folder.empty() ? nullptr : folder.c_str()) != FALSE;
    } else {
      const std::wstring source = Wide(full.string()), entry = Wide(name.string());
      ok = ZipAdd(zip, entry.c_str(), (void*)source.c_str(), 0, ZIPKIND_FILENAME) == ZRES_SUCCESS;
    }
    if (!ok) {
      std::fprintf(stderr, "kvzip: cannot add %s: %s\n", path.c_str(), WriteMessage(ZRES_RECENT).c_str());
      status = 1;
    }
  }
  const ZIPRESULT closed = CloseZipZ(zip);
  if (closed != ZRES_SUCCESS) {
    std::fprintf(stderr, "kvzip: cannot finish %s: %s\n", archive.c_str(), WriteMessage(closed).c_str());
    status = 1;
  }
  return status;
}

HZIPFILE Open(const std::string& archive) {
  const std::wstring source = Wide(archive);
  HZIPFILE zip = OpenZipU((void*)source.c_str(), 0, ZIPKIND_FILENAME);
  if (zip == nullptr) {
    std::fprintf(stderr, "kvzip: cannot open %s: %s\n", archive.c_str(), ReadMessage(ZRES_RECENT).c_str());
  }
  return zip;
}

int Count(HZIPFILE zip) {
  ZIPITEMW all;
  return GetZipItemW(zip, -1, &all) == ZRES_SUCCESS ? all.index : 0;
}

int List(const std::string& archive) {
  HZIPFILE zip = Open(archive);
  if (zip == nullptr) return 1;
  int status = 0;
  std::printf("index\tattr\tatime\tctime\tmtime\tcomp_size\tunc_size\tname\n");
  for (int i = 0, n = Count(zip); i < n; ++i) {
    ZIPITEMW item;
    const ZIPRESULT r = GetZipItemW(zip, i, &item);
    if (r != ZRES_SUCCESS && r != ZRES_MEM_SIZE) {
      std::fprintf(stderr, "kvzip: entry %d: %s\n", i, ReadMessage(r).c_str());
      status = 1;
      continue;
    }
    const std::string comp = r == ZRES_MEM_SIZE ? "-" : std::to_string(static_cast<uint32_t>(item.comp_size));
    const std::string unc = r == ZRES_MEM_SIZE ? "-" : std::to_string(static_cast<uint32_t>(item.unc_size));
    std::printf("%d\t%08X\t%s\t%s\t%s\t%s\t%s\t%s\n", item.index, static_cast<unsigned>(item.attr),
                TimeText(item.atime).c_str(), TimeText(item.ctime).c_str(), TimeText(item.mtime).c_str(),
                comp.c_str(), unc.c_str(), Utf8(item.name).c_str());
  }
  CloseZipU(zip);
  return status;
}

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// The path mapping writes U+F02E (a Linux name's trailing dot in Windows
// form) as '.', so it climbs as a dot does.
bool IsDot(wchar_t c) { return c == L'.' || c == 0xF02E; }

// Why a stored name may not be used below the destination, or null.
const char* UnsafeName(const std::wstring& name) {
  if (name.empty()) return "it is empty";
  if (IsSeparator(name[0])) return "it is absolute";
  if (name.size() > 1 && name[1] == L':') return "it names a drive";
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || IsSeparator(name[i])) {
      if (i - start == 2 && IsDot(name[start]) && IsDot(name[start + 1]))
        return "it climbs out with \"..\"";
      start = i + 1;
    }
  }
  return nullptr;
}

// The parts of a stored name; empty and "." parts name nothing.
std::vector<std::wstring> NameParts(const std::wstring& name) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    const std::wstring part = name.substr(start, i - start);
    if (!part.empty() && part != L".") parts.push_back(part);
    start = i + 1;
  }
  return parts;
}

// A place below DEST in both forms: the Windows path given to the library
// and the Linux path the library resolves it to.
struct Place {
  std::wstring windows;
  fs::path posix;
};

// `folder` + one part, resolved as the library will resolve it; false
// (with a message) unless the result is an entry of `folder` itself.
bool Child(const Place& folder, const std::wstring& part, const std::string& shown, Place& child) {
  child.windows = folder.windows + L"\\" + part;
  std::string posix;
  if (kavro::platform::KvMapPath(child.windows.c_str(), posix)) child.posix = posix;
  if (!posix.empty() && child.posix.parent_path() == folder.posix) return true;
  std::fprintf(stderr, "kvzip: refusing to extract \"%s\": it leaves the destination\n", shown.c_str());
  return false;
}

// Makes `place` a folder unless it is one; refuses a symbolic link there.
bool MakeFolder(const Place& place, const std::string& shown) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(place.posix, error);
  if (fs::is_symlink(status)) {
    std::fprintf(stderr, "kvzip: refusing to extract \"%s\": %s is a symbolic link\n", shown.c_str(),
                 place.posix.c_str());
    return false;
  }
  if (fs::is_directory(status)) return true;
  if (!fs::exists(status)) fs::create_directory(place.posix, error);
  else error = std::make_error_code(std::errc::not_a_directory);
  if (!error) return true;
  std::fprintf(stderr, "kvzip: cannot create folder %s: %s\n", place.posix.c_str(), error.message().c_str());
  return false;
}

// Removes links where the file goes, so that it is made in their place and
// never written through. The name is resolved again after each removal: it
// may find another link that differs only by case.
bool ClearLinks(const Place& folder, const std::wstring& part, const std::string& shown, Place& file) {
  for (int removed = 0; removed < 64; ++removed) {
    if (!Child(folder, part, shown, file)) return false;
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(file.posix, error))) return true;
    if (!fs::remove(file.posix, error)) {
      std::fprintf(stderr, "kvzip: cannot remove link %s: %s\n", file.posix.c_str(), error.message().c_str());
      return false;
    }
  }
  std::fprintf(stderr, "kvzip: cannot extract \"%s\": too many links in the way\n", shown.c_str());
  return false;
}

bool ExtractOne(HZIPFILE zip, int index, const ZIPITEMW& item, const Place& dest) {
  const std::wstring name = item.name;
  const std::string shown = Utf8(item.name);
  if (const char* why = UnsafeName(name)) {
    std::fprintf(stderr, "kvzip: refusing to extract \"%s\": %s\n", shown.c_str(), why);
    return false;
  }
  const std::vector<std::wstring> parts = NameParts(name);
  const bool folder = (item.attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (parts.empty() && !folder) {
    std::fprintf(stderr, "kvzip: refusing to extract \"%s\": it names no file\n", shown.c_str());
    return false;
  }
  Place current = dest;
  const size_t folders = folder ? parts.size() : parts.size() - 1;
  for (size_t k = 0; k < folders; ++k) {
    Place next;
    if (!Child(current, parts[k], shown, next) || !MakeFolder(next, shown)) return false;
    current = next;
  }
  if (folder) return true;
  Place file;
  if (!ClearLinks(current, parts.back(), shown, file)) return false;
  const ZIPRESULT r = UnzipItem(zip, index, (void*)file.windows.c_str(), 0, ZIPKIND_FILENAME);
  if (r == ZRES_SUCCESS) return true;
  std::fprintf(stderr, "kvzip: cannot extract \"%s\": %s\n", shown.c_str(), ReadMessage(r).c_str());
  return false;
}

// DEST, made if missing, in both forms.
bool Destination(const std::string& destination, Place& dest) {
  std::error_code error;
  fs::path posix = fs::absolute(destination, error).lexically_normal();
  if (posix.filename().empty() && posix.has_relative_path()) posix = posix.parent_path();
  fs::create_directories(posix, error);
  dest.windows = kavro::platform::KvWindowsPath(posix.string());
  std::string mapped;
  if (!error && fs::is_directory(posix) && kavro::platform::KvMapPath(dest.windows.c_str(), mapped)) {
    dest.posix = mapped;
    return true;
  }
  std::fprintf(stderr, "kvzip: cannot use %s as the destination\n", destination.c_str());
  return false;
}

int Extract(const std::string& archive, const std::string& destination, const char* only) {
  HZIPFILE zip = Open(archive);
  if (zip == nullptr) return 1;
  Place dest;
  if (!Destination(destination, dest)) {
    CloseZipU(zip);
    return 1;
  }
  int status = 0;
  bool found = only == nullptr;
  for (int i = 0, n = Count(zip); i < n; ++i) {
    ZIPITEMW item;
    const ZIPRESULT r = GetZipItemW(zip, i, &item);
    if (r != ZRES_SUCCESS && r != ZRES_MEM_SIZE) {
      std::fprintf(stderr, "kvzip: entry %d: %s\n", i, ReadMessage(r).c_str());
      status = 1;
      continue;
    }
    if (only != nullptr && Utf8(item.name) != only) continue;
    found = true;
    if (!ExtractOne(zip, i, item, dest)) status = 1;
  }
  CloseZipU(zip);
  if (!found) {
    std::fprintf(stderr, "kvzip: no entry named \"%s\" in %s\n", only, archive.c_str());
    status = 1;
  }
  return status;
}

int Test(const std::string& archive) {
  HZIPFILE zip = Open(archive);
  if (zip == nullptr) return 1;
  std::vector<char> buffer(1 << 16);
  int status = 0, n = Count(zip);
  for (int i = 0; i < n; ++i) {
    ZIPITEMW item;
    ZIPRESULT r = GetZipItemW(zip, i, &item);
    const bool sized = r == ZRES_SUCCESS;
    if (r == ZRES_MEM_SIZE) r = ZRES_SUCCESS;
    uint64_t delivered = 0;
    while (r == ZRES_SUCCESS || r == ZRES_MORE) {
      r = UnzipItem(zip, i, buffer.data(), static_cast<unsigned>(buffer.size()), ZIPKIND_MEMORY);
      if (r != ZRES_MORE) break;
      const uint64_t size = static_cast<uint32_t>(item.unc_size);
      delivered += std::min<uint64_t>(buffer.size(), size - std::min(size, delivered));
    }
    const std::string shown = Utf8(item.name);
    if (r != ZRES_SUCCESS) {
      std::printf("FAILED %s: %s\n", shown.c_str(), ReadMessage(r).c_str());
      status = 1;
    } else if (sized && delivered != static_cast<uint32_t>(item.unc_size)) {
      std::printf("FAILED %s: %llu of %lu bytes\n", shown.c_str(),
                  static_cast<unsigned long long>(delivered),
                  static_cast<unsigned long>(static_cast<uint32_t>(item.unc_size)));
      status = 1;
    } else {
      std::printf("OK %s\n", shown.c_str());
    }
  }
  CloseZipU(zip);
  std::printf("%s: %d entries, %s\n", archive.c_str(), n, status == 0 ? "no errors" : "errors found");
  return status;
}

int Usage() {
  std::fprintf(stderr,
               "usage: kvzip create ARCHIVE PATH...\n"
               "       kvzip list ARCHIVE\n"
               "       kvzip extract ARCHIVE DEST [ENTRY]\n"
               "       kvzip test ARCHIVE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1], archive = argv[2];
  if (command == "create" && argc >= 4) return Create(archive, std::vector<std::string>(argv + 3, argv + argc));
  if (command == "list" && argc == 3) return List(archive);
  if (command == "extract" && (argc == 4 || argc == 5)) return Extract(archive, argv[3], argc == 5 ? argv[4] : nullptr);
  if (command == "test" && argc == 3) return Test(archive);
  return Usage();
}
