// The environment in wide text: _wgetenv and its relatives. Windows matches
// names without regard to case; here an exact name wins and another case is
// looked for only when no variable has it. Texts handed out by _wgetenv are
// kept for the life of the process, so a pointer a caller holds never
// dangles; a changed value gets a new text.
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KavroStd/platform/crt_wide_files.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/codepage_internal.h"

extern char** environ;

namespace {

std::mutex& Lock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

// Every text handed out, by variable name (never freed, see above).
std::map<std::string, std::vector<std::unique_ptr<std::wstring>>>& Handed() {
  static auto* texts = new std::map<std::string, std::vector<std::unique_ptr<std::wstring>>>;
  return *texts;
}

std::string Narrow(const wchar_t* text, size_t n) {
  std::string out;
  kavro::platform::EncodeUtf8(text, n, out, true, nullptr);
  return out;
}

std::wstring Wide(const char* text) {
  std::wstring out;
  kavro::platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(text), strlen(text), out,
                              kavro::platform::kUtf8Escape);
  return out;
}

// The name of the variable `name` stands for (exact first, then any case);
// empty when there is none. Called with the lock held.
std::string FindName(const wchar_t* name) {
  std::string exact = Narrow(name, wcslen(name));
  if (getenv(exact.c_str())) return exact;
  for (char** e = environ; e && *e; ++e) {
    const char* eq = strchr(*e, '=');
    if (!eq || eq == *e) continue;
    std::string candidate(*e, static_cast<size_t>(eq - *e));
    std::wstring wide = Wide(candidate.c_str());
    if (kavro::platform::CompareNoCase(wide.c_str(), wide.size(), name, wcslen(name)) == 0) return candidate;
  }
  return {};
}

bool ValidName(const wchar_t* name) { return name && *name && !wcschr(name, L'='); }

// The value of the variable, when set. Called with the lock held.
bool Lookup(const wchar_t* name, std::string& found, std::wstring& value) {
  if (!ValidName(name)) return false;
  found = FindName(name);
  if (found.empty()) return false;
  value = Wide(getenv(found.c_str()));
  return true;
}

int Put(const wchar_t* name, size_t nameLength, const wchar_t* value) {
  std::wstring n(name, nameLength);
  if (!ValidName(n.c_str()) || !value) {
    errno = EINVAL;
    return EINVAL;
  }
  std::lock_guard<std::mutex> hold(Lock());
  std::string target = FindName(n.c_str());
  if (target.empty()) target = Narrow(n.data(), n.size());
  int rc = *value ? setenv(target.c_str(), Narrow(value, wcslen(value)).c_str(), 1) : unsetenv(target.c_str());
  return rc == 0 ? 0 : errno;
}

}  // namespace

extern "C" wchar_t* _wgetenv(const wchar_t* name) {
  if (!name) {
    errno = EINVAL;
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(Lock());
  std::string found;
  std::wstring value;
  if (!Lookup(name, found, value)) return nullptr;
  auto& texts = Handed()[found];
  if (texts.empty() || *texts.back() != value) texts.push_back(std::make_unique<std::wstring>(value));
  return texts.back()->data();
}

extern "C" errno_t _wgetenv_s(size_t* needed, wchar_t* buffer, size_t size, const wchar_t* name) {
  if (!needed || !name || (!buffer && size)) return errno = EINVAL;
  *needed = 0;
  if (buffer) buffer[0] = 0;
  std::string found;
  std::wstring value;
  {
    std::lock_guard<std::mutex> hold(Lock());
    if (!Lookup(name, found, value)) return 0;
  }
  *needed = value.size() + 1;
  if (!buffer) return 0;
  if (value.size() >= size) return errno = ERANGE;
  wmemcpy(buffer, value.c_str(), value.size() + 1);
  return 0;
}

extern "C" errno_t _wdupenv_s(wchar_t** out, size_t* size, const wchar_t* name) {
  if (!out || !name) return errno = EINVAL;
  *out = nullptr;
  if (size) *size = 0;
  std::string found;
  std::wstring value;
  {
    std::lock_guard<std::mutex> hold(Lock());
    if (!Lookup(name, found, value)) return 0;
  }
  *out = static_cast<wchar_t*>(malloc((value.size() + 1) * sizeof(wchar_t)));
  if (!*out) return errno = ENOMEM;
  wmemcpy(*out, value.c_str(), value.size() + 1);
  if (size) *size = value.size() + 1;
  return 0;
}

extern "C" int _wputenv(const wchar_t* assignment) {
  const wchar_t* eq = assignment ? wcschr(assignment, L'=') : nullptr;
  if (!eq) {
    errno = EINVAL;
    return -1;
  }
  return Put(assignment, static_cast<size_t>(eq - assignment), eq + 1) == 0 ? 0 : -1;
}

extern "C" errno_t _wputenv_s(const wchar_t* name, const wchar_t* value) {
  if (!name) return errno = EINVAL;
  return Put(name, wcslen(name), value);
}
