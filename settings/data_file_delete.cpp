// Deleting a section or a key of an INI file by rewriting its lines.
//
// The file is read as lines the way the text-mode runtime reads it (LF ends
// a line, a CR before it is dropped), blank lines after the first are left
// out, and the kept lines are written back with CR LF in the file's own
// encoding (ANSI, UTF-8 with its mark, or UTF-16LE with its mark). The bytes
// of each kept line are copied unchanged; only their decoded text is compared.
// The new file replaces the old one atomically.
#include <functional>
#include <string>
#include <vector>

#include "platform/fs/rewrite_internal.h"
#include "KavroStd/settings.h"

namespace {

enum class Encoding { kAnsi, kUtf8Bom, kUtf16Le };

struct Line {
  size_t begin;  // in code units of the encoding
  size_t end;
  CString text;
};

struct TextFile {
  Encoding encoding = Encoding::kAnsi;
  size_t headerBytes = 0;
  std::vector<Line> lines;
};

size_t UnitSize(Encoding e) { return e == Encoding::kUtf16Le ? 2 : 1; }

uint32_t UnitAt(const std::string& bytes, size_t offset, Encoding e) {
  if (e != Encoding::kUtf16Le) return static_cast<unsigned char>(bytes[offset]);
  return static_cast<unsigned char>(bytes[offset]) | (static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

CString DecodeLine(const std::string& bytes, size_t begin, size_t end, Encoding e) {
  if (e == Encoding::kUtf16Le) {
    CString text;
    for (size_t i = begin; i + 1 < end; i += 2) {
      uint32_t u = UnitAt(bytes, i, e);
      if (u >= 0xD800 && u <= 0xDBFF && i + 3 < end) {
        uint32_t low = UnitAt(bytes, i + 2, e);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          text.AppendChar(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
          i += 2;
          continue;
        }
      }
      text.AppendChar(static_cast<wchar_t>(u));
    }
    return text;
  }
  UINT cp = e == Encoding::kUtf8Bom ? CP_UTF8 : CP_ACP;
  int n = static_cast<int>(end - begin);
  if (n == 0) return CString();
  int needed = MultiByteToWideChar(cp, 0, bytes.data() + begin, n, nullptr, 0);
  CString text;
  MultiByteToWideChar(cp, 0, bytes.data() + begin, n, text.GetBuffer(needed), needed);
  text.ReleaseBuffer(needed);
  return text;
}

TextFile ReadLines(const std::string& bytes) {
  TextFile file;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    file.encoding = Encoding::kUtf16Le;
    file.headerBytes = 2;
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    file.encoding = Encoding::kUtf8Bom;
    file.headerBytes = 3;
  }
  size_t unit = UnitSize(file.encoding);
  size_t usable = bytes.size() - (bytes.size() - file.headerBytes) % unit;
  size_t start = file.headerBytes;
  for (size_t i = start; i < usable; i += unit) {
    if (UnitAt(bytes, i, file.encoding) != '\n') continue;
    size_t end = i;
    if (end > start && UnitAt(bytes, end - unit, file.encoding) == '\r') end -= unit;
    file.lines.push_back({start, end, DecodeLine(bytes, start, end, file.encoding)});
    start = i + unit;
  }
  if (start < usable) file.lines.push_back({start, usable, DecodeLine(bytes, start, usable, file.encoding)});
  return file;
}

bool IsHeaderLine(const CString& line) {
  return line.GetLength() > 0 && line[0] == L'[' && line[line.GetLength() - 1] == L']';
}

// Keeps the lines `keep` accepts, blank lines after the first dropped, each
// written back with CR LF.
bool Rewrite(std::string& bytes, const std::function<bool(const CString&)>& keep) {
  TextFile file = ReadLines(bytes);
  if (file.lines.empty()) return false;
  std::string out = bytes.substr(0, file.headerBytes);
  std::string lineEnd = file.encoding == Encoding::kUtf16Le ? std::string("\r\0\n\0", 4) : std::string("\r\n");
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const Line& line = file.lines[i];
    if (i > 0 && line.begin == line.end) continue;
    if (!keep(line.text)) continue;
    out.append(bytes, line.begin, line.end - line.begin);
    out += lineEnd;
  }
  bytes.swap(out);
  return true;
}

CString HeaderOf(const wchar_t* section) {
  CString header;
  header.Format(L"[%s]", section ? section : L"");
  return header;
}

}  // namespace

BOOL CDataFile::delAppParam(const wchar_t* section) {
  const CString header = HeaderOf(section);
  DWORD result = kavro::platform::KvRewriteFile(m_strPath, false, [&](std::string& bytes) {
    bool copying = true;
    return Rewrite(bytes, [&](const CString& line) {
      if (!copying && IsHeaderLine(line)) copying = true;
      if (line == header) {
        copying = false;
        return false;
      }
      return copying;
    });
  });
  return result == ERROR_SUCCESS;
}

BOOL CDataFile::delKeyParam(const wchar_t* section, const wchar_t* key) {
  const CString header = HeaderOf(section);
  const CString name(key);
  DWORD result = kavro::platform::KvRewriteFile(m_strPath, false, [&](std::string& bytes) {
    bool inside = false;
    return Rewrite(bytes, [&](const CString& line) {
      if (inside && IsHeaderLine(line)) inside = false;
      if (line == header) inside = true;
      int equals = line.Find(L'=');
      return !(inside && equals >= 0 && line.Left(equals) == name);
    });
  });
  return result == ERROR_SUCCESS;
}
