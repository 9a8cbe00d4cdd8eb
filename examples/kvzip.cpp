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
// create and extract show their progress on standard error when it is a
// terminal (create advances as each PATH is packed, extract per entry; test
// prints a line per entry anyway).
// Exit code 0 on success, 1 when something failed, 2 for a wrong command.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

namespace fs = std::filesystem;

using kavro::tools::Progress;
using kavro::tools::Report;
using kavro::tools::Utf8;
using kavro::tools::Wide;

const kavro::tools::Tool kTool{"kvzip",
                               "usage: kvzip create ARCHIVE PATH...\n"
                               "       kvzip list ARCHIVE\n"
                               "       kvzip extract ARCHIVE DEST [ENTRY]\n"
                               "       kvzip test ARCHIVE\n"
                               "       kvzip --help | --version\n"};

// The archive being read or written: the subject of messages about entries.
std::string g_archive;

// A message about the archive, its entries or the files being packed.
void Say(const std::string& text) { Report(kTool, g_archive, text); }

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
    return kavro::tools::Fail(kTool, archive, "cannot create: " + WriteMessage(ZRES_RECENT));
  }
  int status = 0;
  // The bar counts files; a folder advances it by the files below it when
  // it has been packed.
  std::vector<uint64_t> weights;
  uint64_t total = 0;
  for (const std::string& path : paths) {
    uint64_t files = 1;
    std::error_code error;
    if (Progress::Wanted() && fs::is_directory(path, error)) {
      for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, error);
           !error && it != fs::recursive_directory_iterator(); it.increment(error))
        ++files;
    }
    weights.push_back(files);
    total += files;
  }
  Progress progress(kTool, "packing", total);
  for (size_t k = 0; k < paths.size(); ++k) {
    const std::string& path = paths[k];
    std::error_code error;
    if (const char* kind = SpecialKind(fs::status(path, error))) {
      Report(kTool, path, std::string("skipping ") + kind);
      progress.Advance(weights[k]);
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
      Report(kTool, path, "cannot add: " + WriteMessage(ZRES_RECENT));
      status = 1;
    }
    progress.Advance(weights[k]);
  }
  const ZIPRESULT closed = CloseZipZ(zip);
  if (closed != ZRES_SUCCESS) {
    Report(kTool, archive, "cannot finish: " + WriteMessage(closed));
    status = 1;
  }
  return status;
}

HZIPFILE Open(const std::string& archive) {
  const std::wstring source = Wide(archive);
  HZIPFILE zip = OpenZipU((void*)source.c_str(), 0, ZIPKIND_FILENAME);
  if (zip == nullptr) Report(kTool, archive, "cannot open: " + ReadMessage(ZRES_RECENT));
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
      Say("entry " + std::to_string(i) + ": " + ReadMessage(r));
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
  Say("refusing to extract \"" + shown + "\": it leaves the destination");
  return false;
}

// Makes `place` a folder unless it is one; refuses a symbolic link there.
bool MakeFolder(const Place& place, const std::string& shown) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(place.posix, error);
  if (fs::is_symlink(status)) {
    Say("refusing to extract \"" + shown + "\": " + place.posix.string() + " is a symbolic link");
    return false;
  }
  if (fs::is_directory(status)) return true;
  if (!fs::exists(status)) fs::create_directory(place.posix, error);
  else error = std::make_error_code(std::errc::not_a_directory);
  if (!error) return true;
  Report(kTool, place.posix.string(), "cannot create the folder: " + error.message());
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
      Report(kTool, file.posix.string(), "cannot remove the link: " + error.message());
      return false;
    }
  }
  Say("cannot extract \"" + shown + "\": too many links in the way");
  return false;
}

bool ExtractOne(HZIPFILE zip, int index, const ZIPITEMW& item, const Place& dest) {
  const std::wstring name = item.name;
  const std::string shown = Utf8(item.name);
  if (const char* why = UnsafeName(name)) {
    Say("refusing to extract \"" + shown + "\": " + why);
    return false;
  }
  const std::vector<std::wstring> parts = NameParts(name);
  const bool folder = (item.attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (parts.empty() && !folder) {
    Say("refusing to extract \"" + shown + "\": it names no file");
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
  Say("cannot extract \"" + shown + "\": " + ReadMessage(r));
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
  Report(kTool, destination, error ? "cannot use as the destination: " + error.message()
                                    : std::string("cannot use as the destination"));
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
  const int n = Count(zip);
  Progress progress(kTool, "extracting", only == nullptr ? static_cast<uint64_t>(n) : 1);
  for (int i = 0; i < n; ++i) {
    if (only == nullptr && i > 0) progress.Advance();
    ZIPITEMW item;
    const ZIPRESULT r = GetZipItemW(zip, i, &item);
    if (r != ZRES_SUCCESS && r != ZRES_MEM_SIZE) {
      Say("entry " + std::to_string(i) + ": " + ReadMessage(r));
      status = 1;
      continue;
    }
    if (only != nullptr && Utf8(item.name) != only) continue;
    found = true;
    if (!ExtractOne(zip, i, item, dest)) status = 1;
  }
  progress.Advance();
  CloseZipU(zip);
  if (!found) {
    Say("no entry named \"" + std::string(only) + "\"");
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

}  // namespace

int main(int argc, char** argv) {
  using kavro::tools::UsageError;
  if (const int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return UsageError(kTool, "no command");
  const std::string command = argv[1];
  if (command != "create" && command != "list" && command != "extract" && command != "test")
    return UsageError(kTool, "unknown command \"" + command + "\"");
  if (argc >= 3) {
    const std::string archive = argv[2];
    g_archive = archive;
    if (command == "create" && argc >= 4) return Create(archive, std::vector<std::string>(argv + 3, argv + argc));
    if (command == "list" && argc == 3) return List(archive);
    if (command == "extract" && (argc == 4 || argc == 5)) return Extract(archive, argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "test" && argc == 3) return Test(archive);
  }
  return UsageError(kTool, command + ": wrong number of arguments");
}
