// The INI scanner shared by the profile reader and writer: it works on the
// raw units of a file (bytes, or UTF-16 code units after an FF FE mark) and
// decodes only the names it has to compare and the value it returns, so that
// a lookup costs little more than finding the line ends. Positions are unit
// indexes into the text after the byte-order mark.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "KavroStd/platform/cstring.h"
#include "KavroStd/platform/win_types.h"

namespace kavro::platform {

enum class ProfileEncoding { kAnsi, kUtf8, kUtf16 };

// A section or key name as the caller gives it, with its blanks trimmed.
struct ProfileName {
  std::wstring text;
  bool ascii = true;
};
ProfileName MakeProfileName(const wchar_t* name);

enum class ProfileLineKind { kBlank, kComment, kHeader, kKey, kOther };

// One line: [start, end) is its content, `end` its CR, LF or CR LF or the end
// of the text, `next` the start of the following line. For a header [nameBegin, nameEnd)
// is the trimmed name; for a key the trimmed key name and [valueBegin,
// valueEnd) the trimmed value; for another line the trimmed text.
struct ProfileLine {
  size_t start = 0, end = 0, next = 0;
  ProfileLineKind kind = ProfileLineKind::kBlank;
  size_t nameBegin = 0, nameEnd = 0;
  size_t valueBegin = 0, valueEnd = 0;
};

template <class Unit>
inline bool IsProfileBlank(Unit u) {
  return u == ' ' || u == '\t' || u == '\r' || u == '\v' || u == '\f';
}

// Decoding and name comparison of a unit range (profile_parse.cpp).
void DecodeProfileUnits(const char* text, size_t length, UINT codePage, std::wstring& out);
void DecodeProfileUnits(const char16_t* text, size_t length, UINT codePage, std::wstring& out);
// Position of the last ']' of [begin, end) that is a character of its own
// (not the trail byte of a double-byte character), or `end` when none.
size_t LastCloseBracket(const char* text, size_t begin, size_t end, UINT codePage);
size_t LastCloseBracket(const char16_t* text, size_t begin, size_t end, UINT codePage);

template <class Unit>
class ProfileScanner {
 public:
  // `codePage` decodes byte text (CP_UTF8 for UTF-8 files); unused for UTF-16.
  ProfileScanner(const Unit* text, size_t size, UINT codePage)
      : text_(text), size_(size), codePage_(codePage) {}

  const Unit* data() const { return text_; }
  size_t size() const { return size_; }

  ProfileLine Line(size_t pos) const {
    ProfileLine line;
    line.start = pos;
    // CR, LF and CR LF each end a line.
    size_t lf = pos >= noLineFeedFrom_ ? size_ : Find(pos, size_, Unit('\n'));
    if (lf == size_ && pos < noLineFeedFrom_) noLineFeedFrom_ = pos;
    size_t cr = Find(pos, lf, Unit('\r'));
    if (cr < lf) {
      line.end = cr;
      line.next = cr + 1 < size_ && text_[cr + 1] == Unit('\n') ? cr + 2 : cr + 1;
    } else {
      line.end = lf;
      line.next = lf < size_ ? lf + 1 : size_;
    }
    // The text of a line ends at a NUL.
    size_t e = Find(pos, line.end, Unit(0));
    size_t s = pos;
    while (s < e && IsProfileBlank(text_[s])) ++s;
    if (s == e) return line;
    if (text_[s] == ';') {
      line.kind = ProfileLineKind::kComment;
      return line;
    }
    if (text_[s] == '[') {
      // A header without its closing ']' names the rest of the line.
      size_t close = LastCloseBracket(text_, s + 1, e, codePage_);
      line.kind = ProfileLineKind::kHeader;
      Trim(s + 1, close, line.nameBegin, line.nameEnd);
      return line;
    }
    size_t eq = Find(s, e, Unit('='));
    if (eq < e) {
      line.kind = ProfileLineKind::kKey;
      Trim(s, eq, line.nameBegin, line.nameEnd);
      Trim(eq + 1, e, line.valueBegin, line.valueEnd);
    } else {
      line.kind = ProfileLineKind::kOther;
      Trim(s, e, line.nameBegin, line.nameEnd);
    }
    return line;
  }

  // The first header line that starts at or after `pos` (a line start). With
  // `wanted`, headers that cannot have that name may be passed over unparsed.
  bool NextHeader(size_t pos, ProfileLine& header, const ProfileName* wanted = nullptr) const {
    if constexpr (sizeof(Unit) == 1) {
      // Jump from '[' to '[': only one that opens its line can start a header.
      while (pos < size_) {
        const void* hit = memchr(text_ + pos, '[', size_ - pos);
        if (!hit) return false;
        size_t at = static_cast<size_t>(static_cast<const Unit*>(hit) - text_);
        size_t begin = at;
        while (begin > 0 && text_[begin - 1] != '\r' && IsProfileBlank(text_[begin - 1])) --begin;
        if ((begin == 0 || text_[begin - 1] == '\n' || text_[begin - 1] == '\r') &&
            !(wanted && CannotBeNamed(at + 1, *wanted))) {
          header = Line(begin);
          if (header.kind == ProfileLineKind::kHeader) return true;
          pos = header.next;
        } else {
          pos = at + 1;
        }
      }
      return false;
    } else {
      for (; pos < size_; pos = header.next) {
        header = Line(pos);
        if (header.kind == ProfileLineKind::kHeader) return true;
      }
      return false;
    }
  }

  // The first header at or after `pos` whose name is `name`.
  bool FindSection(const ProfileName& name, size_t pos, ProfileLine& header) const {
    while (NextHeader(pos, header, &name)) {
      if (NameIs(header.nameBegin, header.nameEnd, name)) return true;
      pos = header.next;
    }
    return false;
  }

  // Whether [begin, end) names `name` without regard to case.
  bool NameIs(size_t begin, size_t end, const ProfileName& name) const {
    bool ascii = true;
    for (size_t i = begin; i < end && ascii; ++i) ascii = static_cast<uint32_t>(text_[i]) < 0x80;
    if (ascii && name.ascii) {
      if (end - begin != name.text.size()) return false;
      for (size_t i = begin; i < end; ++i) {
        uint32_t a = static_cast<uint32_t>(text_[i]), b = static_cast<uint32_t>(name.text[i - begin]);
        if (a != b && AsciiLower(a) != AsciiLower(b)) return false;
      }
      return true;
    }
    Decode(begin, end, scratch_);
    return CompareNoCase(scratch_.data(), scratch_.size(), name.text.data(), name.text.size()) == 0;
  }

  void Decode(size_t begin, size_t end, std::wstring& out) const {
    DecodeProfileUnits(text_ + begin, end - begin, codePage_, out);
  }

  // True when the whole line, beyond any NUL too, holds only blanks.
  bool RawBlank(const ProfileLine& line) const {
    for (size_t i = line.start; i < line.end; ++i)
      if (!IsProfileBlank(text_[i])) return false;
    return true;
  }

  // End of the line's content: before its CR, LF or CR LF.
  size_t ContentEnd(const ProfileLine& line) const { return line.end; }
  // Whether the line has a line end (the last line of a file may not).
  bool HasLineEnd(const ProfileLine& line) const { return line.next > line.end; }

 private:
  static uint32_t AsciiLower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

  // True when the header text that starts at `pos` (after its '[') surely
  // does not hold the ASCII name `name`: an ASCII unit differs from it, or
  // the name is followed by something other than a blank or ']'. A unit
  // beyond ASCII leaves the answer to the full parse (case mapping or a
  // double-byte character may still match).
  bool CannotBeNamed(size_t pos, const ProfileName& name) const {
    if (!name.ascii) return false;
    while (pos < size_ && text_[pos] != '\r' && IsProfileBlank(text_[pos])) ++pos;
    for (wchar_t want : name.text) {
      if (pos >= size_) return true;
      uint32_t c = static_cast<unsigned char>(text_[pos++]);
      if (c >= 0x80) return false;
      if (c != static_cast<uint32_t>(want) && AsciiLower(c) != AsciiLower(static_cast<uint32_t>(want))) return true;
    }
    // The name may end at ']', a blank, the line's end or a NUL.
    if (pos >= size_) return false;
    uint32_t next = static_cast<unsigned char>(text_[pos]);
    return next < 0x80 && next != ']' && next != '\n' && next != 0 && !IsProfileBlank(text_[pos]);
  }

  size_t Find(size_t from, size_t to, Unit u) const {
    if constexpr (sizeof(Unit) == 1) {
      if (from >= to) return to;
      const void* hit = memchr(text_ + from, static_cast<unsigned char>(u), to - from);
      return hit ? static_cast<size_t>(static_cast<const Unit*>(hit) - text_) : to;
    } else {
      for (size_t i = from; i < to; ++i)
        if (text_[i] == u) return i;
      return to;
    }
  }

  void Trim(size_t b, size_t e, size_t& outB, size_t& outE) const {
    while (b < e && IsProfileBlank(text_[b])) ++b;
    while (e > b && IsProfileBlank(text_[e - 1])) --e;
    outB = b;
    outE = e;
  }

  const Unit* text_;
  size_t size_;
  UINT codePage_;
  mutable std::wstring scratch_;
  // No LF lies at or after this position (spares a CR-only file a search
  // to its end for every line).
  mutable size_t noLineFeedFrom_ = static_cast<size_t>(-1);
};

// The text of a file's bytes: its encoding, the length of its byte-order
// mark, and its units (UTF-16 units are assembled from the little-endian
// bytes; a trailing odd byte is no unit).
class ProfileText {
 public:
  ProfileText(std::string_view bytes, UINT ansiCodePage);

  ProfileEncoding encoding() const { return encoding_; }
  size_t markBytes() const { return mark_; }
  size_t unitBytes() const { return encoding_ == ProfileEncoding::kUtf16 ? 2 : 1; }
  // Byte offset in the file of unit position `pos`.
  size_t ByteOffset(size_t pos) const { return mark_ + pos * unitBytes(); }
  // The file's bytes for wide text, in the file's encoding (no mark).
  std::string Encode(const wchar_t* text, size_t length) const;

  // Calls fn(scanner) with the scanner of the file's units.
  template <class Fn>
  decltype(auto) Visit(Fn&& fn) const {
    if (encoding_ == ProfileEncoding::kUtf16)
      return fn(ProfileScanner<char16_t>(units16_.data(), units16_.size(), codePage_));
    return fn(ProfileScanner<char>(bytes_.data() + mark_, bytes_.size() - mark_, codePage_));
  }

 private:
  std::string_view bytes_;
  ProfileEncoding encoding_ = ProfileEncoding::kAnsi;
  size_t mark_ = 0;
  UINT codePage_ = 0;
  std::u16string units16_;
};

// A value as read: its quotes removed when both ends hold the same quote.
template <class Unit>
inline void UnquoteProfileValue(const Unit* text, size_t& begin, size_t& end) {
  if (end - begin >= 2 && (text[begin] == '"' || text[begin] == '\'') && text[end - 1] == text[begin]) {
    ++begin;
    --end;
  }
}

}  // namespace kavro::platform

namespace kavro::platform {

// Calls fn(line) for each line of the section whose header is `header`, up
// to the next header; fn returns false to stop.
template <class Scanner, class Fn>
inline void ForEachSectionLine(const Scanner& scanner, const ProfileLine& header, Fn&& fn) {
  for (size_t pos = header.next; pos < scanner.size();) {
    ProfileLine line = scanner.Line(pos);
    if (line.kind == ProfileLineKind::kHeader || !fn(line)) return;
    pos = line.next;
  }
}

}  // namespace kavro::platform
