// InternetCanonicalizeUrlW: blanks and control characters trimmed from both
// ends; in http, https and ftp addresses backslashes in the path become
// slashes, "." and ".." segments are resolved and an empty path becomes
// "/"; unsafe characters of the path (and, outside browser mode, of the
// query and fragment) are escaped as %XX. The host part is left as given.
#include <cwchar>
#include <cwctype>
#include <string>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace {

bool IsUnsafe(wchar_t c) {
  return c <= 0x20 || c == 0x7F || wcschr(L"<>\"{}|^`[]'~", c) != nullptr;
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// %XX sequences decoded, except those of '?' and '#'.
std::wstring Decode(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      wchar_t c = static_cast<wchar_t>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      if (c != L'?' && c != L'#') {
        out += c;
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::wstring Encode(const std::wstring& text, DWORD flags) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  for (wchar_t c : text) {
    bool escape = (flags & ICU_ENCODE_SPACES_ONLY) ? c == L' ' : IsUnsafe(c);
    if (c == L'%' && (flags & ICU_ENCODE_PERCENT)) escape = true;
    if (escape && c < 0x80) {
      out += L'%';
      out += kHex[(c >> 4) & 15];
      out += kHex[c & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// RFC 3986's removal of dot segments from an absolute path.
std::wstring RemoveDots(const std::wstring& path) {
  std::wstring in = path, out;
  while (!in.empty()) {
    if (in.compare(0, 3, L"../") == 0) in.erase(0, 3);
    else if (in.compare(0, 2, L"./") == 0) in.erase(0, 2);
    else if (in.compare(0, 3, L"/./") == 0) in.erase(0, 2);
    else if (in == L"/.") in = L"/";
    else if (in.compare(0, 4, L"/../") == 0 || in == L"/..") {
      in = in.size() == 3 ? L"/" : in.substr(3);
      size_t cut = out.rfind(L'/');
      out.erase(cut == std::wstring::npos ? 0 : cut);
    } else if (in == L"." || in == L"..") {
      in.clear();
    } else {
      size_t next = in.find(L'/', in[0] == L'/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::wstring::npos ? in.size() : next);
    }
  }
  return out;
}

std::wstring Canonical(std::wstring url, DWORD flags) {
  size_t first = 0, last = url.size();
  while (first < last && url[first] <= L' ') ++first;
  while (last > first && url[last - 1] <= L' ') --last;
  url = url.substr(first, last - first);

  size_t colon = url.find(L':');
  std::wstring scheme;
  if (colon != std::wstring::npos)
    for (size_t i = 0; i < colon; ++i) scheme += static_cast<wchar_t>(towlower(url[i]));
  const bool hierarchical = scheme == L"http" || scheme == L"https" || scheme == L"ftp";

  size_t restAt = url.find_first_of(L"?#");
  if (restAt == std::wstring::npos) restAt = url.size();
  std::wstring head = url.substr(0, restAt), rest = url.substr(restAt);
  std::wstring prefix, path = head;
  if (hierarchical) {
    for (size_t i = colon + 1; i < head.size(); ++i)
      if (head[i] == L'\\') head[i] = L'/';
    size_t pathAt = head.compare(colon + 1, 2, L"//") == 0 ? head.find(L'/', colon + 3) : colon + 1;
    if (pathAt == std::wstring::npos) pathAt = head.size();
    prefix = head.substr(0, pathAt);
    path = head.substr(pathAt);
    if (!(flags & ICU_NO_META)) path = RemoveDots(path);
    if (path.empty() && head.compare(colon + 1, 2, L"//") == 0) path = L"/";
  }
  const bool browser = (flags & ICU_BROWSER_MODE) != 0;
  if (flags & ICU_DECODE) {
    path = Decode(path);
    if (!browser) rest = Decode(rest);
  }
  if (!(flags & ICU_NO_ENCODE)) {
    path = Encode(path, flags);
    if (!browser) rest = Encode(rest, flags);
  }
  return prefix + path + rest;
}

}  // namespace

extern "C" BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD bufferLength, DWORD flags) {
  if (!url || !buffer || !bufferLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::wstring out = Canonical(url, flags);
  if (*bufferLength < out.size() + 1) {
    *bufferLength = static_cast<DWORD>(out.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  wmemcpy(buffer, out.c_str(), out.size() + 1);
  *bufferLength = static_cast<DWORD>(out.size());
  return TRUE;
}
