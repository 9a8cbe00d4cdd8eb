// Reading INI files: values, integers and the name lists.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/profile.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"
#include "platform/profile/profile_internal.h"

namespace kavro::platform {
namespace {

// The whole file; false with the last error set when it cannot be read.
// Readers take no lock: writers replace the file by a rename, so a read sees
// either the old or the new file.
bool LoadProfile(LPCWSTR file, std::string& bytes) {
  std::string path;
  if (!file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!KvMapPath(file, path)) return false;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  struct stat st;
  int err = 0;
  if (fstat(fd, &st) != 0) err = errno;
  else if (!S_ISREG(st.st_mode)) err = EISDIR;
  else err = ReadWholeFile(fd, st.st_size, bytes);
  close(fd);
  if (err) SetLastErrorFromErrno(err);
  return err == 0;
}

// The entries of a list in file order; a name the file holds twice is listed
// twice, as Windows lists it.
class NameList {
 public:
  void Add(const std::wstring& text) {
    units_ += text;
    units_.push_back(L'\0');
  }
  const std::wstring& units() const { return units_; }

 private:
  std::wstring units_;
};

// Copies a list (each entry zero-terminated) and its closing zero. As on
// Windows, a buffer that holds the list only exactly counts as too small:
// the count is then size - 2, as for any cut list. `closed` false (no file)
// writes the first zero only.
DWORD CopyList(const std::wstring& list, LPWSTR out, DWORD size, bool closed = true) {
  if (size == 0) return 0;
  if (list.empty()) {
    out[0] = L'\0';
    if (closed && size >= 2) out[1] = L'\0';
    return 0;
  }
  if (list.size() + 1 < size) {
    list.copy(out, list.size());
    out[list.size()] = L'\0';
    return static_cast<DWORD>(list.size());
  }
  SetLastError(ERROR_MORE_DATA);
  if (size < 2) {
    out[0] = L'\0';
    return 0;
  }
  list.copy(out, size - 2);
  out[size - 2] = L'\0';
  out[size - 1] = L'\0';
  return size - 2;
}

DWORD CopyValue(const wchar_t* text, size_t length, LPWSTR out, DWORD size) {
  if (size == 0) return 0;
  if (length > size - 1) {
    length = size - 1;
    SetLastError(ERROR_MORE_DATA);
  }
  wmemcpy(out, text, length);
  out[length] = L'\0';
  return static_cast<DWORD>(length);
}

// The value of key `key` in section `app`: true when found.
bool LookupValue(std::string_view bytes, const wchar_t* app, const wchar_t* key, std::wstring& value) {
  ProfileName appName = MakeProfileName(app);
  ProfileName keyName = MakeProfileName(key);
  ProfileText text(bytes, GetACP());
  return text.Visit([&](const auto& scanner) {
    ProfileLine header;
    if (!scanner.FindSection(appName, 0, header)) return false;
    bool found = false;
    ForEachSectionLine(scanner, header, [&](const ProfileLine& line) {
      if (line.kind != ProfileLineKind::kKey || !scanner.NameIs(line.nameBegin, line.nameEnd, keyName))
        return true;
      size_t b = line.valueBegin, e = line.valueEnd;
      UnquoteProfileValue(scanner.data(), b, e);
      scanner.Decode(b, e, value);
      found = true;
      return false;
    });
    return found;
  });
}

void ListSections(std::string_view bytes, NameList& list) {
  ProfileText text(bytes, GetACP());
  text.Visit([&](const auto& scanner) {
    std::wstring name;
    ProfileLine header;
    for (size_t pos = 0; scanner.NextHeader(pos, header); pos = header.next) {
      scanner.Decode(header.nameBegin, header.nameEnd, name);
      list.Add(name);
    }
  });
}

// The key names (keysOnly) or all lines of the first section named `app`.
void ListSection(std::string_view bytes, const wchar_t* app, bool keysOnly, NameList& list) {
  ProfileName appName = MakeProfileName(app);
  ProfileText text(bytes, GetACP());
  text.Visit([&](const auto& scanner) {
    ProfileLine header;
    if (!scanner.FindSection(appName, 0, header)) return;
    std::wstring name, value;
    ForEachSectionLine(scanner, header, [&](const ProfileLine& line) {
      if (line.kind == ProfileLineKind::kKey) {
        scanner.Decode(line.nameBegin, line.nameEnd, name);
        if (keysOnly) {
          list.Add(name);
        } else {
          scanner.Decode(line.valueBegin, line.valueEnd, value);
          list.Add(name + L"=" + value);
        }
      } else if (line.kind == ProfileLineKind::kOther && !keysOnly) {
        scanner.Decode(line.nameBegin, line.nameEnd, name);
        list.Add(name);
      }
      return true;
    });
  });
}

}  // namespace
}  // namespace kavro::platform

using namespace kavro::platform;

extern "C" DWORD GetPrivateProfileStringW(LPCWSTR app, LPCWSTR key, LPCWSTR def, LPWSTR out, DWORD size,
                                          LPCWSTR file) {
  if (size == 0) return 0;
  if (!out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string bytes;
  bool loaded = LoadProfile(file, bytes);
  if (!app || !key) {
    NameList list;
    if (loaded && !app) ListSections(bytes, list);
    if (loaded && app) ListSection(bytes, app, true, list);
    if (loaded) SetLastError(ERROR_SUCCESS);
    return CopyList(list.units(), out, size, loaded);
  }
  std::wstring value;
  if (loaded && LookupValue(bytes, app, key, value)) {
    SetLastError(ERROR_SUCCESS);
    return CopyValue(value.data(), value.size(), out, size);
  }
  if (loaded) SetLastError(ERROR_FILE_NOT_FOUND);
  // The default loses its trailing spaces (only spaces: a tab stays).
  if (!def) def = L"";
  size_t length = wcslen(def);
  while (length > 0 && def[length - 1] == L' ') --length;
  return CopyValue(def, length, out, size);
}

extern "C" UINT GetPrivateProfileIntW(LPCWSTR app, LPCWSTR key, INT def, LPCWSTR file) {
  std::string bytes;
  std::wstring value;
  if (!app || !key || !LoadProfile(file, bytes)) return static_cast<UINT>(def);
  if (!LookupValue(bytes, app, key, value) || value.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return static_cast<UINT>(def);
  }
  SetLastError(ERROR_SUCCESS);
  size_t i = 0;
  while (i < value.size() && IsProfileBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) negative = value[i++] == L'-';
  uint32_t number = 0;
  for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i)
    number = number * 10u + static_cast<uint32_t>(value[i] - L'0');
  return negative ? 0u - number : number;
}

extern "C" DWORD GetPrivateProfileSectionNamesW(LPWSTR out, DWORD size, LPCWSTR file) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, out, size, file);
}

extern "C" DWORD GetPrivateProfileSectionW(LPCWSTR app, LPWSTR out, DWORD size, LPCWSTR file) {
  if (size == 0) return 0;
  if (!out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  NameList list;
  std::string bytes;
  if (!app) SetLastError(ERROR_INVALID_PARAMETER);
  else if (LoadProfile(file, bytes)) ListSection(bytes, app, false, list);
  return CopyList(list.units(), out, size);
}
